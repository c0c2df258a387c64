#include "components/settings/SettingsValues.h"

#include "components/settings/LocalClock.h"
#include "platform/PathText.h"
#include "platform/ProductKey.h"

namespace vyn {

namespace {

using Setting = SettingsDocument::Setting;

// The prefix becomes part of a file name and of a URL path: only characters
// that are safe in both.
bool IsPrefixCharacter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
         c == L'-' || c == L'_' || c == L'.';
}

bool ParseYesNo(const Setting& setting) {
  static const wchar_t* const kYes[] = {L"Yes", L"True", L"1", L"-1"};
  static const wchar_t* const kNo[] = {L"No", L"False", L"0", L""};
  for (const wchar_t* word : kYes) {
    if (KeysEqual(setting.value, word)) return true;
  }
  for (const wchar_t* word : kNo) {
    if (KeysEqual(setting.value, word)) return false;
  }
  throw SettingsSyntaxError{setting.line, L"\"" + setting.key + L"\" must be Yes or No"};
}

std::wstring ReadTimestamp(const Setting& setting) {
  if (!setting.value.empty() && !ParseDateTime(setting.value)) {
    throw SettingsSyntaxError{setting.line, L"\"" + setting.key +
                                                L"\" must be a date and time like "
                                                L"2026-01-31 17:45:00, or empty"};
  }
  return setting.value;
}

}  // namespace

SettingsValues InterpretSettings(const SettingsDocument& document,
                                 const std::wstring& appDataFolder) {
  namespace keys = settings_keys;
  SettingsValues values;

  values.dataFolder = appDataFolder + L"Data\\";
  if (const Setting* s = document.Find(keys::kDataFolder); s && !s->value.empty()) {
    values.dataFolder = WithTrailingSeparator(s->value);
  }

  values.filePrefix = kDefaultFilePrefix;
  if (const Setting* s = document.Find(keys::kFilePrefix); s && !s->value.empty()) {
    for (wchar_t c : s->value) {
      if (!IsPrefixCharacter(c)) {
        throw SettingsSyntaxError{
            s->line, L"\"" + s->key + L"\" may hold only letters, digits, \"-\", \"_\" and \".\""};
      }
    }
    values.filePrefix = s->value;
  }

  if (const Setting* s = document.Find(keys::kTaxDataAvailable)) {
    values.taxDataAvailable = ParseYesNo(*s);
  }

  values.settingsKey = kProductKey;  // unless the file names another
  if (const Setting* s = document.Find(keys::kSettingsKey)) {
    std::wstring_view key = s->value;
    while (!key.empty() && key.front() == L'\\') key.remove_prefix(1);
    while (!key.empty() && key.back() == L'\\') key.remove_suffix(1);
    if (!key.empty()) values.settingsKey = key;
  }

  if (const Setting* s = document.Find(keys::kTaxDataLocation)) values.taxDataLocation = s->value;
  if (const Setting* s = document.Find(keys::kMlsDataUpdated)) {
    values.mlsDataUpdated = ReadTimestamp(*s);
  }
  if (const Setting* s = document.Find(keys::kTaxDataUpdated)) {
    values.taxDataUpdated = ReadTimestamp(*s);
  }
  return values;
}

}  // namespace vyn
