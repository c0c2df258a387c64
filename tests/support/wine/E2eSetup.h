#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace vyn::e2e {

// The product's key, which the program reads at start.
inline constexpr const wchar_t* kProductKey = L"Software\\Tevrin Labs\\Veltrix";
// The product is a 32-bit program: its keys are in the registry's 32-bit view,
// which a 64-bit program sees under Software\Wow6432Node. The registry helpers
// below work in that view unless given KEY_WOW64_64KEY.
inline constexpr REGSAM kProductView = KEY_WOW64_32KEY;
// Where a tax download records its location: settings key + "\File Locations".
inline constexpr const wchar_t* kFileLocationsKey =
    L"Software\\Tevrin Labs\\Veltrix\\File Locations";
inline constexpr const wchar_t* kTaxPathLocal = L"Tax Path Local";
inline constexpr const wchar_t* kSettingsFileName = L"Veltrix Settings.txt";

// UTF-8 and back.
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& text);

// A folder path with a trailing "\", as the program keeps folders.
std::wstring WithBackslash(const std::filesystem::path& folder);

// The ports of the fixture's nginx ("PORT SLOW_PORT" in nginx/ports, then
// any TLS ones: trusted, trusted and throttled, untrusted, for another name).
struct ServerPorts {
  int fast = 0;
  int slow = 0;
  int tls = 0;
  int tlsSlow = 0;
  int tlsUntrusted = 0;
  int tlsWrongName = 0;
};
std::optional<ServerPorts> ReadPorts(const std::filesystem::path& portsFile);

// The product's registry values; an empty optional deletes the value.
struct ProductValues {
  std::wstring cityId;
  std::optional<std::wstring> appData;
  std::optional<std::wstring> installPath;
  std::optional<std::wstring> downloadHost;
};
// Writes them under HKLM; false when the registry refused.
bool WriteProductValues(const ProductValues& values, REGSAM view = kProductView);

// A string value under HKLM and its type; nullopt when key or value is missing.
struct RegistryString {
  DWORD type = REG_NONE;
  std::wstring text;
};
std::optional<RegistryString> ReadMachineString(const std::wstring& key, const std::wstring& name,
                                                REGSAM view = kProductView);
// A value under HKLM, the key made if missing; false when the registry refused.
// REG_MULTI_SZ stores the text as a list of one string.
bool WriteMachineString(const std::wstring& key, const std::wstring& name, const std::wstring& text,
                        DWORD type = REG_SZ);
void DeleteMachineValue(const std::wstring& key, const std::wstring& name);

// Runs Windows' own reg.exe with these arguments; true when it ends with 0.
bool RunReg(const std::wstring& arguments);
// An argument for reg.exe's command line: quoted, a trailing "\" kept as it is.
std::wstring RegArgument(const std::wstring& text);

// The product's settings file, written for a case.
struct SettingsFile {
  std::wstring dataFolder;
  std::wstring filePrefix = L"VYN";
  bool taxDataAvailable = true;
  std::wstring settingsKey = kProductKey;
};
bool WriteSettingsFile(const std::filesystem::path& appDataFolder, const SettingsFile& settings);

// The "key = value" settings of a settings file (keys as written); empty when unreadable.
std::optional<std::wstring> ReadSetting(const std::filesystem::path& settingsFile,
                                        const std::wstring& key);

// Local time as the settings file records it: "YYYY-MM-DD HH:MM:SS".
std::wstring LocalTimestamp();

// Names of the "~re" files in the user's temporary folder.
std::set<std::wstring> TempReFiles();

}  // namespace vyn::e2e
