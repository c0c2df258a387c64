#include "ProductRegistryKey.h"

#include <stdexcept>

namespace vyn::test {
namespace {

constexpr wchar_t kVendorKey[] = L"Software\\Tevrin Labs";
constexpr wchar_t kProductKey[] = L"Software\\Tevrin Labs\\Veltrix";

// The product's key with everything below it, in the product's (32-bit) view.
void DeleteProductKey() {
  HKEY vendor = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &vendor) ==
      ERROR_SUCCESS) {
    RegDeleteTreeW(vendor, L"Veltrix");
    RegCloseKey(vendor);
  }
}

}  // namespace

ProductRegistryKey::ProductRegistryKey() {
  DeleteProductKey();  // nothing left from an earlier run
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0,
                      KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create the product's registry key");
  }
}

ProductRegistryKey::~ProductRegistryKey() {
  RegCloseKey(key_);
  DeleteProductKey();
}

void ProductRegistryKey::SetString(const std::wstring& name, const std::wstring& value) {
  RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void ProductRegistryKey::SetNumber(const std::wstring& name, DWORD value) {
  RegSetValueExW(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                 sizeof value);
}

}  // namespace vyn::test
