#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/run_report.h"

namespace orvelle::report {

// What a Codec Quality run scored: the plug-in as named and, when that
// differs, the file it was found as; its frame size; the voice file coded,
// or (when empty) the internal source of `sizeType` (0 Short, 1 Normal, 2
// Long).
std::vector<ReportInput> codecQualityInputs(const std::string& plugin, const std::string& pluginFile,
                                            std::int32_t frameSize, const std::string& voiceFile,
                                            std::int32_t sizeType);

// What a Compare Files run scored, with what each conversion did.
std::vector<ReportInput> compareFilesInputs(const std::string& sourceFile, const std::string& processedFile,
                                            const std::vector<std::string>& conversionNotes);

}  // namespace orvelle::report
