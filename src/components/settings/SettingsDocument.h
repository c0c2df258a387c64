#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vyn {

// A syntax or value problem at one line of a settings file (line 0: the file as a whole).
struct SettingsSyntaxError {
  int line;
  std::wstring problem;
};

// The lines of a settings file: "key = value" settings, "#" comments and blank
// lines. A rewrite keeps every line it did not change byte for byte (its spacing,
// its line end, the byte-order mark); keys compare as file names do.
class SettingsDocument {
 public:
  struct Setting {
    std::wstring key;
    std::wstring value;
    int line;  // 0 for a setting added since the file was read
  };

  // UTF-8 text (an optional byte-order mark, LF or CRLF line ends). Throws
  // SettingsSyntaxError for invalid UTF-8, control characters, a line that is
  // not a comment and has no "=", an empty key, or a key given twice.
  static SettingsDocument Parse(std::string_view utf8);

  // nullptr when the key is absent.
  const Setting* Find(std::wstring_view key) const;
  // Changes the value in place, or appends the setting. The value must hold no line break.
  void Set(std::wstring_view key, std::wstring value);
  // UTF-8 text: the lines as read, changed and added ones as "key = value" with CRLF.
  std::string Serialize() const;

 private:
  struct Line {
    bool isSetting;
    std::wstring text;  // comment or blank line as read
    Setting setting;
    std::string raw;  // the bytes as read, line end included; empty once changed
  };
  std::vector<Line> lines_;
  bool byteOrderMark_ = false;
};

bool KeysEqual(std::wstring_view a, std::wstring_view b);

}  // namespace vyn
