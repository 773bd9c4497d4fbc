#include "menu_image.h"

#include <cstdint>
#include <vector>

#include "resources.h"
#include "server.h"

namespace vx::shellext {

namespace {

constexpr int kIconPixels = 16;

SIZE small_icon_size() { return {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)}; }

BITMAPINFO rgb32(SIZE size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = size.cy;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Any pixel with some opacity: then the icon carries its own alpha.
bool has_alpha(const RGBQUAD* pixels, SIZE size, int row) {
    const auto* p = reinterpret_cast<const std::uint32_t*>(pixels);
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            if (p[y * row + x] > 0x00FFFFFF) return true;
        }
    }
    return false;
}

// An icon without alpha: its mask says which pixels are transparent (non-zero) and which opaque.
bool apply_mask(HDC dc, HICON icon, RGBQUAD* pixels, SIZE size, int row) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    Bitmap colour(info.hbmColor), mask(info.hbmMask);
    if (!mask) return false;
    BITMAPINFO format = rgb32(size);
    std::vector<std::uint32_t> bits(static_cast<std::size_t>(size.cx) * size.cy);
    int rows = GetDIBits(dc, mask.get(), 0, size.cy, bits.data(), &format, DIB_RGB_COLORS);
    if (rows < size.cy) return false;
    auto* p = reinterpret_cast<std::uint32_t*>(pixels);
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            std::uint32_t& px = p[y * row + x];
            if (bits[static_cast<std::size_t>(y) * size.cx + x] != 0)
                px = 0;
            else
                px |= 0xFF000000;
        }
    }
    return true;
}

}  // namespace

BufferedPaint BufferedPaint::find() {
    BufferedPaint p;
    HMODULE theme = GetModuleHandleW(L"uxtheme.dll");
    if (!theme) return p;
    p.begin = reinterpret_cast<decltype(p.begin)>(
        reinterpret_cast<void*>(GetProcAddress(theme, "BeginBufferedPaint")));
    p.end = reinterpret_cast<decltype(p.end)>(
        reinterpret_cast<void*>(GetProcAddress(theme, "EndBufferedPaint")));
    p.bits = reinterpret_cast<decltype(p.bits)>(
        reinterpret_cast<void*>(GetProcAddress(theme, "GetBufferedPaintBits")));
    return p;
}

Icon load_menu_icon() {
    return Icon(
        static_cast<HICON>(LoadImageW(this_module(), MAKEINTRESOURCEW(IDI_VAULTRIX), IMAGE_ICON,
                                      kIconPixels, kIconPixels, LR_DEFAULTCOLOR)));
}

Bitmap make_menu_bitmap(const BufferedPaint& paint) {
    if (!paint.available()) return Bitmap();
    Icon icon = load_menu_icon();
    if (!icon) return Bitmap();
    const SIZE size = small_icon_size();
    const RECT area{0, 0, size.cx, size.cy};

    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return Bitmap();
    BITMAPINFO format = rgb32(size);
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(dc.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return Bitmap();
    HGDIOBJ previous = SelectObject(dc.get(), bitmap.get());

    bool ok = false;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    BP_PAINTPARAMS params{};
    params.cbSize = sizeof params;
    params.dwFlags = BPPF_ERASE;
    params.pBlendFunction = &blend;
    HDC target = nullptr;
    HPAINTBUFFER buffer = paint.begin(dc.get(), &area, BPBF_DIB, &params, &target);
    if (buffer) {
        if (DrawIconEx(target, 0, 0, icon.get(), size.cx, size.cy, 0, nullptr, DI_NORMAL)) {
            RGBQUAD* pixels = nullptr;
            int row = 0;
            if (SUCCEEDED(paint.bits(buffer, &pixels, &row)) && pixels && row >= size.cx) {
                ok = has_alpha(pixels, size, row) ||
                     apply_mask(dc.get(), icon.get(), pixels, size, row);
            }
        }
        paint.end(buffer, TRUE);
    }
    SelectObject(dc.get(), previous);
    return ok ? std::move(bitmap) : Bitmap();
}

void draw_menu_icon(const DRAWITEMSTRUCT& item) {
    Icon icon = load_menu_icon();
    if (!icon) return;
    const SIZE size = small_icon_size();
    int x = item.rcItem.left;
    while (x > size.cx) x -= size.cx;
    DrawIconEx(item.hDC, x, item.rcItem.top, icon.get(), size.cx, size.cy, 0, nullptr, DI_NORMAL);
}

}  // namespace vx::shellext
