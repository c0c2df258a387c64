#include "platform/win32/Win32FormsMetrics.h"

#include <algorithm>
#include <cmath>

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

UniqueFont CreateFormFont(const FontDesign& design, const ScreenDpi& dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW font{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font = metrics.lfMessageFont;
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  }
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
