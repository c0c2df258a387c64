#pragma once

#include "platform/AnsiCodec.h"
#include "platform/BinaryFiles.h"
#include "platform/Clock.h"
#include "platform/Components.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/FolderLocks.h"
#include "platform/Forms.h"
#include "platform/MessageBoxes.h"
#include "platform/MessagePump.h"
#include "platform/RegistryApi.h"
#include "platform/ResponsiveWait.h"
#include "platform/RunLog.h"
#include "platform/TempFileApi.h"
#include "platform/WinInetApi.h"

namespace vyn {

// Every platform service the program uses. The real ones come from
// platform/win32; tests pass fakes. Each must outlive whatever is given it.
struct Platform {
  const AnsiCodec& ansi;
  RegistryApi& registry;
  TempFileApi& tempFiles;
  FileSystem& fileSystem;
  BinaryFiles& files;
  Environment& environment;
  MessageBoxes& messageBoxes;
  MessagePump& pump;
  FormFactory& forms;
  WinInetApi& inet;
  ComponentFactory& components;
  RunLog& log;
  ResponsiveWait& waits;
  FolderLocks& locks;
  Clock& clock;
};

}  // namespace vyn
