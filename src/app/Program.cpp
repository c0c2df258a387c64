#include "app/Program.h"

#include "app/basCommonObj.h"
#include "app/frmDataLoader.h"

namespace vyn {

int RunProgram(Platform& platform) {
  {
    frmDataLoader mainWindow(platform);
    mainWindow.Load();
    mainWindow.Show();
    while (mainWindow.Loaded()) platform.pump.WaitAndDispatch();
  }
  basCommonObj::objProductSettings.reset();
  return 0;
}

}  // namespace vyn
