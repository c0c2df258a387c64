#include "support/clsTempFile.h"

#include "platform/Error.h"
#include "support/SupportErrorBox.h"
#include "support/TrimNulls.h"

namespace vyn {

namespace {

// GetTempFileNameA writes up to MAX_PATH characters, its NUL included, whatever
// the buffer's size; a smaller buffer could overflow.
constexpr std::size_t kNameBufferLength = 260;
// GetTempPathA's longest answer: MAX_PATH characters and the NUL.
constexpr std::uint32_t kFolderBufferLength = 261;

const wchar_t* const kTitle = L"TempFile";

}  // namespace

clsTempFile::clsTempFile(TempFileApi& api, const AnsiCodec& ansi, MessageBoxes& messageBoxes)
    : api_(api), ansi_(ansi), messageBoxes_(messageBoxes) {}

std::wstring clsTempFile::FileName(const std::wstring& strPrefix) {
  try {
    std::string folder(kFolderBufferLength, ' ');
    const std::uint32_t length = api_.GetTempPathA(kFolderBufferLength, folder.data());
    // 0 is a failure; a length that does not fit is the size the path would need,
    // and the buffer then holds no path.
    if (length == 0 || length >= kFolderBufferLength) return std::wstring();
    return NameIn(folder.c_str(), strPrefix);
  } catch (...) {
    ShowSupportError(messageBoxes_, kTitle, CurrentError());
    return std::wstring();
  }
}

std::wstring clsTempFile::FileName2(const std::wstring& strPrefix, const std::wstring& Path) {
  try {
    const std::string folder = ansi_.ToAnsi(Path);
    return NameIn(folder.c_str(), strPrefix);
  } catch (...) {
    ShowSupportError(messageBoxes_, kTitle, CurrentError());
    return std::wstring();
  }
}

std::wstring clsTempFile::NameIn(const char* folder, const std::wstring& strPrefix) {
  const std::string prefix = ansi_.ToAnsi(strPrefix);
  std::string name(kNameBufferLength, ' ');
  // Without a name the buffer holds only spaces, which are no file's path.
  if (api_.GetTempFileNameA(folder, prefix.c_str(), 0, name.data()) == 0) return std::wstring();
  return detail::TrimNulls(ansi_.FromAnsi(name), messageBoxes_);
}

}  // namespace vyn
