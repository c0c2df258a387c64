#include "ProductRegistryKey.h"

#include <stdexcept>

namespace vyn::testing {
namespace {

constexpr wchar_t kProductKey[] = L"Software\\Tevrin Labs\\Veltrix";

}  // namespace

ProductRegistryKey::ProductRegistryKey() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);  // nothing left from an earlier run
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create the product's registry key");
  }
}

ProductRegistryKey::~ProductRegistryKey() {
  RegCloseKey(key_);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
}

void ProductRegistryKey::SetString(const std::wstring& name, const std::wstring& value) {
  RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void ProductRegistryKey::SetNumber(const std::wstring& name, DWORD value) {
  RegSetValueExW(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
}

}  // namespace vyn::testing
