#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <vector>

#include "platform/FileInUse.h"
#include "platform/TransientRetry.h"

namespace vyn::test {
namespace {

using std::chrono::milliseconds;

struct RetryCase {
  const char* what;
  int refusals;  // tries refused before the next one gives `then`
  StepOutcome then;
  std::vector<int> pauses;  // milliseconds, in order
  StepOutcome result;
};

const RetryCase kRetryCases[] = {
    {"done at once", 0, StepOutcome::kDone, {}, StepOutcome::kDone},
    {"failed for good at once", 0, StepOutcome::kFailed, {}, StepOutcome::kFailed},
    {"refused twice, then done", 2, StepOutcome::kDone, {25, 50}, StepOutcome::kDone},
    {"refused, then failed for good", 1, StepOutcome::kFailed, {25}, StepOutcome::kFailed},
    {"done after the last pause, cut to the budget",
     7,
     StepOutcome::kDone,
     {25, 50, 100, 200, 400, 800, 1425},
     StepOutcome::kDone},
    {"still refused when the budget is spent",
     1000,
     StepOutcome::kDone,
     {25, 50, 100, 200, 400, 800, 1425},
     StepOutcome::kRefused},
};

TEST(TransientRetryTest, PausesGrowAndAddUpToTheBudgetAtMost) {
  for (const RetryCase& row : kRetryCases) {
    int tries = 0;
    std::vector<int> pauses;
    const StepOutcome result = RetryWhileRefused(
        [&] { return ++tries <= row.refusals ? StepOutcome::kRefused : row.then; },
        [&](milliseconds pause) { pauses.push_back(static_cast<int>(pause.count())); });

    EXPECT_EQ(result, row.result) << row.what;
    EXPECT_EQ(pauses, row.pauses) << row.what;
    EXPECT_EQ(tries, static_cast<int>(pauses.size()) + 1) << row.what << ": a try after each pause";
    EXPECT_LE(std::accumulate(pauses.begin(), pauses.end(), 0), kRetryBudget.count()) << row.what;
  }
}

TEST(FileInUseErrorTest, NamesTheFileAndEveryProgramHoldingIt) {
  const std::wstring file = L"\"listings.csv\" in the data folder";
  const FileHolder product{L"VYN Veltrix", L"VYN Veltrix.exe"};
  const FileHolder viewer{L"Viewer", L""};
  const FileHolder unnamed{L"", L"scan.exe"};

  EXPECT_EQ(FileInUseError("listings.csv", {}).Sentence(file),
            L"\"listings.csv\" in the data folder is in use by another program. Close it and "
            L"press Download again.");
  EXPECT_EQ(FileInUseError("listings.csv", {product}).Sentence(file),
            L"\"listings.csv\" in the data folder is in use by VYN Veltrix (VYN Veltrix.exe). "
            L"Close it and press Download again.");
  EXPECT_EQ(FileInUseError("listings.csv", {product, viewer, unnamed}).Sentence(L"\"x\""),
            L"\"x\" is in use by VYN Veltrix (VYN Veltrix.exe), Viewer and scan.exe. Close it "
            L"and press Download again.");
  // Code that knows only std::system_error still sees a permission failure.
  EXPECT_EQ(FileInUseError("x", {}).code(), std::errc::permission_denied);
}

}  // namespace
}  // namespace vyn::test
