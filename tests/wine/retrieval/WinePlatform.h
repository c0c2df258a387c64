#pragma once

// First: it takes <windows.h>'s DeleteFile/MoveFile macros back out before
// any other header declares the FileSystem methods.
#include "platform/win32/Win32FileSystem.h"

#include "FakeComponents.h"
#include "FakeFolderLocks.h"
#include "FakeForms.h"
#include "FakeMessageBoxes.h"
#include "FakeMessagePump.h"
#include "FakeRunLog.h"
#include "platform/Platform.h"
#include "platform/win32/Win32AnsiCodec.h"
#include "platform/win32/Win32BinaryFiles.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/Win32MessagePump.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32ResponsiveWait.h"
#include "platform/win32/Win32TempFiles.h"
#include "platform/win32/Win32WinInet.h"

namespace vyn::test {

// The real WinInet, disk, temporary files and registry, with the given message
// boxes, message pump and windows.
template <class Boxes, class Pump, class Forms>
struct WinePlatform {
  Win32AnsiCodec ansi;
  Win32Registry registry;
  Win32TempFiles tempFiles;
  Win32FileSystem fileSystem;
  Win32BinaryFiles files;
  Win32Environment environment;
  Boxes boxes;
  Pump pump;
  Forms forms;
  Win32ResponsiveWait waits;
  Win32WinInet inet{waits};
  fakes::FakeComponents components;
  fakes::FakeRunLog log;
  fakes::FakeFolderLocks locks;
  SteadyClock clock;
  Platform platform{ansi,  registry, tempFiles,  fileSystem, files, environment, boxes, pump,
                    forms, inet,     components, log,        waits, locks,       clock};
};

// Windows without a screen; message boxes answer from a script.
using WinePlatformWithFakeWindows =
    WinePlatform<fakes::FakeMessageBoxes, fakes::FakeMessagePump, fakes::FakeFormFactory>;
// Real windows on the (virtual) display; message boxes answer from a script.
using WinePlatformWithRealWindows =
    WinePlatform<fakes::FakeMessageBoxes, Win32MessagePump, Win32FormFactory>;
// Real windows and real message boxes: everything a user sees.
using WinePlatformWithRealBoxes =
    WinePlatform<Win32MessageBoxes, Win32MessagePump, Win32FormFactory>;

}  // namespace vyn::test
