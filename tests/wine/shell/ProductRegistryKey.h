#pragma once

#include <windows.h>

#include <string>

namespace vyn::test {

// The product's key under HKEY_LOCAL_MACHINE in the run's Wine prefix, in the
// registry's 32-bit view where the product keeps it, written for one test and
// deleted afterwards.
class ProductRegistryKey {
 public:
  ProductRegistryKey();
  ~ProductRegistryKey();
  ProductRegistryKey(const ProductRegistryKey&) = delete;
  ProductRegistryKey& operator=(const ProductRegistryKey&) = delete;

  void SetString(const std::wstring& name, const std::wstring& value);
  void SetNumber(const std::wstring& name, DWORD value);

 private:
  HKEY key_ = nullptr;
};

}  // namespace vyn::test
