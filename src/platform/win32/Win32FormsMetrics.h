#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "platform/Forms.h"

namespace vyn {

// The screen's logical resolution; forms are laid out in twips at this DPI.
struct ScreenDpi {
  int x = 96;
  int y = 96;
};

ScreenDpi SystemDpi();

// What the forms are drawn with: the screen's DPI and the message font, the
// default font of every window. Tests draw them at other DPIs and in other fonts;
// an empty face is the system's message font, scaled from the system's DPI.
struct FormLook {
  ScreenDpi dpi = SystemDpi();
  FontDesign messageFont;
};

// pixels = twips * dpi / 1440, rounded.
int TwipsToPixels(int twips, int dpi);

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The face and size of a ControlDesign at the screen's DPI; an empty face gives the
// system's message font, which is also each window's default font.
UniqueFont CreateFormFont(const FontDesign& design, const FormLook& look);

// The width in pixels a control needs to show its text whole in its font: the
// text (without its "&" marks), plus a check box's glyph and gap or a button's
// edges. 0 for kinds whose text may scroll or that have none.
int TextWidthNeeded(HWND control, ControlKind kind, HFONT font, const ScreenDpi& dpi);

struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// An icon resource of the executable at the size of the given system metrics
// (SM_CXSMICON/SM_CYSMICON or SM_CXICON/SM_CYICON); null when it has none.
UniqueIcon LoadFormIcon(HINSTANCE instance, int resourceId, int widthMetric, int heightMetric);

// Window style and extended style of a border kind.
DWORD FormStyle(FormBorder border);
DWORD FormExStyle(FormBorder border);

// Top-left corner that centres a window of the given size on a rectangle, kept
// inside the work area of the monitor nearest to it.
POINT CentreOn(const RECT& area, SIZE window);

}  // namespace vyn
