#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeMessageBoxes.h"
#include "FakeRunLog.h"
#include "platform/Error.h"
#include "platform/LoggedMessageBoxes.h"

namespace vyn {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

TEST(RunLogTest, LineIsTheLocalTimeWithMillisecondsThenTheEventOnOneLine) {
  EXPECT_EQ(RunLogLine({2026, 3, 7, 6, 5, 4, 9}, L"Message \"Connect Error\": a\r\nb\nc"),
            "2026-03-07 06:05:04.009 Message \"Connect Error\": a / b / c\r\n");
  EXPECT_EQ(RunLogLine({2026, 12, 31, 23, 59, 59, 999}, L"Tax \u00c4"),
            "2026-12-31 23:59:59.999 Tax \xc3\x84\r\n");
}

TEST(RunLogTest, RetryPausesComeFromTheVariableOrTheDefault) {
  const std::vector<std::chrono::milliseconds> standard{60s, 300s};
  EXPECT_EQ(RetryPauses(L""), standard);
  EXPECT_EQ(RetryPauses(L"0,2"), (std::vector<std::chrono::milliseconds>{0s, 2s}));
  EXPECT_EQ(RetryPauses(L" 1 , 1 "), (std::vector<std::chrono::milliseconds>{1s, 1s}));
  for (const wchar_t* bad : {L"1,", L"a", L"-1,2", L"1.5", L"999999999"}) {
    EXPECT_EQ(RetryPauses(bad), standard) << NarrowForDiagnostics(bad);
  }
}

TEST(RunLogTest, ShownBoxesAreLoggedWithTheirAnswer) {
  fakes::FakeRunLog log;
  fakes::FakeMessageBoxes shown;
  shown.ScriptAnswer(MessageAnswer::kNo);
  LoggedMessageBoxes boxes(shown, log);

  boxes.Show(L"Download Complete", L"VYNDataLoader", MessageButtons::kOk);
  EXPECT_EQ(boxes.Show(L"Retry?", L"Connect Error", MessageButtons::kYesNo), MessageAnswer::kNo);

  EXPECT_EQ(shown.Texts(), (std::vector<std::wstring>{L"Download Complete", L"Retry?"}));
  EXPECT_THAT(log.events, ElementsAre(L"Message \"VYNDataLoader\": Download Complete",
                                      L"Message \"Connect Error\": Retry?", L"Answered No"));
}

// Three attempts: Yes after each pause in turn, then No; an OK box (the
// failure message), the No or a question from another window starts a new series.
TEST(RunLogTest, UnattendedQuestionsAreAnsweredAfterThePausesThenNo) {
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
