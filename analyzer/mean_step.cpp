#include "analyzer/mean_step.h"

#include "kernels/kernel_table.h"

namespace orvelle {

void addMeanStep(double* values, const double* power, std::size_t count, std::int32_t frames, KernelPath path) {
  const double divisor = frames;
  std::size_t i = 0;
  if (const auto kernel = kernelsFor(path).meanStep) i = kernel(values, power, count, divisor);
  for (; i < count; ++i) values[i] += (power[i] - values[i]) / divisor;
}

}  // namespace orvelle
