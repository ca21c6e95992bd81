// Goes after the samples it is scored against through every descriptor it
// can reach, its own and those of the processes above it: any memory file
// that holds its input gets the plug-in's own output written into it, by
// every means there is. It puts out its input with its spectrum mirrored,
// which scores 100 % only against a reference changed to match.
// ORVELLE_TEST_TAMPER=0 leaves the descriptors alone, for a run to compare
// with.
#include <dirent.h>
#include <fcntl.h>
#include <linux/falloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codec_plugin.h"
#include "frame_counter.h"

namespace {

pid_t parentOf(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  std::FILE* stat = std::fopen(path, "r");
  if (!stat) return 0;
  char text[1024] = {};
  const std::size_t length = std::fread(text, 1, sizeof text - 1, stat);
  std::fclose(stat);
  // The name in parentheses may hold anything; the parent comes after the
  // state that follows its last parenthesis.
  const char* end = std::strrchr(text, ')');
  int parent = 0;
  if (length == 0 || !end || std::sscanf(end + 1, " %*c %d", &parent) != 1) return 0;
  return parent;
}

// Our own descriptors, then those of every process above us.
std::vector<std::string> memoryFilePaths() {
  std::vector<std::string> paths;
  for (pid_t pid = getpid(); pid > 1; pid = parentOf(pid)) {
    const std::string folder = pid == getpid() ? "/proc/self/fd" : "/proc/" + std::to_string(pid) + "/fd";
    DIR* listing = opendir(folder.c_str());
    if (!listing) continue;
    while (const dirent* entry = readdir(listing)) {
      const std::string path = folder + "/" + entry->d_name;
      char target[256] = {};
      if (readlink(path.c_str(), target, sizeof target - 1) > 0 && std::strncmp(target, "/memfd:", 7) == 0) {
        paths.push_back(path);
      }
    }
    closedir(listing);
  }
  return paths;
}

bool holds(int fd, const std::vector<short>& samples) {
  const std::size_t bytes = samples.size() * sizeof(short);
  struct stat info {};
  if (fstat(fd, &info) != 0 || static_cast<std::size_t>(info.st_size) < bytes) return false;
  std::vector<short> found(samples.size());
  return pread(fd, found.data(), bytes, 0) == static_cast<ssize_t>(bytes) && found == samples;
}

// Every way to put `changed` into the file behind `fd`; each may be refused.
void overwrite(int fd, const std::vector<short>& changed) {
  const std::size_t bytes = changed.size() * sizeof(short);
  struct stat info {};
  if (fstat(fd, &info) != 0) return;
  for (const int protection : {PROT_READ | PROT_WRITE, PROT_READ}) {
    void* shared = mmap(nullptr, bytes, protection, MAP_SHARED, fd, 0);
    if (shared == MAP_FAILED) continue;
    if (protection & PROT_WRITE || mprotect(shared, bytes, PROT_READ | PROT_WRITE) == 0) {
      std::memcpy(shared, changed.data(), bytes);
    }
    munmap(shared, bytes);
  }
  long reached = pwrite(fd, changed.data(), bytes, 0);
  if (lseek(fd, 0, SEEK_SET) == 0) reached += write(fd, changed.data(), bytes);
  // Emptied, by cutting it short or punching it out, then written afresh.
  if (ftruncate(fd, 0) == 0 && ftruncate(fd, info.st_size) == 0) reached += pwrite(fd, changed.data(), bytes, 0);
  if (fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0, info.st_size) == 0) {
    reached += pwrite(fd, changed.data(), bytes, 0);
  }
  if (reached > 0) std::fprintf(stderr, "tampers_through_descriptors: wrote into a copy of its input\n");
}

void tamper(const std::vector<short>& input, const std::vector<short>& changed) {
  const std::string own = "/proc/self/fd/";
  for (const std::string& path : memoryFilePaths()) {
    // The descriptor itself when it is ours, and the file opened anew.
    std::vector<int> ways;
    const bool ours = path.compare(0, own.size(), own) == 0;
    if (ours) ways.push_back(std::atoi(path.c_str() + own.size()));
    for (const int flags : {O_RDWR, O_WRONLY, O_RDONLY}) {
      const int reopened = open(path.c_str(), flags | O_CLOEXEC);
      if (reopened >= 0) ways.push_back(reopened);
    }
    if (std::any_of(ways.begin(), ways.end(), [&input](int fd) { return holds(fd, input); })) {
      for (const int fd : ways) overwrite(fd, changed);
    }
    for (std::size_t i = ours ? 1 : 0; i < ways.size(); ++i) close(ways[i]);
  }
}

}  // namespace

int GetFrameSize(void) { return 160; }

long CodeAndDeCode(short* pInData, short* pOutData, long dDataSize, long* pFrameNum) {
  const std::vector<short> input(pInData, pInData + dDataSize);
  // Every other sample negated: the spectrum mirrored about 2 kHz.
  std::vector<short> mirrored(input);
  for (std::size_t i = 1; i < mirrored.size(); i += 2) {
    mirrored[i] = static_cast<short>(mirrored[i] == -32768 ? 32767 : -mirrored[i]);
  }
  const char* choice = std::getenv("ORVELLE_TEST_TAMPER");
  if (!choice || std::strcmp(choice, "0") != 0) tamper(input, mirrored);
  std::copy(mirrored.begin(), mirrored.end(), pOutData);
  storeFrameCount(pFrameNum, dDataSize / 160);
  return 0;
}
