#include <gtest/gtest.h>

#include "FakeMessageBoxes.h"
#include "support/TrimNulls.h"

namespace vyn {
namespace {

using detail::TrimNulls;

TEST(TrimNullsTest, TextIsCutAtItsFirstNul) {
  fakes::FakeMessageBoxes boxes;

  EXPECT_EQ(TrimNulls(std::wstring(L"abc\0def", 7), boxes), L"abc");
  EXPECT_EQ(TrimNulls(std::wstring(L"\0abc", 4), boxes), L"");
  EXPECT_EQ(TrimNulls(L"abc", boxes), L"abc");
  EXPECT_EQ(TrimNulls(L"", boxes), L"");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(TrimNullsTest, FirstNulAtTheLargest16BitPositionIsStillCut) {
  fakes::FakeMessageBoxes boxes;
  std::wstring text(40000, L'x');
  text[32766] = L'\0';  // position 32767

  EXPECT_EQ(TrimNulls(text, boxes), std::wstring(32766, L'x'));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(TrimNullsTest, FirstNulBeyond16BitPositionsIsReportedAndGivesEmpty) {
  fakes::FakeMessageBoxes boxes;
  std::wstring text(40000, L'x');
  text[32767] = L'\0';  // position 32768

  const std::wstring trimmed = TrimNulls(text, boxes);

  EXPECT_EQ(trimmed, L"");
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, L"Error: 6. Overflow");
  EXPECT_EQ(boxes.Shown()[0].title, L"TrimNulls");
}

TEST(TrimNullsTest, LongTextWithoutNulIsUnchanged) {
  fakes::FakeMessageBoxes boxes;
  const std::wstring text(40000, L'x');

  EXPECT_EQ(TrimNulls(text, boxes), text);
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace vyn
