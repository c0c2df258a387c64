// Every text of the program's windows fits its control in the font it is
// drawn in, at 96, 120 and 144 DPI: once in Wine's own message font and once in
// DejaVu Sans 9 pt, which is at least as wide as Segoe UI 9 pt, the font of
// Windows 10 and 11. The DPI and the font are given to the forms layer, so the
// shared prefix keeps its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "Screenshot.h"
#include "app/frmDataLoader.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Forms.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn::test {
namespace {

struct NoEvents : FormEvents {
  void OnClick(const std::wstring&) override {}
};

// The width the text needs, measured here on its own: the text without its
// "&" marks in the control's font, plus the glyph and gap of a check box.
int Needed(HWND control, ControlKind kind, int dpi) {
  wchar_t text[256] = {};
  GetWindowTextW(control, text, 256);
  std::wstring shown;
  for (const wchar_t* c = text; *c; ++c) {
    if (*c != L'&') shown += *c;
  }
  HDC dc = GetDC(control);
  HGDIOBJ before =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
  SelectObject(dc, before);
  ReleaseDC(control, dc);
  if (kind != ControlKind::kCheckBox) return extent.cx;
  HDC screen = GetDC(nullptr);
  const int systemDpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return extent.cx + MulDiv(GetSystemMetrics(SM_CXMENUCHECK) + 4, dpi, systemDpi);
}

class LayoutFitTest : public ::testing::TestWithParam<std::tuple<int, const wchar_t*>> {};

TEST_P(LayoutFitTest, EveryTextFitsItsControlAndTheWindow) {
  const auto [dpi, face] = GetParam();
  FormLook look;
  look.dpi = {dpi, dpi};
  if (*face) look.messageFont = {face, 9};
  Win32FormFactory factory(GetModuleHandleW(nullptr), look);
  NoEvents events;
  for (const FormDesign& design : {frmDataLoader::Layout(), frmGetHTMLFile::Design()}) {
    auto form = factory.Load(design, events);
    auto& window = dynamic_cast<Win32Form&>(*form);
    RECT client{};
    GetClientRect(window.Handle(), &client);
    for (const ControlDesign& control : design.controls) {
      if (control.text.empty() || control.kind == ControlKind::kTextBox) continue;
      HWND handle = window.ControlHandle(control.name);
      ASSERT_NE(handle, nullptr);
      RECT area{};
      GetClientRect(handle, &area);
      RECT placed = area;
      MapWindowPoints(handle, window.Handle(), reinterpret_cast<POINT*>(&placed), 2);
      const int needed = Needed(handle, control.kind, dpi);
      std::printf("%3d dpi %-12ls %-12ls needs %3d of %3d px\n", dpi, *face ? face : L"(Wine's)",
                  control.name.c_str(), needed, static_cast<int>(area.right));
      EXPECT_LE(needed, area.right)
          << "clipped: " << std::string(control.name.begin(), control.name.end());
      EXPECT_LE(placed.right, client.right) << "outside the window";
      EXPECT_EQ(placed.left, MulDiv(control.left, dpi, 1440)) << "moved";
    }
    if (dpi == 96 && *face && design.name == L"frmDataLoader") {
      form->Show();
      MSG message;
      for (int i = 0; i < 20; ++i, Sleep(25)) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      }
      driver::SaveScreenshotPng(
          std::wstring(L"" VYN_SCREENSHOT_FOLDER) + L"/main-window-wide-font.png", window.Handle());
    }
  }
}

// A text wider than the window: the label widens, the window keeps the
// design's left margin on the right, and nothing moves.
TEST(LayoutFitTest, ATextWiderThanItsWindowWidensTheControlAndTheWindow) {
  FormDesign design;
  design.name = L"frmNarrow";
  design.clientWidth = 900;
  design.clientHeight = 600;
  design.controls = {{L"Label1",
                      ControlKind::kLabel,
                      L"Select the files to download from the server",
                      120,
                      120,
                      600,
                      252,
                      0,
                      {}}};
  NoEvents events;
  Win32Form form(GetModuleHandleW(nullptr), design, events, FormLook{{96, 96}, {}});
  HWND label = form.ControlHandle(L"Label1");
  RECT area{}, client{};
  GetClientRect(label, &area);
  GetClientRect(form.Handle(), &client);
  RECT placed = area;
  MapWindowPoints(label, form.Handle(), reinterpret_cast<POINT*>(&placed), 2);

  EXPECT_GT(Needed(label, ControlKind::kLabel, 96), MulDiv(600, 96, 1440));
  EXPECT_GE(area.right, Needed(label, ControlKind::kLabel, 96));
  EXPECT_EQ(placed.left, 8);
  EXPECT_EQ(placed.top, 8);
  EXPECT_EQ(area.bottom, MulDiv(252, 96, 1440));
  EXPECT_EQ(client.right, placed.right + 8);
  EXPECT_EQ(client.bottom, 40);
}

INSTANTIATE_TEST_SUITE_P(DpiAndFont, LayoutFitTest,
                         ::testing::Combine(::testing::Values(96, 120, 144),
                                            ::testing::Values(L"", L"DejaVu Sans")),
                         [](const auto& info) {
                           return std::to_string(std::get<0>(info.param)) + "dpi" +
                                  (*std::get<1>(info.param) ? "StandIn" : "WineFont");
                         });

}  // namespace
}  // namespace vyn::test
