#pragma once

#include "FakeClock.h"
#include "FakeComponents.h"
#include "FakeDisk.h"
#include "FakeEnvironment.h"
#include "FakeFolderLocks.h"
#include "FakeForms.h"
#include "FakeMessageBoxes.h"
#include "FakeMessagePump.h"
#include "FakeRegistry.h"
#include "FakeResponsiveWait.h"
#include "FakeRunLog.h"
#include "FakeWinInet.h"
#include "Latin1Codec.h"
#include "platform/Platform.h"

namespace vyn::fakes {

// Every platform service as a fake, and the Platform over them; fixtures derive
// from it to reach each fake by name.
struct FakePlatform {
  FakeDisk disk;
  Latin1Codec ansi;
  FakeRegistry registry;
  FakeEnvironment environment;
  FakeMessageBoxes boxes;
  FakeMessagePump pump;
  FakeFormFactory forms;
  FakeWinInet inet;
  FakeComponents components;
  FakeResponsiveWait waits;
  FakeRunLog log;
  FakeFolderLocks locks;
  FakeClock clock;
  Platform platform{ansi,  registry, disk,       disk, disk,  environment, boxes, pump,
                    forms, inet,     components, log,  waits, locks,       clock};
};

}  // namespace vyn::fakes
