#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace vyn {
namespace {

// The switches, as a scheduled task would pass them.
struct CommandLineRow {
  std::vector<std::wstring> arguments;
  bool valid, help, refresh, mls, tax;
};

TEST(CommandLineTest, SwitchesAreReadAndAnythingElseIsABadLine) {
  const CommandLineRow rows[] = {
      {{}, true, false, false, false, false},
      {{L"/refresh"}, true, false, true, false, false},
      {{L"-REFRESH", L"/Tax"}, true, false, true, false, true},
      {{L"/refresh", L"/mls", L"/tax"}, true, false, true, true, true},
      {{L"/?"}, true, true, false, false, false},
      {{L"/mls"}, false, false, false, true, false},  // a set chooses nothing without /refresh
      {{L"/refresh", L"/now"}, false, false, true, false, false},
      {{L"refresh"}, false, false, false, false, false},
      {{L"/"}, false, false, false, false, false},
  };
  for (const CommandLineRow& row : rows) {
    const CommandLine line = ParseCommandLine(row.arguments);
    const std::string shown = ::testing::PrintToString(row.arguments);
    EXPECT_EQ(line.valid, row.valid) << shown;
    EXPECT_EQ(line.valid, line.problem.empty()) << shown;
    EXPECT_EQ(line.help, row.help) << shown;
    EXPECT_EQ(line.refresh, row.refresh) << shown;
    EXPECT_EQ(line.mls, row.mls) << shown;
    EXPECT_EQ(line.tax, row.tax) << shown;
  }
}

}  // namespace
}  // namespace vyn
