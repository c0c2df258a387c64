#pragma once

// First: it takes <windows.h>'s DeleteFile/MoveFile macros back out before
// any other header declares the FileSystem methods.
#include "platform/win32/Win32FileSystem.h"

#include "FakeComponents.h"
#include "FakeForms.h"
#include "FakeMessageBoxes.h"
#include "FakeMessagePump.h"
#include "platform/Platform.h"
#include "platform/win32/Win32AnsiCodec.h"
#include "platform/win32/Win32BinaryFiles.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/Win32MessagePump.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32TempFiles.h"
#include "platform/win32/Win32WinInet.h"

namespace vyn::test {

// The real WinInet, disk and temporary files; message boxes answer from a script.
struct RealServices {
  Win32AnsiCodec ansi;
  Win32Registry registry;
  Win32TempFiles tempFiles;
  Win32FileSystem fileSystem;
  Win32BinaryFiles files;
  Win32Environment environment;
  fakes::FakeMessageBoxes boxes;
  Win32WinInet inet;
  fakes::FakeComponents components;
};

// Windows without a screen.
struct WinePlatformWithFakeWindows : RealServices {
  fakes::FakeMessagePump pump;
  fakes::FakeFormFactory forms;
  Platform platform{ansi,  registry, tempFiles, fileSystem, files,     environment,
                    boxes, pump,     forms,     inet,       components};
};

// Real windows on the (virtual) display.
struct WinePlatformWithRealWindows : RealServices {
  Win32MessagePump pump;
  Win32FormFactory forms;
  Platform platform{ansi,  registry, tempFiles, fileSystem, files,     environment,
                    boxes, pump,     forms,     inet,       components};
};

// Real windows and real message boxes: everything a user sees.
struct WinePlatformWithRealBoxes : RealServices {
  Win32MessageBoxes realBoxes;
  Win32MessagePump pump;
  Win32FormFactory forms;
  Platform platform{ansi,      registry, tempFiles, fileSystem, files,     environment,
                    realBoxes, pump,     forms,     inet,       components};
};

}  // namespace vyn::test
