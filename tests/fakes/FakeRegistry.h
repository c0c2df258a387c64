#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "platform/RegistryApi.h"

namespace vyn::fakes {

// An in-memory registry answering like the real one: 0 on success, 2 for a missing
// key or value, 234 when a data buffer is too small (with the size needed), 6 for
// a handle that is not open, 5 for a handle opened without the needed right. Key
// paths and value names are case-insensitive. Helpers take wide strings and store
// them one byte per character (Latin-1); hive defaults to HKEY_LOCAL_MACHINE.
class FakeRegistry : public RegistryApi {
 public:
  struct StoredValue {
    std::uint32_t type = 0;
    std::string bytes;  // raw data
  };

  // Creates the key (and every key above it) and stores the raw bytes.
  void SetValue(const std::wstring& keyPath, const std::wstring& name, std::uint32_t type,
                const std::string& bytes, RegistryHive hive = kHkeyLocalMachine);
  // A REG_SZ value: text and one NUL.
  void SetString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text,
                 RegistryHive hive = kHkeyLocalMachine);
  void AddKey(const std::wstring& keyPath, RegistryHive hive = kHkeyLocalMachine);
  std::optional<StoredValue> Value(const std::wstring& keyPath, const std::wstring& name,
                                   RegistryHive hive = kHkeyLocalMachine) const;
  bool KeyExists(const std::wstring& keyPath, RegistryHive hive = kHkeyLocalMachine) const;
  // Number of values stored in a key (0 when it does not exist).
  std::size_t ValueCount(const std::wstring& keyPath, RegistryHive hive = kHkeyLocalMachine) const;

  // Handles opened or created and not yet closed.
  int OpenHandles() const { return static_cast<int>(open_.size()); }
  int HandlesOpened() const { return handlesOpened_; }
  // RegCloseKey calls on a handle that was not open (double or stray closes).
  int BadCloses() const { return badCloses_; }
  int SetValueCalls() const { return setValueCalls_; }
  // Arguments of the last open and create calls.
  std::uint32_t lastOpenOptions = 0, lastOpenAccess = 0;
  std::uint32_t lastCreateOptions = 0, lastCreateAccess = 0;

  // Failure injection.
  std::optional<std::int32_t> failDataQuery;  // queries with a data buffer (the second query)
  std::optional<std::int32_t> failCreateKey;  // RegCreateKeyExA returns this, creates nothing
  std::optional<std::int32_t> failSetValue;   // RegSetValueExA returns this, writes nothing
  // Runs after a successful size query (no data buffer), e.g. to change the value
  // before the second query.
  std::function<void()> afterSizeQuery;

  // RegistryApi
  std::int32_t RegOpenKeyExA(RegistryHandle key, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, RegistryHandle* result) override;
  std::int32_t RegQueryValueExA(RegistryHandle key, const std::string& valueName,
                                std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) override;
  std::int32_t RegCreateKeyExA(RegistryHandle key, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, RegistryHandle* result,
                               std::uint32_t* disposition) override;
  std::int32_t RegSetValueExA(RegistryHandle key, const std::string& valueName, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) override;
  std::int32_t RegCloseKey(RegistryHandle key) override;

 private:
  // A key: its hive and its lower-case path below it.
  using KeyId = std::pair<RegistryHandle, std::string>;
  struct OpenKey {
    KeyId id;
    std::uint32_t access;
  };

  static std::string Lower(std::string text);
  static KeyId Id(const std::wstring& keyPath, RegistryHive hive);
  // The key that subKey names below an open handle or a hive; nullopt for a bad handle.
  std::optional<KeyId> Resolve(RegistryHandle key, const std::string& subKey) const;
  void Create(const KeyId& id);  // and every key above it
  RegistryHandle Open(const KeyId& id, std::uint32_t access);

  std::set<KeyId> keys_;
  std::map<KeyId, std::map<std::string, StoredValue>> values_;  // names in lower case
  std::map<RegistryHandle, OpenKey> open_;
  RegistryHandle nextHandle_ = 0x1000;
  int handlesOpened_ = 0;
  int badCloses_ = 0;
  int setValueCalls_ = 0;
};

}  // namespace vyn::fakes
