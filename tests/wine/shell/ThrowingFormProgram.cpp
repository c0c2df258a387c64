// A program whose one button's click handler fails: the forms layer must report
// the failure and end the process instead of unwinding through the window system.
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "platform/Error.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32MessagePump.h"

namespace {

class FailingEvents : public vyn::FormEvents {
 public:
  void OnClick(const std::wstring&) override {
    throw vyn::Error(vyn::errors::kInvalidProcedureCall, L"Handler failed");
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  vyn::FormDesign design;
  design.name = L"frmThrowing";
  design.caption = L"Throwing form";
  design.clientWidth = 3000;
  design.clientHeight = 1000;
  design.controls = {{L"cmdFail", vyn::ControlKind::kButton, L"Fail", 240, 240, 1200, 372, 0, {}}};
  FailingEvents events;
  vyn::Win32FormFactory factory;
  vyn::Win32MessagePump pump;
  std::unique_ptr<vyn::Form> form = factory.Load(design, events);
  form->Show();
  while (form->Visible()) pump.WaitAndDispatch();
  return 0;
}
