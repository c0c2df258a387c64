#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include "platform/win32/Win32HandleCast.h"

namespace vyn {

std::int32_t Win32Registry::RegOpenKeyExA(RegistryHandle key, const std::string& subKey,
                                          std::uint32_t options, std::uint32_t access,
                                          RegistryHandle* result) {
  HKEY opened = nullptr;
  const LONG status =
      ::RegOpenKeyExA(HandleCast<HKEY>(key), subKey.c_str(), options, access, &opened);
  if (status == ERROR_SUCCESS) *result = HandleCast<RegistryHandle>(opened);
  return status;
}

std::int32_t Win32Registry::RegQueryValueExA(RegistryHandle key, const std::string& valueName,
                                             std::uint32_t* type, std::uint8_t* data,
                                             std::uint32_t* size) {
  // DWORD is unsigned long, so the in/out values go through locals.
  DWORD typeOut = type != nullptr ? *type : 0;
  DWORD sizeInOut = size != nullptr ? *size : 0;
  const LONG status = ::RegQueryValueExA(HandleCast<HKEY>(key), valueName.c_str(), nullptr,
                                         type != nullptr ? &typeOut : nullptr, data,
                                         size != nullptr ? &sizeInOut : nullptr);
  if (type != nullptr) *type = typeOut;
  if (size != nullptr) *size = sizeInOut;
  return status;
}

std::int32_t Win32Registry::RegCreateKeyExA(RegistryHandle key, const std::string& subKey,
                                            std::uint32_t options, std::uint32_t access,
                                            RegistryHandle* result, std::uint32_t* disposition) {
  HKEY created = nullptr;
  DWORD how = 0;
  const LONG status = ::RegCreateKeyExA(HandleCast<HKEY>(key), subKey.c_str(), 0, nullptr, options,
                                        access, nullptr, &created, &how);
  if (status == ERROR_SUCCESS) *result = HandleCast<RegistryHandle>(created);
  if (disposition != nullptr) *disposition = how;
  return status;
}

std::int32_t Win32Registry::RegSetValueExA(RegistryHandle key, const std::string& valueName,
                                           std::uint32_t type, const std::uint8_t* data,
                                           std::uint32_t size) {
  return ::RegSetValueExA(HandleCast<HKEY>(key), valueName.c_str(), 0, type, data, size);
}

std::int32_t Win32Registry::RegCloseKey(RegistryHandle key) {
  return ::RegCloseKey(HandleCast<HKEY>(key));
}

}  // namespace vyn
