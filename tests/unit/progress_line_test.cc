// The progress line of the packing phase: numbers right-aligned in fields of
// at least four, the entry name as it stands, nine trailing spaces.
#include <gtest/gtest.h>

#include <string>

#include "driver/packing_phase.h"

namespace {

struct ProgressCase {
  int number;
  int total;
  std::string name;
  std::string line;
};

void PrintTo(const ProgressCase& c, std::ostream* out) {
  *out << c.number << " of " << c.total << " " << testing::PrintToString(c.name);
}

class ProgressLineTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressLineTest, IsExact) {
  const ProgressCase& c = GetParam();
  EXPECT_EQ(progressLine(c.number, c.total, c.name), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressLineTest,
    ::testing::Values(
        ProgressCase{3, 3, "c.dat", "Packing file    3 of    3 (c.dat)         "},
        ProgressCase{1, 12, "a", "Packing file    1 of   12 (a)         "},
        ProgressCase{1234, 9999, "x.dat", "Packing file 1234 of 9999 (x.dat)         "},
        ProgressCase{9999, 10000, "x.dat", "Packing file 9999 of 10000 (x.dat)         "},
        ProgressCase{12345, 99999, "x.dat", "Packing file 12345 of 99999 (x.dat)         "},
        ProgressCase{7, 8, " two  spaces ", "Packing file    7 of    8 ( two  spaces )         "},
        ProgressCase{2, 2, "%d %s (x)", "Packing file    2 of    2 (%d %s (x))         "}));

}  // namespace
