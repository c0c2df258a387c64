#pragma once

// First: it takes <windows.h>'s DeleteFile/MoveFile macros back out before any
// other header declares the FileSystem methods.
#include "platform/win32/Win32FileSystem.h"

#include <cstdio>
#include <string>

#include "platform/Platform.h"
#include "platform/win32/Win32AnsiCodec.h"
#include "platform/win32/Win32BinaryFiles.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FolderLocks.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32MessagePump.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32ResponsiveWait.h"
#include "platform/win32/Win32RunLog.h"
#include "platform/win32/Win32TempFiles.h"
#include "platform/win32/Win32WinInet.h"
#include "program/DefaultComponents.h"

namespace vyn::bench {

// A run without anyone at the screen: a box is printed and answered No (or Yes
// while yesAnswers last), so a failed transfer ends instead of waiting for a click.
class PrintedMessageBoxes : public MessageBoxes {
 public:
  MessageAnswer Show(const std::wstring& text, const std::wstring& title,
                     MessageButtons buttons) override {
    std::fwprintf(stderr, L"message box \"%ls\": %ls\n", title.c_str(), text.c_str());
    ++shown;
    if (buttons == MessageButtons::kOk) return MessageAnswer::kOk;
    if (yesAnswers > 0) {
      --yesAnswers;
      return MessageAnswer::kYes;
    }
    return MessageAnswer::kNo;
  }
  int shown = 0;
  int yesAnswers = 0;
};

// The program's own services with real windows; only the message boxes differ.
struct BenchPlatform {
  Win32AnsiCodec ansi;
  Win32Registry registry;
  Win32TempFiles tempFiles;
  Win32FileSystem fileSystem;
  Win32BinaryFiles files;
  Win32Environment environment;
  PrintedMessageBoxes boxes;
  Win32MessagePump pump;
  Win32FormFactory forms;
  Win32ResponsiveWait waits;
  Win32WinInet inet{waits};
  DefaultComponents components;
  Win32RunLog log{L"", 0};  // no file: the measurements leave no log behind
  Win32FolderLocks locks;
  SteadyClock clock;
  Platform platform{ansi,  registry, tempFiles,  fileSystem, files, environment, boxes, pump,
                    forms, inet,     components, log,        waits, locks,       clock};
};

}  // namespace vyn::bench
