#include "TestForm.h"

#include <windows.h>

#include <commctrl.h>

namespace vyn::test {

FormDesign TestFormDesign() {
  FormDesign design;
  design.name = L"frmTest";
  design.caption = L"Forms layer test";
  design.clientWidth = 5796;
  design.clientHeight = 3468;
  design.startPosition = StartPosition::kCenterScreen;
  design.border = FormBorder::kMainWindow;
  design.iconResourceId = 1;
  design.timerIntervalMs = 1;
  design.defaultButton = L"cmdGo";
  design.cancelButton = L"cmdCancel";
  design.controls = {
      {L"Label1",
       ControlKind::kLabel,
       L"Big title",
       240,
       240,
       5052,
       492,
       1,
       {L"MS Sans Serif", 13.8}},
      {L"txtPath", ControlKind::kTextBox, L"C:\\Data\\", 240, 1200, 4932, 372, 2, {}},
      {L"chkOne", ControlKind::kCheckBox, L"One", 240, 2160, 1692, 252, 4, {}},
      {L"Bar", ControlKind::kProgressBar, L"", 2280, 1800, 2052, 192, 6, {}},
      {L"cmdGo", ControlKind::kButton, L"Go", 240, 2760, 1692, 372, 0, {}},
      {L"cmdCancel", ControlKind::kButton, L"&Cancel", 3960, 2760, 1092, 372, 7, {}},
  };
  return design;
}

FormsTest::FormsTest() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

Win32Form& FormsTest::Load(const FormDesign& design) {
  loaded = factory.Load(design, events);
  form = dynamic_cast<Win32Form*>(loaded.get());
  if (form == nullptr) throw std::runtime_error("not a Win32Form");
  return *form;
}

bool FormsTest::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    pump.DoEvents();
    Sleep(5);
  }
  return true;
}

}  // namespace vyn::test
