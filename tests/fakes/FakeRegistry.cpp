#include "FakeRegistry.h"

#include <cstring>

#include "Latin1Codec.h"

namespace vyn::fakes {

namespace {

constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::int32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kCreatedNewKey = 1;
constexpr std::uint32_t kOpenedExistingKey = 2;

// HKEY_CLASSES_ROOT (0x80000000) to HKEY_CURRENT_CONFIG (0x80000005).
bool IsHive(RegistryHandle key) {
  return key >= HiveHandle(static_cast<RegistryHive>(0x80000000u)) &&
         key <= HiveHandle(static_cast<RegistryHive>(0x80000005u));
}

std::string Join(const std::string& base, const std::string& subKey) {
  if (base.empty()) return subKey;
  if (subKey.empty()) return base;
  return base + "\\" + subKey;
}

}  // namespace

std::string FakeRegistry::Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

FakeRegistry::KeyId FakeRegistry::Id(const std::wstring& keyPath, RegistryHive hive) {
  return {HiveHandle(hive), Lower(Latin1Codec().ToAnsi(keyPath))};
}

std::optional<FakeRegistry::KeyId> FakeRegistry::Resolve(RegistryHandle key,
                                                         const std::string& subKey) const {
  if (IsHive(key)) return KeyId{key, Lower(subKey)};
  auto it = open_.find(key);
  if (it == open_.end()) return std::nullopt;
  return KeyId{it->second.id.first, Join(it->second.id.second, Lower(subKey))};
}

void FakeRegistry::Create(const KeyId& id) {
  for (std::size_t at = id.second.find('\\'); at != std::string::npos;
       at = id.second.find('\\', at + 1)) {
    keys_.insert({id.first, id.second.substr(0, at)});
  }
  keys_.insert(id);
}

RegistryHandle FakeRegistry::Open(const KeyId& id, std::uint32_t access) {
  RegistryHandle handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = OpenKey{id, access};
  ++handlesOpened_;
  return handle;
}

void FakeRegistry::SetValue(const std::wstring& keyPath, const std::wstring& name,
                            std::uint32_t type, const std::string& bytes, RegistryHive hive) {
  KeyId id = Id(keyPath, hive);
  Create(id);
  values_[id][Lower(Latin1Codec().ToAnsi(name))] = StoredValue{type, bytes};
}

void FakeRegistry::SetString(const std::wstring& keyPath, const std::wstring& name,
                             const std::wstring& text, RegistryHive hive) {
  SetValue(keyPath, name, kRegSz, Latin1Codec().ToAnsi(text) + '\0', hive);
}

void FakeRegistry::AddKey(const std::wstring& keyPath, RegistryHive hive) {
  Create(Id(keyPath, hive));
}

std::optional<FakeRegistry::StoredValue> FakeRegistry::Value(const std::wstring& keyPath,
                                                             const std::wstring& name,
                                                             RegistryHive hive) const {
  auto key = values_.find(Id(keyPath, hive));
  if (key == values_.end()) return std::nullopt;
  auto value = key->second.find(Lower(Latin1Codec().ToAnsi(name)));
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

bool FakeRegistry::KeyExists(const std::wstring& keyPath, RegistryHive hive) const {
  KeyId id = Id(keyPath, hive);
  return id.second.empty() || keys_.count(id) > 0;
}

std::size_t FakeRegistry::ValueCount(const std::wstring& keyPath, RegistryHive hive) const {
  auto key = values_.find(Id(keyPath, hive));
  return key == values_.end() ? 0 : key->second.size();
}

std::int32_t FakeRegistry::RegOpenKeyExA(RegistryHandle key, const std::string& subKey,
                                         std::uint32_t options, std::uint32_t access,
                                         RegistryHandle* result) {
  lastOpenOptions = options;
  lastOpenAccess = access;
  auto id = Resolve(key, subKey);
  if (!id) return kErrorInvalidHandle;
  if (!id->second.empty() && keys_.count(*id) == 0) return kErrorFileNotFound;
  *result = Open(*id, access);
  return kErrorSuccess;
}

std::int32_t FakeRegistry::RegQueryValueExA(RegistryHandle key, const std::string& valueName,
                                            std::uint32_t* type, std::uint8_t* data,
                                            std::uint32_t* size) {
  auto handle = open_.find(key);
  if (handle == open_.end()) return kErrorInvalidHandle;
  if ((handle->second.access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  auto values = values_.find(handle->second.id);
  if (values == values_.end()) return kErrorFileNotFound;
  auto value = values->second.find(Lower(valueName));
  if (value == values->second.end()) return kErrorFileNotFound;
  const StoredValue stored = value->second;
  if (data != nullptr && failDataQuery) return *failDataQuery;
  if (type != nullptr) *type = stored.type;
  const auto needed = static_cast<std::uint32_t>(stored.bytes.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    if (afterSizeQuery) afterSizeQuery();
    return kErrorSuccess;
  }
  if (size == nullptr) return kErrorInvalidParameter;
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (needed > 0) std::memcpy(data, stored.bytes.data(), needed);
  *size = needed;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::RegCreateKeyExA(RegistryHandle key, const std::string& subKey,
                                           std::uint32_t options, std::uint32_t access,
                                           RegistryHandle* result, std::uint32_t* disposition) {
  lastCreateOptions = options;
  lastCreateAccess = access;
  auto id = Resolve(key, subKey);
  if (!id) return kErrorInvalidHandle;
  if (failCreateKey) return *failCreateKey;
  const bool existed = id->second.empty() || keys_.count(*id) > 0;
  Create(*id);
  *result = Open(*id, access);
  if (disposition != nullptr) *disposition = existed ? kOpenedExistingKey : kCreatedNewKey;
  return kErrorSuccess;
}

std::int32_t FakeRegistry::RegSetValueExA(RegistryHandle key, const std::string& valueName,
                                          std::uint32_t type, const std::uint8_t* data,
                                          std::uint32_t size) {
  ++setValueCalls_;
  auto handle = open_.find(key);
  if (handle == open_.end()) return kErrorInvalidHandle;
  if ((handle->second.access & kKeySetValue) == 0) return kErrorAccessDenied;
  if (data == nullptr && size > 0) return kErrorInvalidParameter;
  if (failSetValue) return *failSetValue;
  std::string bytes = size > 0 ? std::string(reinterpret_cast<const char*>(data), size) : "";
  values_[handle->second.id][Lower(valueName)] = StoredValue{type, std::move(bytes)};
  return kErrorSuccess;
}

std::int32_t FakeRegistry::RegCloseKey(RegistryHandle key) {
  if (open_.erase(key) == 0) {
    ++badCloses_;
    return kErrorInvalidHandle;
  }
  return kErrorSuccess;
}

}  // namespace vyn::fakes
