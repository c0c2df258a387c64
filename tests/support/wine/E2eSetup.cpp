#include "E2eSetup.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "ChildProcess.h"
#include "platform/Utf8.h"

namespace vyn::e2e {
namespace {

std::wstring Trim(const std::wstring& text) {
  const wchar_t* blanks = L" \t\r\n";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Closes a registry key on every path.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool SetOrDelete(HKEY key, const wchar_t* name, const std::optional<std::wstring>& value,
                 DWORD type = REG_SZ) {
  if (!value) {
    LONG rc = RegDeleteValueW(key, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }
  std::wstring data = *value + L'\0';
  if (type == REG_MULTI_SZ) data += L'\0';
  DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), bytes) ==
         ERROR_SUCCESS;
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  return EncodeUtf8(text);
}

std::wstring Wide(const std::string& text) {
  return DecodeUtf8Leniently(text);
}

std::wstring WithBackslash(const std::filesystem::path& folder) {
  std::wstring text = folder.wstring();
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  if (text.empty() || text.back() != L'\\') text += L'\\';
  return text;
}

std::optional<ServerPorts> ReadPorts(const std::filesystem::path& portsFile) {
  std::ifstream in(portsFile);
  ServerPorts ports;
  if (!(in >> ports.fast >> ports.slow) || ports.fast <= 0 || ports.slow <= 0) return std::nullopt;
  in >> ports.tls >> ports.tlsSlow >> ports.tlsUntrusted >> ports.tlsWrongName;
  return ports;
}

bool WriteProductValues(const ProductValues& values, REGSAM view) {
  Key key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                      nullptr, key.Out(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return SetOrDelete(key.Get(), L"Current City Id", values.cityId) &&
         SetOrDelete(key.Get(), L"AppData", values.appData) &&
         SetOrDelete(key.Get(), L"Install Path", values.installPath) &&
         SetOrDelete(key.Get(), L"Download Host", values.downloadHost);
}

std::optional<RegistryString> ReadMachineString(const std::wstring& keyPath,
                                                const std::wstring& name, REGSAM view) {
  Key key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | view, key.Out()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegistryString value;
  value.type = type;
  value.text.assign(buffer.data());
  return value;
}

bool WriteMachineString(const std::wstring& keyPath, const std::wstring& name,
                        const std::wstring& text, DWORD type) {
  Key key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS | kProductView, nullptr, key.Out(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return SetOrDelete(key.Get(), name.c_str(), text, type);
}

// From both views, so that a value an earlier run left in either cannot pass for this run's.
void DeleteMachineValue(const std::wstring& keyPath, const std::wstring& name) {
  for (REGSAM view : {kProductView, static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
    Key key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE | view, key.Out()) ==
        ERROR_SUCCESS) {
      RegDeleteValueW(key.Get(), name.c_str());
    }
  }
}

bool RunReg(const std::wstring& arguments) {
  try {
    auto reg = driver::ChildProcess::Launch(L"reg.exe " + arguments);
    auto code = reg.WaitForExit(30000);
    return code && *code == 0;
  } catch (const std::exception&) {
    return false;
  }
}

std::wstring RegArgument(const std::wstring& text) {
  // Before a closing quote, backslashes count double.
  const std::size_t last = text.find_last_not_of(L'\\');
  const std::size_t trailing = last == std::wstring::npos ? text.size() : text.size() - last - 1;
  return L"\"" + text + std::wstring(trailing, L'\\') + L"\"";
}

bool WriteSettingsFile(const std::filesystem::path& appDataFolder, const SettingsFile& settings) {
  std::wostringstream text;
  text << L"# Written by the end-to-end test.\r\n"
       << L"DataFolder = " << settings.dataFolder << L"\r\n"
       << L"FilePrefix = " << settings.filePrefix << L"\r\n"
       << L"TaxDataAvailable = " << (settings.taxDataAvailable ? L"Yes" : L"No") << L"\r\n"
       << L"SettingsKey = " << settings.settingsKey << L"\r\n";
  std::ofstream out(appDataFolder / kSettingsFileName, std::ios::binary | std::ios::trunc);
  out << Utf8(text.str());
  return static_cast<bool>(out.flush());
}

std::optional<std::wstring> ReadSetting(const std::filesystem::path& settingsFile,
                                        const std::wstring& key) {
  std::ifstream in(settingsFile, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::wstring wide = Wide(line);
    std::size_t equals = wide.find(L'=');
    if (equals == std::wstring::npos || Trim(wide).rfind(L"#", 0) == 0) continue;
    if (_wcsicmp(Trim(wide.substr(0, equals)).c_str(), key.c_str()) == 0) {
      return Trim(wide.substr(equals + 1));
    }
  }
  return std::nullopt;
}

std::wstring LocalTimestamp() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  return text;
}

std::set<std::wstring> TempReFiles() {
  wchar_t folder[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  std::set<std::wstring> names;
  if (length == 0 || length > MAX_PATH) return names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::wstring name = entry.path().filename().wstring();
    if (_wcsnicmp(name.c_str(), L"~re", 3) == 0) names.insert(name);
  }
  return names;
}

}  // namespace vyn::e2e
