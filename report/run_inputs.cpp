#include "report/run_inputs.h"

namespace orvelle::report {

std::vector<ReportInput> codecQualityInputs(const std::string& plugin, const std::string& pluginFile,
                                            std::int32_t frameSize, const std::string& voiceFile,
                                            std::int32_t sizeType) {
  static const char* const kSizeNames[] = {"Short", "Normal", "Long"};
  std::vector<ReportInput> inputs = {{"Codec plug-in", plugin}};
  if (!pluginFile.empty() && pluginFile != plugin) inputs.push_back({"Plug-in file", pluginFile});
  inputs.push_back({"Frame size", std::to_string(frameSize) + " samples"});
  if (!voiceFile.empty()) {
    inputs.push_back({"Voice file", voiceFile});
  } else if (sizeType >= 0 && sizeType <= 2) {
    inputs.push_back({"Speech", std::string("internal source, size ") + kSizeNames[sizeType]});
  } else {
    inputs.push_back({"Speech", "internal source, size type " + std::to_string(sizeType)});
  }
  return inputs;
}

std::vector<ReportInput> compareFilesInputs(const std::string& sourceFile, const std::string& processedFile,
                                            const std::vector<std::string>& conversionNotes) {
  std::vector<ReportInput> inputs = {{"Source voice file", sourceFile}, {"Processed voice file", processedFile}};
  for (const std::string& note : conversionNotes) inputs.push_back({"Conversion", note});
  return inputs;
}

}  // namespace orvelle::report
