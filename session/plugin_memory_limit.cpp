#include "session/plugin_memory_limit.h"

namespace orvelle {

namespace {
constexpr std::int64_t kMiB = std::int64_t{1} << 20;
constexpr std::int64_t kDefaultMemoryLimit = std::int64_t{4} << 30;
}  // namespace

std::int64_t memoryLimitFor(const PluginCallControl* control, std::int64_t bufferBytes) {
  const std::int64_t chosen = control ? control->memoryLimitBytes() : 0;
  if (chosen > 0) return chosen;
  if (bufferBytes <= kDefaultMemoryLimit / 16) return kDefaultMemoryLimit;
  return (bufferBytes * 16 + kMiB - 1) / kMiB * kMiB;
}

std::string memoryText(std::int64_t bytes) {
  static const struct {
    int shift;
    const char* unit;
  } units[] = {{30, " GiB"}, {20, " MiB"}, {10, " KiB"}};
  for (const auto& unit : units) {
    const std::int64_t size = std::int64_t{1} << unit.shift;
    if (bytes % size == 0) return std::to_string(bytes / size) + unit.unit;
  }
  return std::to_string(bytes) + " bytes";
}

}  // namespace orvelle
