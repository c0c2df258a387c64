#pragma once

#include <string>

#include "platform/AnsiCodec.h"
#include "platform/MessageBoxes.h"
#include "platform/TempFileApi.h"

namespace vyn {

// Hands out unique temporary file names; each names a file that the call has
// created, empty. Failures are reported in a box titled "TempFile" and give "".
class clsTempFile {
 public:
  clsTempFile(TempFileApi& api, const AnsiCodec& ansi, MessageBoxes& messageBoxes);

  // A new empty file in the user's temporary folder whose name begins with strPrefix.
  std::wstring FileName(const std::wstring& strPrefix);
  // The same in the folder Path.
  std::wstring FileName2(const std::wstring& strPrefix, const std::wstring& Path);

 private:
  // A new file in folder (ANSI, up to its NUL); "" when the platform makes none.
  std::wstring NameIn(const char* folder, const std::wstring& strPrefix);

  TempFileApi& api_;
  const AnsiCodec& ansi_;
  MessageBoxes& messageBoxes_;
};

}  // namespace vyn
