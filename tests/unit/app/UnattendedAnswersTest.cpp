#include <gtest/gtest.h>

#include "FakeRunLog.h"
#include "app/UnattendedAnswers.h"
#include "platform/Error.h"

namespace vyn {
namespace {

using namespace std::chrono_literals;

TEST(UnattendedAnswersTest, RetryPausesComeFromTheVariableOrTheDefault) {
  const std::vector<std::chrono::milliseconds> standard{60s, 300s};
  EXPECT_EQ(RetryPauses(L""), standard);
  EXPECT_EQ(RetryPauses(L"0,2"), (std::vector<std::chrono::milliseconds>{0s, 2s}));
  EXPECT_EQ(RetryPauses(L" 1 , 1 "), (std::vector<std::chrono::milliseconds>{1s, 1s}));
  for (const wchar_t* bad : {L"1,", L"a", L"-1,2", L"1.5", L"999999999"}) {
    EXPECT_EQ(RetryPauses(bad), standard) << NarrowForDiagnostics(bad);
  }
}

// Three attempts: Yes after each pause in turn, then No; an OK box (the
// failure message), the No or a question from another window starts a new series.
TEST(UnattendedAnswersTest, UnattendedQuestionsAreAnsweredAfterThePausesThenNo) {
  fakes::FakeRunLog log;
  std::vector<std::chrono::milliseconds> waited;
  std::uintptr_t window = 1;
  UnattendedMessageBoxes boxes(
      log, {60s, 300s}, [&](auto pause) { waited.push_back(pause); }, [&] { return window; });
  auto ask = [&] { return boxes.Show(L"Retry?", L"Connect Error", MessageButtons::kYesNo); };

  EXPECT_EQ(ask(), MessageAnswer::kYes);
  EXPECT_EQ(ask(), MessageAnswer::kYes);
  EXPECT_EQ(ask(), MessageAnswer::kNo);
  EXPECT_EQ(ask(), MessageAnswer::kYes);
  EXPECT_EQ(boxes.Show(L"Unable", L"VYNDataLoader", MessageButtons::kOk), MessageAnswer::kOk);
  EXPECT_EQ(ask(), MessageAnswer::kYes);
  window = 2;
  EXPECT_EQ(ask(), MessageAnswer::kYes);

  EXPECT_EQ(waited, (std::vector<std::chrono::milliseconds>{60s, 300s, 60s, 60s, 60s}));
  EXPECT_EQ(log.events.at(1), L"Answered Yes: retrying in 60 s");
  EXPECT_EQ(log.events.at(5), L"Answered No: no retries left");
  EXPECT_EQ(log.Find(L"Unable"), L"Message \"VYNDataLoader\": Unable");
}

}  // namespace
}  // namespace vyn
