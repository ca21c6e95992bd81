#include "report/html_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace orvelle::report {
namespace {

TEST(HtmlText, EscapesEverythingThatCouldBeMarkup) {
  EXPECT_EQ(escapeHtml("a<b>&\"c'd"), "a&lt;b&gt;&amp;&quot;c&#39;d");
  EXPECT_EQ(escapeHtml("/plain/path_1.pcm"), "/plain/path_1.pcm");
}

TEST(HtmlText, ExactNumbersReadBackToTheSameDouble) {
  for (double value : {63.98765432101234, 0.1, 1.0 / 3.0, 100.0, 0.0, -12.5, 5e-324, 1.7976931348623157e308}) {
    EXPECT_EQ(std::strtod(exactNumber(value).c_str(), nullptr), value) << exactNumber(value);
  }
  EXPECT_EQ(exactNumber(std::nan("")), "null");
  EXPECT_EQ(exactNumber(std::numeric_limits<double>::infinity()), "null");
}

TEST(HtmlText, NumbersIgnoreTheLocale) {
  // A reader whose locale writes decimal commas still gets points.
  const char* previous = std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::string fixed = fixedNumber(63.987, 2);
  const std::string exact = exactNumber(0.5);
  std::setlocale(LC_ALL, "C");
  if (previous == nullptr) GTEST_SKIP() << "the de_DE.UTF-8 locale is not generated";
  EXPECT_EQ(fixed, "63.99");
  EXPECT_EQ(exact, "0.5");
}

TEST(HtmlText, FixedNumbersNeverShowANegativeZero) {
  EXPECT_EQ(fixedNumber(-0.001, 2), "0.00");
  EXPECT_EQ(fixedNumber(-0.01, 2), "-0.01");
  EXPECT_EQ(fixedNumber(std::nan(""), 2), "n/a");
}

}  // namespace
}  // namespace orvelle::report
