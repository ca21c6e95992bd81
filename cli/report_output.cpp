#include "cli/report_output.h"

#include <filesystem>

#include "engine/plugin_catalog.h"

namespace orvelle::cli {

std::vector<report::ReportInput> codecQualityInputs(const std::string& plugin, const CodecQualitySource& source,
                                                    std::int32_t frameSize) {
  std::vector<report::ReportInput> inputs =
      report::codecQualityInputs(plugin, engine::locatePlugin(plugin), frameSize, source.voiceFile, source.sizeType);
  if (!source.saveProcessed.empty()) inputs.push_back({"Processed speech saved as", source.saveProcessed});
  return inputs;
}

bool writeRunReport(const std::string& path, const report::RunReport& run, std::string& reason) {
  return report::writeHtmlFile(path, report::reportHtml(run), reason);
}

std::string reportPathProblem(const std::string& path) {
  namespace fs = std::filesystem;
  if (path.empty()) return "an empty path names no file";
  const fs::path target(path);
  std::error_code error;
  if (fs::is_directory(target, error)) return "\"" + path + "\" is a folder; name the report file in it";
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, error)) return "the folder \"" + folder.string() + "\" of the report does not exist";
  return {};
}

}  // namespace orvelle::cli
