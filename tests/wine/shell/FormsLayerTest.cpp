#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "TestForm.h"
#include "platform/Error.h"
#include "platform/win32/Win32FormsControls.h"

namespace vyn::test {
namespace {

int ScreenDpiX() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int ScreenDpiY() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

RECT ClientRectOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  GetObjectW(handle, sizeof font, &font);
  return font;
}

using FormsLayoutTest = FormsTest;

TEST_F(FormsLayoutTest, ControlsAndClientAreaAreTwipsAtTheScreenDpi) {
  FormDesign design = TestFormDesign();
  int dpiX = ScreenDpiX();
  int dpiY = ScreenDpiY();

  Win32Form& loadedForm = Load(design);

  RECT client;
  GetClientRect(loadedForm.Handle(), &client);
  EXPECT_EQ(client.right, MulDiv(design.clientWidth, dpiX, 1440));
  EXPECT_EQ(client.bottom, MulDiv(design.clientHeight, dpiY, 1440));
  for (const auto& control : design.controls) {
    SCOPED_TRACE(std::string(control.name.begin(), control.name.end()));
    RECT rect = ClientRectOf(ControlOf(control.name));
    EXPECT_EQ(rect.left, MulDiv(control.left, dpiX, 1440));
    EXPECT_EQ(rect.top, MulDiv(control.top, dpiY, 1440));
    EXPECT_EQ(rect.right - rect.left, MulDiv(control.width, dpiX, 1440));
    EXPECT_EQ(rect.bottom - rect.top, MulDiv(control.height, dpiY, 1440));
    if (control.kind != ControlKind::kProgressBar) {
      EXPECT_EQ(TextOf(ControlOf(control.name)), control.text);
    }
  }
  EXPECT_EQ(loadedForm.Caption(), L"Forms layer test");
}

TEST_F(FormsLayoutTest, LoadedFormIsHiddenUntilShownThenCentredOnTheScreen) {
  Win32Form& loadedForm = Load();
  bool visibleAfterLoad = IsWindowVisible(loadedForm.Handle()) != FALSE;

  loadedForm.Show();

  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame;
  GetWindowRect(loadedForm.Handle(), &frame);
  EXPECT_FALSE(visibleAfterLoad);
  EXPECT_TRUE(loadedForm.Visible());
  EXPECT_NEAR((frame.left + frame.right) / 2.0, (work.left + work.right) / 2.0, 1.0);
  EXPECT_NEAR((frame.top + frame.bottom) / 2.0, (work.top + work.bottom) / 2.0, 1.0);
}

TEST_F(FormsLayoutTest, ControlsAreCreatedInTabOrderWithTabStopsAndTheDefaultButtonMarked) {
  Win32Form& loadedForm = Load();

  std::vector<HWND> order;
  for (HWND child = GetWindow(loadedForm.Handle(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(child);
  }

  std::vector<HWND> expected = {ControlOf(L"cmdGo"),   ControlOf(L"Label1"),
                                ControlOf(L"txtPath"), ControlOf(L"chkOne"),
                                ControlOf(L"Bar"),     ControlOf(L"cmdCancel")};
  EXPECT_EQ(order, expected);
  auto style = [&](const wchar_t* name) { return GetWindowLongW(ControlOf(name), GWL_STYLE); };
  EXPECT_EQ(style(L"cmdGo") & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_EQ(style(L"cmdCancel") & 0x0F, BS_PUSHBUTTON);
  EXPECT_EQ(style(L"chkOne") & 0x0F, BS_AUTOCHECKBOX);
  EXPECT_TRUE(style(L"txtPath") & WS_TABSTOP);
  EXPECT_TRUE(style(L"txtPath") & ES_AUTOHSCROLL);
  EXPECT_FALSE(style(L"Label1") & WS_TABSTOP);
}

TEST_F(FormsLayoutTest, FirstEnabledFocusableControlByTabIndexGetsTheFocus) {
  Win32Form& loadedForm = Load();
  loadedForm.Item(L"cmdGo").SetEnabled(false);  // tab 0, but disabled

  loadedForm.Show();

  EXPECT_EQ(GetFocus(), ControlOf(L"txtPath"));
}

TEST_F(FormsLayoutTest, ControlFontIsTheDesignedFaceAndSizeOthersTheMessageFont) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);

  Load();

  LOGFONTW title = FontOf(ControlOf(L"Label1"));
  LOGFONTW other = FontOf(ControlOf(L"txtPath"));
  EXPECT_STREQ(title.lfFaceName, L"MS Sans Serif");
  EXPECT_EQ(title.lfHeight, -std::lround(13.8 * ScreenDpiY() / 72.0));
  EXPECT_STREQ(other.lfFaceName, metrics.lfMessageFont.lfFaceName);
  EXPECT_EQ(other.lfHeight, metrics.lfMessageFont.lfHeight);
}

TEST_F(FormsLayoutTest, IconResourceGivesSmallAndBigImages) {
  Win32Form& loadedForm = Load();

  auto size = [](HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) return 0L;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
  };
  auto icon = [&](WPARAM which) {
    return reinterpret_cast<HICON>(SendMessageW(loadedForm.Handle(), WM_GETICON, which, 0));
  };

  EXPECT_EQ(size(icon(ICON_SMALL)), GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(size(icon(ICON_BIG)), GetSystemMetrics(SM_CXICON));
}

TEST_F(FormsLayoutTest, PropertiesRoundTripThroughTheWindows) {
  Win32Form& loadedForm = Load();
  Control& path = loadedForm.Item(L"txtPath");
  Control& check = loadedForm.Item(L"chkOne");

  path.SetText(L"D:\\Elsewhere\\");
  path.SetEnabled(false);
  check.SetValue(1);
  check.SetVisible(false);
  loadedForm.SetCaption(L"New caption");

  EXPECT_EQ(path.Text(), L"D:\\Elsewhere\\");
  EXPECT_EQ(TextOf(ControlOf(L"txtPath")), L"D:\\Elsewhere\\");
  EXPECT_FALSE(path.Enabled());
  EXPECT_FALSE(IsWindowEnabled(ControlOf(L"txtPath")));
  EXPECT_TRUE(path.Visible());  // its own flag, though the form is hidden
  EXPECT_EQ(check.Value(), 1);
  EXPECT_EQ(SendMessageW(ControlOf(L"chkOne"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_FALSE(check.Visible());
  EXPECT_EQ(loadedForm.Item(L"Label1").Value(), 0);
  EXPECT_EQ(loadedForm.Caption(), L"New caption");
  EXPECT_THROW(loadedForm.Item(L"Bar"), Error);  // a progress bar, not a Control
  EXPECT_THROW(loadedForm.Progress(L"txtPath"), Error);
  EXPECT_THROW(loadedForm.Item(L"nothing"), Error);
}

TEST_F(FormsLayoutTest, ProgressBarKeepsMaxAndValueAsSetAndShowsTheirShare) {
  Win32Form& loadedForm = Load();
  ProgressBar& bar = loadedForm.Progress(L"Bar");
  auto position = [&] { return SendMessageW(ControlOf(L"Bar"), PBM_GETPOS, 0, 0); };
  float initialMax = bar.Max();

  bar.SetMax(200000.5f);
  bar.SetValue(50000.125f);
  auto quarter = position();
  float max = bar.Max();
  float value = bar.Value();
  bar.SetMax(0);
  auto atZeroMax = position();

  EXPECT_EQ(initialMax, 100.0f);
  EXPECT_EQ(max, 200000.5f);
  EXPECT_EQ(value, 50000.125f);
  EXPECT_NEAR(static_cast<double>(quarter), Win32ProgressBar::kRange / 4.0, 1.0);
  EXPECT_EQ(atZeroMax, 0);
  EXPECT_EQ(bar.Max(), 0.0f);
}

TEST_F(FormsLayoutTest, ClickOnCheckBoxTogglesItBeforeTheClickEvent) {
  Win32Form& loadedForm = Load();
  loadedForm.Show();
  int valueInHandler = -1;
  events.onClick = [&](const std::wstring&) {
    valueInHandler = loadedForm.Item(L"chkOne").Value();
  };

  SendMessageW(ControlOf(L"chkOne"), BM_CLICK, 0, 0);

  EXPECT_EQ(events.clicks, std::vector<std::wstring>{L"chkOne"});
  EXPECT_EQ(valueInHandler, 1);
}

TEST_F(FormsLayoutTest, FormUnloadedInsideItsOwnClickHandlerIsGoneWithoutACrash) {
  Win32Form& loadedForm = Load();
  loadedForm.Show();
  HWND window = loadedForm.Handle();
  events.onClick = [&](const std::wstring&) { loaded.reset(); };

  SendMessageW(ControlOf(L"cmdCancel"), BM_CLICK, 0, 0);
  pump.DoEvents();

  EXPECT_EQ(loaded, nullptr);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(FormsLayoutTest, TimerTicksOnlyWhileEnabled) {
  Win32Form& loadedForm = Load();
  events.onTimer = [&] {
    if (events.ticks == 2) loadedForm.SetTimerEnabled(false);
  };

  loadedForm.SetTimerEnabled(true);
  bool twoTicks = PumpUntil([&] { return events.ticks >= 2; });
  PumpUntil([] { return false; }, 100);

  EXPECT_TRUE(twoTicks);
  EXPECT_EQ(events.ticks, 2);
  EXPECT_FALSE(loadedForm.TimerEnabled());
}

}  // namespace
}  // namespace vyn::test
