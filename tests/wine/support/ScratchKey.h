#pragma once

#include <windows.h>

#include <string>

#include "platform/RegistryApi.h"

namespace vyn::winetest {

constexpr RegistryHive kHkeyCurrentUser = static_cast<RegistryHive>(0x80000001u);

// A test-only key under HKEY_CURRENT_USER, unique to the process, deleted with
// everything below it when the test ends.
class ScratchKey {
 public:
  ScratchKey()
      : path_("Software\\VYNDataLoader Tests\\support-" + std::to_string(GetCurrentProcessId())) {
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  }
  ~ScratchKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VYNDataLoader Tests");  // only when empty
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const std::string& Path() const { return path_; }
  std::wstring WidePath() const { return std::wstring(path_.begin(), path_.end()); }

  // Stores raw bytes with the registry's own call, creating the key.
  LONG SetRaw(const char* name, DWORD type, const std::string& bytes) const {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status;
  }

  // Raw bytes and type of a value; false when the key or value is missing.
  bool GetRaw(const char* name, DWORD* type, std::string* bytes) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, &key) != 0) {
      return false;
    }
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
      bytes->assign(size, '\0');
      status =
          RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(bytes->data()), &size);
      bytes->resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  bool Exists() const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, &key) != 0) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }

  DWORD ValueCount() const {
    HKEY key = nullptr;
    DWORD values = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, &key) != 0) return 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return values;
  }

 private:
  std::string path_;
};

}  // namespace vyn::winetest
