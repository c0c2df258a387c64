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

// In a scope, a step refused for the whole budget leaves the later steps one try
// each; a brief refusal spends nothing; outside the scope every step has its budget.
TEST(TransientRetryTest, ScopeSpendsTheBudgetOnceForStepsRefusedForGood) {
  int pauses = 0;
  const auto count = [&](milliseconds) { ++pauses; };
  const auto refusedForGood = [] { return StepOutcome::kRefused; };
  {
    const RetryBudgetScope scope;
    int tries = 0;
    RetryWhileRefused([&] { return ++tries < 3 ? StepOutcome::kRefused : StepOutcome::kDone; },
                      count);
    EXPECT_FALSE(scope.Spent());
    EXPECT_EQ(RetryWhileRefused(refusedForGood, count), StepOutcome::kRefused);
    EXPECT_TRUE(scope.Spent());
    const int spent = pauses;
    for (int file = 0; file < 5; ++file) RetryWhileRefused(refusedForGood, count);
    EXPECT_EQ(pauses, spent) << "no pause once the budget is spent";
  }
  const int before = pauses;
  RetryWhileRefused(refusedForGood, count);
  EXPECT_EQ(pauses - before, 7) << "a new budget outside the scope";
}

// The program's own bookkeeping (its log, its lock file) is tried again after
// even pauses within its own short budget, and never spends a scope's.
TEST(TransientRetryTest, BriefRetriesPauseEvenlyWithinTheirBudgetAndLeaveTheScopeAlone) {
  const RetryBudgetScope scope;
  std::vector<int> pauses;
  const auto record = [&](milliseconds pause) {
    pauses.push_back(static_cast<int>(pause.count()));
  };
  const auto refused = [] { return StepOutcome::kRefused; };

  EXPECT_EQ(RetryBriefly(refused, milliseconds(70), milliseconds(25), record),
            StepOutcome::kRefused);
  EXPECT_EQ(pauses, (std::vector<int>{25, 25, 20}));
  pauses.clear();
  EXPECT_EQ(RetryBriefly(refused, milliseconds(0), milliseconds(25), record),
            StepOutcome::kRefused);
  EXPECT_TRUE(pauses.empty()) << "a budget of 0 is one try";
  int tries = 0;
  EXPECT_EQ(RetryBriefly([&] { return ++tries < 2 ? StepOutcome::kRefused : StepOutcome::kFailed; },
                         milliseconds(500), milliseconds(25), record),
            StepOutcome::kFailed);
  EXPECT_EQ(tries, 2);
  EXPECT_FALSE(scope.Spent());
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
