#pragma once

#include "app/UnattendedAnswers.h"
#include "platform/LoggedMessageBoxes.h"
#include "platform/Platform.h"
#include "platform/win32/Win32AnsiCodec.h"
#include "platform/win32/Win32BinaryFiles.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32FolderLocks.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/Win32MessagePump.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32ResponsiveWait.h"
#include "platform/win32/Win32RunLog.h"
#include "platform/win32/Win32TempFiles.h"
#include "platform/win32/Win32WinInet.h"
#include "program/DefaultComponents.h"

namespace vyn {

// The real platform: one of each Win32 service, and the Platform over them.
// Message boxes go to the run log as well; an unattended run shows none.
class Win32Platform {
 public:
  explicit Win32Platform(bool unattended = false);
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform& Services() { return platform_; }

 private:
  Win32AnsiCodec ansi_;
  Win32Registry registry_;
  Win32TempFiles tempFiles_;
  Win32FileSystem fileSystem_;
  Win32BinaryFiles files_;
  Win32Environment environment_;
  Win32MessageBoxes messageBoxes_;
  Win32MessagePump pump_;
  Win32FormFactory forms_;
  Win32ResponsiveWait waits_;
  Win32WinInet inet_{waits_};
  DefaultComponents components_;
  Win32RunLog log_;
  Win32FolderLocks locks_;
  SteadyClock clock_;
  LoggedMessageBoxes loggedBoxes_;
  UnattendedMessageBoxes unattendedBoxes_;
  // Last: it refers to every member above.
  Platform platform_;
};

}  // namespace vyn
