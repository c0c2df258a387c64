#include "components/settings/SettingsDocument.h"

#include <map>
#include <utility>

#include "platform/FileNameCase.h"
#include "platform/Utf8.h"

namespace vyn {

namespace {

std::wstring_view Trim(std::wstring_view text) {
  const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool KeysEqual(std::wstring_view a, std::wstring_view b) {
  return SameFileName(a, b);
}

SettingsDocument SettingsDocument::Parse(std::string_view utf8) {
  SettingsDocument document;
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") {
    utf8.remove_prefix(3);
    document.byteOrderMark_ = true;
  }
  int number = 0;
  std::map<std::wstring, int> seen;  // upper-case key -> its line
  while (!utf8.empty()) {
    ++number;
    const std::size_t end = utf8.find('\n');
    const std::string whole(utf8.substr(0, end == std::string_view::npos ? utf8.size() : end + 1));
    std::string_view raw = utf8.substr(0, end);
    utf8.remove_prefix(whole.size());
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    const auto decoded = DecodeUtf8(raw);
    if (!decoded) throw SettingsSyntaxError{number, L"the text is not valid UTF-8"};
    for (wchar_t c : *decoded) {
      // A byte-order mark belongs only at the very start of the file.
      if ((c < 0x20 && c != L'\t') || c == 0x7F || c == 0xFEFF) {
        throw SettingsSyntaxError{number, L"the line holds a control character"};
      }
    }
    const std::wstring_view text = Trim(*decoded);
    if (text.empty() || text.front() == L'#') {
      Line comment;
      comment.isSetting = false;
      comment.text = *decoded;
      comment.raw = whole;
      document.lines_.push_back(std::move(comment));
      continue;
    }
    const std::size_t equals = text.find(L'=');
    if (equals == std::wstring_view::npos) {
      throw SettingsSyntaxError{number, L"expected \"key = value\" or a \"#\" comment"};
    }
    const std::wstring key(Trim(text.substr(0, equals)));
    if (key.empty()) throw SettingsSyntaxError{number, L"the line has no key before \"=\""};
    const auto [earlier, isNew] = seen.emplace(UpcaseFileName(key), number);
    if (!isNew) {
      throw SettingsSyntaxError{
          number, L"\"" + key + L"\" is already given on line " + std::to_wstring(earlier->second)};
    }
    document.lines_.push_back(
        {true, std::wstring(), {key, std::wstring(Trim(text.substr(equals + 1))), number}, whole});
  }
  return document;
}

const SettingsDocument::Setting* SettingsDocument::Find(std::wstring_view key) const {
  for (const auto& line : lines_) {
    if (line.isSetting && KeysEqual(line.setting.key, key)) return &line.setting;
  }
  return nullptr;
}

void SettingsDocument::Set(std::wstring_view key, std::wstring value) {
  for (auto& line : lines_) {
    if (line.isSetting && KeysEqual(line.setting.key, key)) {
      line.setting.value = std::move(value);
      line.raw.clear();
      return;
    }
  }
  lines_.push_back({true, std::wstring(), {std::wstring(key), std::move(value), 0}, {}});
}

std::string SettingsDocument::Serialize() const {
  std::string bytes = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
  const std::size_t start = bytes.size();
  for (const auto& line : lines_) {
    if (!line.raw.empty()) {
      bytes += line.raw;
      continue;
    }
    // A last line read without its line end gets one before a line that follows.
    if (bytes.size() > start && bytes.back() != '\n') bytes += "\r\n";
    bytes +=
        EncodeUtf8(line.isSetting ? line.setting.key + L" = " + line.setting.value : line.text);
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace vyn
