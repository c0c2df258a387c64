#include <gtest/gtest.h>

#include "FakeMessageBoxes.h"
#include "support/TrimNulls.h"

namespace vyn {
namespace {

using detail::TrimNulls;

std::wstring NulAt(std::size_t index) {
  std::wstring text(40000, L'x');
  text[index] = L'\0';
  return text;
}

// Text is cut at its first NUL, as far as a 16-bit position reaches; beyond it
// the cut is reported and gives empty text.
TEST(TrimNullsTest, TextIsCutAtItsFirstNulWithin16BitPositions) {
  struct Row {
    const char* name;
    std::wstring text;
    std::wstring trimmed;
    const wchar_t* message;
  };
  const Row rows[] = {
      {"embedded", std::wstring(L"abc\0def", 7), L"abc", nullptr},
      {"leading", std::wstring(L"\0abc", 4), L"", nullptr},
      {"none", L"abc", L"abc", nullptr},
      {"empty", L"", L"", nullptr},
      {"at position 32767", NulAt(32766), std::wstring(32766, L'x'), nullptr},
      {"at position 32768", NulAt(32767), L"", L"Error: 6. Overflow"},
      {"none in long text", std::wstring(40000, L'x'), std::wstring(40000, L'x'), nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fakes::FakeMessageBoxes boxes;
    EXPECT_EQ(TrimNulls(row.text, boxes), row.trimmed);
    if (!row.message) {
      EXPECT_TRUE(boxes.Shown().empty());
      continue;
    }
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, row.message);
    EXPECT_EQ(boxes.Shown()[0].title, L"TrimNulls");
  }
}

}  // namespace
}  // namespace vyn
