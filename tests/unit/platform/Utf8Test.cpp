#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/Error.h"

namespace vyn {
namespace {

// Settings and zip names are decoded strictly; a library's message leniently,
// where a byte that begins no valid sequence keeps its own value.
TEST(Utf8Test, StrictDecodingRefusesWhatLenientDecodingKeepsByteByByte) {
  struct Case {
    const char* bytes;
    std::optional<std::wstring> strict;
    std::wstring lenient;
  } cases[] = {
      {"A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", L"A\u00E9\u20AC\U0001F600",
       L"A\u00E9\u20AC\U0001F600"},
      {"\xE9t\xE9", std::nullopt, L"\u00E9t\u00E9"},                    // ISO 8859-1
      {"\xC0\xAF", std::nullopt, L"\u00C0\u00AF"},                      // overlong "/"
      {"x\xE2\x82", std::nullopt, L"x\u00E2\u0082"},                    // cut off
      {"\xED\xA0\x80", std::nullopt, L"\u00ED\u00A0\u0080"},            // a surrogate
      {"\xF4\x90\x80\x80", std::nullopt, L"\u00F4\u0090\u0080\u0080"},  // beyond U+10FFFF
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeUtf8(c.bytes), c.strict) << c.bytes;
    EXPECT_EQ(WidenFromUtf8(c.bytes), c.lenient) << c.bytes;
  }
}

TEST(Utf8Test, EncodingWritesFourByteFormsAndReplacesALoneSurrogate) {
  EXPECT_EQ(NarrowForDiagnostics(L"A\u00E9\u20AC\U0001F600"),
            "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(EncodeUtf8(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x"), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace vyn
