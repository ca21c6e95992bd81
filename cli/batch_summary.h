#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orvelle::cli {

// The closing line of a batch on stderr: how many rows ran, failed and were
// skipped as already scored, and the mean, median and lowest score.
std::string batchSummary(const std::vector<double>& scores, std::size_t failed, std::size_t skipped);

}  // namespace orvelle::cli
