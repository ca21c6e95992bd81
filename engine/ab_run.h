#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "engine/batch.h"

namespace orvelle::engine {

// The two builds of a codec an A/B run compares.
enum class AbSide { base, next };

// Runs Codec Quality of both plug-ins (each a Codec Quality batch job) over
// every row, the base's and the new's runs of the rows side by side on
// `threads` threads, each run in a session and host of its own. `finishRow`
// (may be empty) sees each outcome on the thread that ran it; `emit` gets
// them on this thread in a fixed order (each row's base, then its new,
// row after row), whatever the number of threads.
void runAbRows(const std::vector<BatchRow>& rows, const BatchJob& base, const BatchJob& next, unsigned threads,
               const std::function<void(AbSide, const BatchRow&, RowOutcome&)>& finishRow,
               const std::function<void(AbSide, std::size_t, const RowOutcome&)>& emit);

}  // namespace orvelle::engine
