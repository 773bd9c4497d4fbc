#include "gui_driver.h"

#include <array>
#include <cstdint>
#include <vector>

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/win32/wide.h"

namespace vx::test::gui {

namespace {

constexpr UINT kReadTimeoutMs = 2000;

struct Search {
    const wchar_t* window_class;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK match(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (std::wstring(cls) != s->window_class) return TRUE;
    if (text_of(hwnd) != *s->caption) return TRUE;
    s->found = hwnd;
    return FALSE;
}

// --- A PNG of 8-bit RGB rows, its image data in stored (uncompressed) deflate blocks. ---

std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const char* type,
           const std::vector<std::uint8_t>& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(out.data() + start, out.size() - start));
}

std::vector<std::uint8_t> png(int width, int height, const std::vector<std::uint8_t>& rgb) {
    std::vector<std::uint8_t> raw;  // each row: filter type 0, then the pixels
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + y * row, rgb.begin() + (y + 1) * row);
    }
    std::vector<std::uint8_t> z = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t pos = 0; pos < raw.size() || pos == 0;) {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
        if (last) break;
    }
    put32(z, (b << 16) | a);

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

}  // namespace

HWND find_window(const wchar_t* window_class, const std::wstring& caption) {
    Search s{window_class, &caption, nullptr};
    EnumWindows(match, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND wait_window(const wchar_t* window_class, const std::wstring& caption, int ms) {
    HWND found = nullptr;
    wait_until([&] { return (found = find_window(window_class, caption)) != nullptr; }, ms);
    return found;
}

bool wait_until(const std::function<bool()>& condition, int ms) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(5);
    }
}

bool wait_gone(HWND window, int ms) {
    return wait_until([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}

std::wstring text_of(HWND window) {
    wchar_t buf[1024] = {};
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_BLOCK,
                             kReadTimeoutMs, &got))
        return L"<no answer>";
    return std::wstring(buf, static_cast<std::size_t>(got));
}

std::wstring item_text(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? text_of(item) : L"<no item>";
}

int progress_position(HWND bar) {
    DWORD_PTR pos = 0;
    if (!SendMessageTimeoutW(bar, WM_USER + 8 /* PBM_GETPOS */, 0, 0, SMTO_BLOCK, kReadTimeoutMs,
                             &pos))
        return -1;
    return static_cast<int>(pos);
}

bool menu_item_grayed(HWND window, UINT command) {
    UINT state = GetMenuState(GetSystemMenu(window, FALSE), command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_GRAYED);
}

void press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void press_key(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

void system_close(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

namespace {

// The window's pixels, frame included, as RGB rows; empty when they cannot be read. They come
// from the window's own device context, so another window lying over it does not show.
std::vector<std::uint8_t> window_pixels(HWND window, const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetWindowDC(window);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<std::uint8_t> rgb;
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        if (BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY)) {
            GdiFlush();
            const auto* px = static_cast<const std::uint8_t*>(bits);
            rgb.reserve(static_cast<std::size_t>(w) * h * 3);
            for (int i = 0; i < w * h; ++i) {
                rgb.push_back(px[i * 4 + 2]);
                rgb.push_back(px[i * 4 + 1]);
                rgb.push_back(px[i * 4]);
            }
        }
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(window, screen);
    return rgb;
}

}  // namespace

std::string save_screenshot(HWND window, const std::string& name) {
    // Parts of the window may not be painted yet: it is read until two readings a moment apart
    // agree (a picture only; nothing is asserted on it).
    RECT r;
    if (!GetWindowRect(window, &r)) return {};
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return {};
    std::vector<std::uint8_t> rgb;
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(50);
        std::vector<std::uint8_t> now = window_pixels(window, r);
        const bool settled = !now.empty() && now == rgb;
        rgb = std::move(now);
        if (settled) break;
    }
    if (rgb.empty()) return {};

    std::string folder = path::join(path::folder(fs::program_directory()), "screenshots");
    fs::create_directory(folder);
    std::string file = path::join(folder, name);
    std::vector<std::uint8_t> bytes = png(w, h, rgb);
    File f;
    if (!f.open(file, File::Access::write_exclusive, File::Disposition::create_always) ||
        !f.write(bytes.data(), bytes.size()))
        return {};
    return file;
}

namespace {

LRESULT CALLBACK owner_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

OwnerWindow::OwnerWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = owner_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"VaultrixTestOwner";
    RegisterClassW(&wc);  // fails harmlessly when registered before
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"Vaultrix", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                            40, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
}

OwnerWindow::~OwnerWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

}  // namespace vx::test::gui
