#include "TestForm.h"

#include <windows.h>

#include <commctrl.h>

namespace vyn::testing {

FormSpec TestFormSpec() {
  FormSpec spec;
  spec.name = L"frmTest";
  spec.caption = L"Forms layer test";
  spec.clientWidth = 5796;
  spec.clientHeight = 3468;
  spec.startPosition = StartPosition::kCenterScreen;
  spec.border = FormBorder::kMainWindow;
  spec.iconResourceId = 1;
  spec.timerIntervalMs = 1;
  spec.defaultButton = L"cmdGo";
  spec.cancelButton = L"cmdCancel";
  spec.controls = {
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
  return spec;
}

FormsTest::FormsTest() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

Win32Form& FormsTest::Load(const FormSpec& spec) {
  loaded = factory.Load(spec, events);
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

}  // namespace vyn::testing
