#include "platform/win32/Win32FormsMetrics.h"

#include <algorithm>
#include <cmath>

#include "platform/win32/Win32WindowText.h"

namespace vyn {

ScreenDpi SystemDpi() {
  ScreenDpi dpi;
  HDC screen = GetDC(nullptr);
  if (screen != nullptr) {
    dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  return dpi;
}

int TwipsToPixels(int twips, int dpi) {
  return MulDiv(twips, dpi, 1440);
}

UniqueFont CreateFormFont(const FontDesign& given, const FormLook& look) {
  const ScreenDpi& dpi = look.dpi;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW font{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font = metrics.lfMessageFont;
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  }
  // The system's font is sized for the system's DPI.
  const int systemDpi = SystemDpi().y;
  if (systemDpi != dpi.y) font.lfHeight = MulDiv(font.lfHeight, dpi.y, systemDpi);
  const FontDesign& design = given.face.empty() ? look.messageFont : given;
  if (!design.face.empty()) {
    lstrcpynW(font.lfFaceName, design.face.c_str(), LF_FACESIZE);
    font.lfHeight = -static_cast<LONG>(std::lround(design.points * dpi.y / 72.0));
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    font.lfItalic = FALSE;
    font.lfUnderline = FALSE;
    font.lfStrikeOut = FALSE;
  }
  return UniqueFont(CreateFontIndirectW(&font));
}

int TextWidthNeeded(HWND control, ControlKind kind, HFONT font, const ScreenDpi& dpi) {
  if (kind != ControlKind::kLabel && kind != ControlKind::kCheckBox &&
      kind != ControlKind::kButton) {
    return 0;
  }
  const std::wstring text = WindowText(control);
  std::wstring shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;  // "&&" shows one "&"
    shown += text[i];
  }
  if (shown.empty()) return 0;
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 0;
  HGDIOBJ before = SelectObject(screen, font);
  SIZE extent{};
  GetTextExtentPoint32W(screen, shown.c_str(), static_cast<int>(shown.size()), &extent);
  SelectObject(screen, before);
  ReleaseDC(nullptr, screen);
  // A check box draws its glyph (SM_CXMENUCHECK wide) and then a gap before the
  // text; a button keeps its edges and the focus frame off the text.
  if (kind == ControlKind::kCheckBox) {
    return extent.cx + MulDiv(GetSystemMetrics(SM_CXMENUCHECK) + 5, dpi.x, SystemDpi().x);
  }
  if (kind == ControlKind::kButton) return extent.cx + MulDiv(2 * 5, dpi.x, 96);
  return extent.cx;
}

UniqueIcon LoadFormIcon(HINSTANCE instance, int resourceId, int widthMetric, int heightMetric) {
  if (resourceId == 0) return nullptr;
  return UniqueIcon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(resourceId),
                                                  IMAGE_ICON, GetSystemMetrics(widthMetric),
                                                  GetSystemMetrics(heightMetric), 0)));
}

DWORD FormStyle(FormBorder border) {
  // Both kinds are fixed in size: the layout is absolute.
  if (border == FormBorder::kMainWindow) {
    return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  }
  return WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
}

DWORD FormExStyle(FormBorder border) {
  DWORD style = WS_EX_CONTROLPARENT;
  if (border == FormBorder::kFixedDialog) style |= WS_EX_DLGMODALFRAME;
  return style;
}

POINT CentreOn(const RECT& area, SIZE window) {
  POINT corner{area.left + (area.right - area.left - window.cx) / 2,
               area.top + (area.bottom - area.top - window.cy) / 2};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    corner.x = std::max(work.left, std::min(corner.x, work.right - window.cx));
    corner.y = std::max(work.top, std::min(corner.y, work.bottom - window.cy));
  }
  return corner;
}

}  // namespace vyn
