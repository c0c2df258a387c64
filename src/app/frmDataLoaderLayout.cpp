#include "app/frmDataLoader.h"

namespace vyn {

constexpr int kAppIconResource = 1;

FormDesign frmDataLoader::Layout() {
  FormDesign design =
      WindowDesign(L"frmDataLoader", L"VYN Veltrix", 5796, 3468, StartPosition::kCenterScreen,
                   FormBorder::kMainWindow, kAppIconResource);
  design.defaultButton = L"cmdDownload";
  design.cancelButton = L"cmdClose";
  // name, kind, text, left, top, width, height (twips), tab index, font
  design.controls = {
      {L"Label1",
       ControlKind::kLabel,
       L"VYN Veltrix file downloader",
       240,
       240,
       5052,
       492,
       1,
       {L"MS Sans Serif", 13.8}},
      {L"Label2", ControlKind::kLabel, L"Data path:", 240, 960, 972, 252, 3, {}},
      {L"txtDatapath", ControlKind::kTextBox, L"", 240, 1200, 4932, 372, 2, {}},
      {L"Label3",
       ControlKind::kLabel,
       L"Select the files to download",
       240,
       1800,
       3012,
       252,
       6,
       {}},
      {L"chkMls", ControlKind::kCheckBox, L"MLS Data", 240, 2160, 1692, 252, 4, {}},
      {L"chkTax",
       ControlKind::kCheckBox,
       L"Tax Data (Public records)",
       2280,
       2160,
       2412,
       252,
       5,
       {}},
      {L"cmdDownload", ControlKind::kButton, L"Download", 240, 2760, 1692, 372, 0, {}},
      {L"cmdClose", ControlKind::kButton, L"Close", 3960, 2760, 1092, 372, 7, {}},
  };
  return design;
}

}  // namespace vyn
