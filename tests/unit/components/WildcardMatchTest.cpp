#include "components/unpack/WildcardMatch.h"

#include <gtest/gtest.h>

namespace vyn {
namespace {

TEST(WildcardMatchTest, StarDotStarMatchesEveryName) {
  for (const wchar_t* name : {L"a.txt", L"README", L".hidden", L"two.dots.here", L"x"}) {
    EXPECT_TRUE(WildcardMatch(L"*.*", name)) << name;
    EXPECT_TRUE(WildcardMatch(L"*", name)) << name;
  }
}

TEST(WildcardMatchTest, QuestionMarkTakesExactlyOneCharacter) {
  EXPECT_TRUE(WildcardMatch(L"data?.txt", L"data1.txt"));
  EXPECT_FALSE(WildcardMatch(L"data?.txt", L"data.txt"));
  EXPECT_FALSE(WildcardMatch(L"data?.txt", L"data12.txt"));
}

TEST(WildcardMatchTest, LettersMatchWithoutRegardToCase) {
  EXPECT_TRUE(WildcardMatch(L"*.TXT", L"notes.txt"));
  EXPECT_TRUE(WildcardMatch(L"caf\u00C9*", L"caf\u00E9.dat"));
  EXPECT_FALSE(WildcardMatch(L"*.txt", L"notes.txt.bak"));
}

TEST(WildcardMatchTest, ExtensionMasks) {
  EXPECT_TRUE(WildcardMatch(L"prices.*", L"prices"));
  EXPECT_TRUE(WildcardMatch(L"*.", L"README"));
  EXPECT_FALSE(WildcardMatch(L"*.", L"a.txt"));
  EXPECT_FALSE(WildcardMatch(L"*.zip", L"zip"));
}

TEST(WildcardMatchTest, ManyStarsStayFast) {
  const std::wstring mask = L"*a*a*a*a*a*a*a*a*a*a*a*a*b";
  const std::wstring name(5000, L'a');

  EXPECT_FALSE(WildcardMatch(mask, name));
}

}  // namespace
}  // namespace vyn
