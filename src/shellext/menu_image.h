#pragma once
// The image beside the menu entries: the product icon's 16 by 16 image. Where the themed
// buffered-paint functions are at hand it becomes a 32-bit bitmap with per-pixel alpha that the
// menu shows itself; elsewhere the entries ask for it (HBMMENU_CALLBACK) and it is drawn on
// WM_DRAWITEM.
// windows.h goes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <uxtheme.h>
// clang-format on

#include "handles.h"

namespace vx::shellext {

// BeginBufferedPaint, EndBufferedPaint and GetBufferedPaintBits of "uxtheme.dll", found only
// when some other part of the process has loaded that library already; this never loads it,
// nor keeps it loaded.
struct BufferedPaint {
    decltype(&::BeginBufferedPaint) begin = nullptr;
    decltype(&::EndBufferedPaint) end = nullptr;
    decltype(&::GetBufferedPaintBits) bits = nullptr;

    bool available() const { return begin && end && bits; }
    static BufferedPaint find();
};

// The icon at 16 by 16 pixels, default colours; null when it cannot be loaded.
Icon load_menu_icon();

// The icon as a 32-bit premultiplied bitmap of the small-icon size; null on any failure.
Bitmap make_menu_bitmap(const BufferedPaint& paint);

// Draws the icon for an owner-drawn menu item (WM_DRAWITEM).
void draw_menu_icon(const DRAWITEMSTRUCT& item);

}  // namespace vx::shellext
