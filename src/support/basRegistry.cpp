#include "support/basRegistry.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/CutAtNul.h"
#include "platform/Error.h"
#include "support/RegistryKey.h"
#include "support/SupportErrorBox.h"

namespace vyn::basRegistry {

namespace {

// The platform's code with the system's wording for the usual refusals.
Error RegistryWriteFailure(std::int32_t code) {
  switch (code) {
    case kErrorAccessDenied:
      return Error(code, L"Access is denied.");
    case kErrorInvalidHandle:
      return Error(code, L"The handle is invalid.");
    case kErrorCantWrite:
      return Error(code, L"The configuration registry key could not be written.");
    default:
      return Error(code, L"The registry refused the change.");
  }
}

// The product is a 32-bit program: on 64-bit Windows its keys live in the 32-bit
// view, and a 64-bit build of this program must read and write them there too.
constexpr std::uint32_t kReadAccess = kKeyQueryValue | kKeyWow64_32Key;
// KEY_QUERY_VALUE, KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_ENUMERATE_SUB_KEYS,
// KEY_NOTIFY and KEY_CREATE_LINK, without the standard rights.
constexpr std::uint32_t kCreateAccess = 0x3F | kKeyWow64_32Key;
constexpr std::uint32_t kNonVolatile = 0;

// Bytes as the platform's data pointer.
std::uint8_t* Data(std::string& bytes) {
  return reinterpret_cast<std::uint8_t*>(bytes.data());
}

// Replaces every %NAME% by the environment variable NAME. A lone "%" stays, an unset
// variable disappears with its signs, and an inserted value is not searched again.
std::wstring ExpandEnvironment(std::wstring text, Environment& environment) {
  std::size_t p1 = text.find(L'%');
  while (p1 != std::wstring::npos) {
    const std::size_t p2 = text.find(L'%', p1 + 1);
    if (p2 == std::wstring::npos) break;
    const std::wstring token = text.substr(p1, p2 - p1 + 1);
    const std::wstring name = token.substr(1, token.size() - 2);
    // "%%" names nothing, so it gives the empty string without asking.
    const std::wstring value = name.empty() ? std::wstring() : environment.Variable(name);
    // Every occurrence in the whole text, the ones before p1 included.
    std::wstring replaced;
    std::size_t from = 0;
    for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, from)) {
      replaced.append(text, from, at - from).append(value);
      from = at + token.size();
    }
    replaced.append(text, from, std::wstring::npos);
    text = std::move(replaced);
    p1 = text.find(L'%', p1 + value.size());
  }
  return text;
}

std::vector<std::wstring> SplitAtNul(const std::wstring& text) {
  std::vector<std::wstring> pieces;
  if (text.empty()) return pieces;  // no elements, not one empty element
  std::size_t from = 0;
  for (std::size_t at = text.find(L'\0'); at != std::wstring::npos; at = text.find(L'\0', from)) {
    pieces.push_back(text.substr(from, at - from));
    from = at + 1;
  }
  pieces.push_back(text.substr(from));
  return pieces;
}

// The read by type, after the size query gave type and size n.
RegistryValue ReadByType(const RegistryServices& s, const RegistryKey& key, const std::string& name,
                         std::uint32_t type, std::uint32_t n) {
  // The second query: same handle, name and type variable; size in and out.
  auto query = [&](std::uint8_t* data, std::uint32_t* size) {
    return s.registry.RegQueryValueExA(key.Handle(), name, &type, data, size) == kErrorSuccess;
  };
  switch (type) {
    case kRegSz:
    case kRegExpandSz: {
      if (n == 0) return RegistryValue::String(std::wstring());
      const bool expand = type == kRegExpandSz;  // before the query updates type
      std::string buffer(n, '\0');
      std::uint32_t size = n;
      if (!query(Data(buffer), &size)) return RegistryValue();
      std::wstring text = s.ansi.FromAnsi(CutAtNul(buffer));
      if (expand) text = ExpandEnvironment(std::move(text), s.environment);
      return RegistryValue::String(std::move(text));
    }
    case kRegBinary: {
      std::vector<std::uint8_t> bytes(n);
      std::uint32_t size = n;
      if (n > 0 && !query(bytes.data(), &size)) return RegistryValue();
      return RegistryValue::Bytes(std::move(bytes));
    }
    case kRegDword: {
      std::uint8_t bytes[4] = {0, 0, 0, 0};
      std::uint32_t size = sizeof bytes;
      if (!query(bytes, &size)) return RegistryValue();
      const std::uint32_t number = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                   (static_cast<std::uint32_t>(bytes[3]) << 24);
      return RegistryValue::Integer(static_cast<std::int32_t>(number));
    }
    case kRegMultiSz: {
      std::string text;
      if (n > 2) {
        std::string buffer(n, '\0');
        std::uint32_t size = n;
        if (!query(Data(buffer), &size)) return RegistryValue();
        text = buffer;
        if (buffer.find('\0') != std::string::npos) {
          // The size the query copied, less the closing pair of NULs.
          if (size < 2) throw MakeError(errors::kInvalidProcedureCall);
          text = buffer.substr(0, std::min<std::size_t>(size - 2, buffer.size()));
        }
      }
      return RegistryValue::Strings(SplitAtNul(s.ansi.FromAnsi(text)));
    }
    default:
      return RegistryValue();
  }
}

// The bytes RegSetValueExA writes for a value of valueType; nothing for a type
// not handled.
std::optional<std::string> BuildData(const AnsiCodec& ansi, const RegistryValue& value,
                                     std::uint32_t valueType) {
  switch (valueType) {
    case kRegSz:
    case kRegExpandSz:
      return ansi.ToAnsi(value.ToString()) + '\0';
    case kRegMultiSz:
      // The caller has put a NUL between the strings already.
      return ansi.ToAnsi(value.ToString()) + std::string(2, '\0');
    case kRegBinary: {
      const ByteArray& bytes = value.ToByteArray();
      if (bytes.lowerBound > 0 || bytes.UpperBound() < 0) {
        throw MakeError(errors::kSubscriptOutOfRange);  // no element 0
      }
      const auto first = bytes.elements.begin() + (0 - static_cast<std::int64_t>(bytes.lowerBound));
      return std::string(first, bytes.elements.end());
    }
    case kRegDword: {
      const auto number = static_cast<std::uint32_t>(value.ToInteger());
      std::string data(4, '\0');
      for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
      return data;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

RegistryValue RegistryGetKeyValue(const RegistryServices& services, RegistryHive hive,
                                  const std::wstring& keyPath, const std::wstring& valueName) {
  try {
    RegistryKey key(services.registry);
    if (services.registry.RegOpenKeyExA(HiveHandle(hive), services.ansi.ToAnsi(keyPath), 0,
                                        kReadAccess, key.Receive()) != kErrorSuccess) {
      return RegistryValue();
    }
    key.Opened();
    const std::string name = services.ansi.ToAnsi(valueName);
    std::uint32_t type = kRegNone;
    std::uint32_t n = 0;
    if (services.registry.RegQueryValueExA(key.Handle(), name, &type, nullptr, &n) !=
        kErrorSuccess) {
      return RegistryValue();
    }
    return ReadByType(services, key, name, type, n);
  } catch (...) {
    ShowSupportError(services.messageBoxes, L"RegistryGetKeyValue", CurrentError());
    return RegistryValue();
  }
}

void RegistrySetKeyValue(const RegistryServices& services, RegistryHive hive,
                         const std::wstring& keyPath, const std::wstring& valueName,
                         const RegistryValue& value, std::int32_t valueType) {
  try {
    RegistryKey key(services.registry);
    std::uint32_t disposition = 0;
    std::int32_t created =
        services.registry.RegCreateKeyExA(HiveHandle(hive), services.ansi.ToAnsi(keyPath),
                                          kNonVolatile, kCreateAccess, key.Receive(), &disposition);
    if (created == kErrorSuccess) key.Opened();
    const auto type = static_cast<std::uint32_t>(valueType);
    std::optional<std::string> data = BuildData(services.ansi, value, type);
    if (!data) return;
    // A refused write is reported: the product would otherwise go on using the old value.
    if (!key.IsOpen()) throw RegistryWriteFailure(created);
    if (data->size() > UINT32_MAX) throw MakeError(errors::kOverflow);
    std::int32_t written =
        services.registry.RegSetValueExA(key.Handle(), services.ansi.ToAnsi(valueName), type,
                                         Data(*data), static_cast<std::uint32_t>(data->size()));
    if (written != kErrorSuccess) throw RegistryWriteFailure(written);
  } catch (...) {
    ShowSupportError(services.messageBoxes, L"RegistrySetKeyValue", CurrentError());
  }
}

}  // namespace vyn::basRegistry
