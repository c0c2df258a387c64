#include "components/unpack/ZipNames.h"

#include <cstdint>
#include <utility>

#include "components/unpack/ZipErrors.h"
#include "platform/FileNameCase.h"
#include "platform/PathText.h"
#include "platform/StagingNames.h"
#include "platform/Utf8.h"

namespace vyn {

namespace {

// Code page 437, bytes 0x80..0xFF.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Names too long to show whole are shown by their start.
[[noreturn]] void Unsafe(std::wstring_view name, std::wstring why) {
  constexpr std::size_t kShown = 80;
  std::wstring shown(name.substr(0, kShown));
  if (name.size() > kShown) shown += L"...";
  throw ZipProblem{zip_errors::kUnsafeMember, std::move(shown), std::move(why)};
}

bool IsDeviceName(std::wstring_view part) {
  // Windows opens a device for these whatever the extension: "nul.txt" is NUL.
  part = part.substr(0, part.find(L'.'));
  while (!part.empty() && part.back() == L' ') part.remove_suffix(1);
  const std::wstring upper = UpcaseFileName(part);
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* device : kDevices) {
    if (upper == device) return true;
  }
  // COM and LPT with any digit, the superscript ones included.
  const auto isPortNumber = [](wchar_t c) {
    return (c >= L'0' && c <= L'9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3;
  };
  return upper.size() == 4 &&
         (upper.compare(0, 3, L"COM") == 0 || upper.compare(0, 3, L"LPT") == 0) &&
         isPortNumber(upper[3]);
}

// The data folder's own staging folders, lock and refresh records begin so: a
// member there would be unpacked and then deleted, or taken for one of them.
bool IsReservedTopName(std::wstring_view part) {
  constexpr std::wstring_view kReserved = staging_names::kWidePrefix;
  return part.size() >= kReserved.size() &&
         SameFileName(part.substr(0, kReserved.size()), kReserved);
}

}  // namespace

std::wstring DecodeMemberName(std::string_view raw, bool utf8) {
  if (utf8) {
    if (auto decoded = DecodeUtf8(raw)) return *decoded;
    throw ZipProblem{zip_errors::kDamaged, DecodeMemberName(raw, false),
                     L"the name is marked as UTF-8 but is not"};
  }
  std::wstring name;
  name.reserve(raw.size());
  for (char byte : raw) {
    const auto b = static_cast<unsigned char>(byte);
    name += b < 0x80 ? static_cast<wchar_t>(b) : static_cast<wchar_t>(kCp437High[b - 0x80]);
  }
  return name;
}

std::vector<std::wstring> SafeMemberPath(std::wstring_view name) {
  if (name.empty()) Unsafe(name, L"the member has no name");
  if (IsPathSeparator(name.front())) {
    Unsafe(name, L"the name is an absolute path, outside the target folder");
  }
  std::vector<std::wstring> parts;
  std::wstring part;
  const auto finishPart = [&] {
    if (part.empty() || part == L".") {
      part.clear();
      return;
    }
    if (part == L"..") Unsafe(name, L"the name leads outside the target folder");
    if (part.back() == L'.' || part.back() == L' ') {
      Unsafe(name, L"a part of the name ends in a dot or a blank");
    }
    if (IsDeviceName(part)) Unsafe(name, L"a part of the name is a device name");
    parts.push_back(std::move(part));
    part.clear();
  };
  for (wchar_t c : name) {
    if (IsPathSeparator(c)) {
      finishPart();
    } else if (c == L':') {
      Unsafe(name, L"the name holds a drive letter or a \":\"");
    } else if (c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' ||
               c == L'*') {
      Unsafe(name, L"the name holds a character not allowed in file names");
    } else {
      part += c;
    }
  }
  finishPart();
  if (!parts.empty() && IsReservedTopName(parts.front())) {
    Unsafe(name, L"the name is kept for the program's own staging folders");
  }
  return parts;
}

std::size_t Utf16Length(std::wstring_view text) {
  std::size_t length = text.size();
  for (wchar_t c : text) {
    // Beyond the BMP: two units (only where wchar_t is wider than 16 bits).
    if ((static_cast<std::uint32_t>(c) >> 16) != 0) ++length;
  }
  return length;
}

void CheckPathLength(std::wstring_view name, std::size_t targetLength,
                     const std::vector<std::wstring>& parts, bool folder) {
  // The folder holding the deepest part, then the part itself; each part adds a separator.
  std::size_t length = targetLength;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) length += Utf16Length(parts[i]) + 1;
  if (length > kMaxFolderPath) {
    Unsafe(name, L"the name is too long for Windows: its folder's full path would have " +
                     std::to_wstring(length) + L" characters, at most " +
                     std::to_wstring(kMaxFolderPath) + L" are possible");
  }
  if (parts.empty()) return;
  length += Utf16Length(parts.back());
  const std::size_t limit = folder ? kMaxFolderPath : kMaxFilePath;
  if (length > limit) {
    Unsafe(name, L"the name is too long for Windows: its full path would have " +
                     std::to_wstring(length) + L" characters, at most " + std::to_wstring(limit) +
                     L" are possible");
  }
}

std::wstring WithoutQuotes(const std::wstring& text) {
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

}  // namespace vyn
