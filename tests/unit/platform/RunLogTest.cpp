#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeMessageBoxes.h"
#include "FakeRunLog.h"
#include "platform/LoggedMessageBoxes.h"

namespace vyn {
namespace {

using ::testing::ElementsAre;

TEST(RunLogTest, LineIsTheLocalTimeWithMillisecondsThenTheEventOnOneLine) {
  EXPECT_EQ(RunLogLine({2026, 3, 7, 6, 5, 4, 9}, 4711, L"Message \"Connect Error\": a\r\nb\nc"),
            "2026-03-07 06:05:04.009 [4711] Message \"Connect Error\": a / b / c\r\n");
  EXPECT_EQ(RunLogLine({2026, 12, 31, 23, 59, 59, 999}, 4294967295u, L"Tax \u00c4"),
            "2026-12-31 23:59:59.999 [4294967295] Tax \xc3\x84\r\n");
}

TEST(LoggedMessageBoxesTest, ShownBoxesAreLoggedWithTheirAnswer) {
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

}  // namespace
}  // namespace vyn
