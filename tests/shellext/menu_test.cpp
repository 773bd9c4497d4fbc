// The context menu, driven as Explorer drives it: the handler made through COM, initialised with
// the shell's own data object for real files, and its entries put into a real popup menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "shell_support.h"
#include "temp_dir.h"

namespace vx::test {
namespace {

constexpr UINT kFirst = 100;
constexpr UINT kLast = 0x7FFF;

struct Item {
    std::wstring text;
    UINT id = 0;
    HMENU submenu = nullptr;
    HBITMAP image = nullptr;  // the item's own image (hbmpItem)
    HBITMAP checked = nullptr;
    HBITMAP unchecked = nullptr;
};

Item item_at(HMENU menu, int position) {
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU | MIIM_BITMAP | MIIM_CHECKMARKS;
    info.dwTypeData = text;
    info.cch = 128;
    Item item;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return item;
    item.text = text;
    item.id = info.wID;
    item.submenu = info.hSubMenu;
    item.image = info.hbmpItem;
    item.checked = info.hbmpChecked;
    item.unchecked = info.hbmpUnchecked;
    return item;
}

std::vector<Item> items(HMENU menu) {
    std::vector<Item> all;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) all.push_back(item_at(menu, i));
    return all;
}

std::vector<std::wstring> texts(const std::vector<Item>& all) {
    std::vector<std::wstring> t;
    for (const auto& i : all) t.push_back(i.text);
    return t;
}

const std::vector<std::wstring> kCrypt = {L"Crypt", L"Crypt and email", L"Crypt and delete"};
const std::vector<std::wstring> kDecrypt = {L"Decrypt", L"Decrypt and delete"};

// A context menu that Explorer has begun to fill.
struct ContextMenu {
    ContextMenu() {
        menu = CreatePopupMenu();
        int id = 1;
        for (const wchar_t* t : {L"Open", L"Edit", L"Print", L"Properties"})
            AppendMenuW(menu, MF_STRING, id++, t);
    }
    ~ContextMenu() { DestroyMenu(menu); }
    HMENU menu = nullptr;
};

// Makes handlers and initialises them with the shell's data object for a selection.
class MenuBase : public ::testing::Test {
  protected:
    std::wstring file(const std::string& name) {
        const std::string p = dir / name;
        write_file(p, "x");
        return win32::widen(p);
    }
    std::wstring folder(const std::string& name) {
        const std::string p = dir / name;
        EXPECT_TRUE(CreateDirectoryW(win32::widen(p).c_str(), nullptr));
        return win32::widen(p);
    }

    virtual HRESULT create(Com<IShellExtInit>& out) = 0;

    bool make(const std::vector<std::wstring>& selection, Com<IContextMenu3>& out) {
        Com<IDataObject> data;
        if (!shell_data_object(selection, data)) {
            ADD_FAILURE() << "no shell data object";
            return false;
        }
        Com<IShellExtInit> init;
        HRESULT hr = create(init);
        if (hr != S_OK) {
            ADD_FAILURE() << "no handler: " << std::hex << hr;
            return false;
        }
        hr = init->Initialize(nullptr, data.get(), nullptr);
        if (hr != S_OK) {
            ADD_FAILURE() << "Initialize: " << std::hex << hr;
            return false;
        }
        return init->QueryInterface(IID_IContextMenu3, out.out()) == S_OK;
    }

    TempDir dir;
};

// Explorer's way: registered, made through COM.
class Menu : public MenuBase {
  protected:
    void SetUp() override { ASSERT_EQ(registered.result, S_OK); }
    HRESULT create(Com<IShellExtInit>& out) override {
        return CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                out.out());
    }

    Apartment apartment;
    Registered registered;
};

// --- Without buffered painting: the entries ask for their image and it is drawn for them. ---
//
// Wine loads uxtheme.dll with the first window of a process, and COM makes one at
// CoInitializeEx; so these cases take the handler from the library's class object, with no COM
// apartment and no window. CTest runs every case in a process of its own; when other cases of
// the same process have loaded uxtheme.dll already, a case runs again alone in a new one.

bool theme_loaded() { return GetModuleHandleW(L"uxtheme.dll") != nullptr; }

// Runs the current case in a fresh process of this program; its exit code.
DWORD run_alone() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return run_and_wait(self, L"shellext_test --gtest_filter=" + win32::widen(filter), 120000);
}

#define WITHOUT_THEME()                                                          \
    if (theme_loaded()) {                                                        \
        EXPECT_EQ(run_alone(), 0u) << "the case failed in a process of its own"; \
        return;                                                                  \
    }

class MenuWithoutTheme : public MenuBase {
  protected:
    void SetUp() override { ASSERT_TRUE(sidecar.get_class_object); }
    HRESULT create(Com<IShellExtInit>& out) override {
        Com<IClassFactory> factory;
        HRESULT hr = sidecar.get_class_object(kClsid, IID_IClassFactory, factory.out());
        return FAILED(hr) ? hr : factory->CreateInstance(nullptr, IID_IShellExtInit, out.out());
    }

    Sidecar sidecar;
};

TEST_F(MenuWithoutTheme, SelectionDecidesTheEntries) {
    WITHOUT_THEME();
    struct Case {
        std::vector<std::string> files;
        std::vector<std::string> folders;
        const std::vector<std::wstring>* entries;
    };
    const Case cases[] = {
        {{"box.vx"}, {}, &kDecrypt},
        {{"BOX.VX"}, {}, &kDecrypt},
        {{"box.Vx"}, {}, &kCrypt},        // only all lower or all upper case
        {{"a.vx", "b.vx"}, {}, &kCrypt},  // a container only when alone
        {{"notes.txt"}, {}, &kCrypt},
        {{"a.txt", "b.txt", "c.vx"}, {}, &kCrypt},
        {{}, {"photos"}, &kCrypt},
        {{}, {"archive.vx"}, &kDecrypt},  // the name decides, not the kind
    };
    for (const auto& c : cases) {
        TempDir own;
        std::vector<std::wstring> selection;
        for (const auto& f : c.files) {
            write_file(own / f, "x");
            selection.push_back(win32::widen(own / f));
        }
        for (const auto& f : c.folders) {
            CreateDirectoryW(win32::widen(own / f).c_str(), nullptr);
            selection.push_back(win32::widen(own / f));
        }
        Com<IContextMenu3> handler;
        ASSERT_TRUE(make(selection, handler));
        ContextMenu context;
        const HRESULT hr = handler->QueryContextMenu(context.menu, 1, kFirst, kLast, CMF_NORMAL);
        const UINT n = static_cast<UINT>(c.entries->size());
        SCOPED_TRACE(win32::narrow(selection[0]));
        EXPECT_EQ(hr, MAKE_HRESULT(SEVERITY_SUCCESS, 0, n + 1));

        // The submenu goes in at index + the number of entries, with an identifier of its own.
        const std::vector<Item> all = items(context.menu);
        ASSERT_EQ(all.size(), 5u);
        const Item popup = all[1 + n];
        EXPECT_EQ(popup.text, L"Vaultrix");
        EXPECT_EQ(popup.id, kFirst + n);
        EXPECT_EQ(popup.image, HBMMENU_CALLBACK);
        ASSERT_TRUE(popup.submenu);
        const std::vector<Item> entries = items(popup.submenu);
        EXPECT_EQ(texts(entries), *c.entries);
        for (UINT i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].id, kFirst + i);
            EXPECT_EQ(entries[i].image, HBMMENU_CALLBACK);
        }
    }
}

TEST_F(MenuWithoutTheme, DefaultOnlyAddsNothing) {
    WITHOUT_THEME();
    Com<IContextMenu3> handler;
    ASSERT_TRUE(make({file("a.txt")}, handler));
    ContextMenu context;
    EXPECT_EQ(handler->QueryContextMenu(context.menu, 0, kFirst, kLast, CMF_DEFAULTONLY),
              MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
    EXPECT_EQ(GetMenuItemCount(context.menu), 4);
}

TEST_F(MenuWithoutTheme, NeverUsesIdentifiersPastTheShellsLimit) {
    WITHOUT_THEME();
    Com<IContextMenu3> handler;
    ASSERT_TRUE(make({file("a.txt")}, handler));
    // Crypt mode without a bitmap needs four identifiers.
    struct Case {
        UINT last;
        UINT used;
    };
    for (const Case c : {Case{kFirst + 2, 0}, Case{kFirst - 1, 0}, Case{kFirst + 3, 4}}) {
        ContextMenu context;
        EXPECT_EQ(handler->QueryContextMenu(context.menu, 0, kFirst, c.last, CMF_NORMAL),
                  MAKE_HRESULT(SEVERITY_SUCCESS, 0, c.used))
            << c.last;
        EXPECT_EQ(GetMenuItemCount(context.menu), c.used ? 5 : 4);
    }
}

TEST_F(Menu, CommandStringsAreNotOffered) {
    Com<IContextMenu3> handler;
    ASSERT_TRUE(make({file("a.txt")}, handler));
    char text[64] = {};
    for (UINT type : {GCS_VERBA, GCS_VERBW, GCS_HELPTEXTA, GCS_HELPTEXTW, GCS_VALIDATEA}) {
        EXPECT_EQ(handler->GetCommandString(0, type, nullptr, text, 64), E_INVALIDARG) << type;
    }
}

// A white 64 by 16 picture to draw menu images into.
struct Canvas {
    Canvas() {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = 64;
        info.bmiHeader.biHeight = -16;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits),
                                  nullptr, 0);
        previous = SelectObject(dc, bitmap);
        for (int i = 0; i < 64 * 16; ++i) bits[i] = 0xFFFFFF;
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    bool white(int x, int y) const {
        GdiFlush();
        return (bits[y * 64 + x] & 0xFFFFFF) == 0xFFFFFF;
    }
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    DWORD* bits = nullptr;
};

TEST_F(Menu, DrawsTheImageWhenTheMenuAsks) {
    Com<IContextMenu3> handler;
    ASSERT_TRUE(make({file("a.txt")}, handler));
    const int small = GetSystemMetrics(SM_CXSMICON);
    ASSERT_EQ(small, 16);

    struct Case {
        int left;
        int drawn_at;  // a left edge past the icon width is brought back by whole widths
    };
    for (const Case c : {Case{2, 2}, Case{40, 8}}) {
        Canvas canvas;
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemID = kFirst;
        draw.hDC = canvas.dc;
        draw.rcItem = {c.left, 0, c.left + 16, 16};
        LRESULT result = 0;
        EXPECT_EQ(handler->HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), &result),
                  S_OK);
        EXPECT_EQ(result, 1);
        // The middle of the icon is painted, the column beside it is not.
        EXPECT_FALSE(canvas.white(c.drawn_at + 8, 8)) << c.left;
        EXPECT_TRUE(canvas.white(c.drawn_at + 16 + 2, 8)) << c.left;
    }

    Canvas canvas;
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.hDC = canvas.dc;
    draw.rcItem = {0, 0, 16, 16};
    EXPECT_EQ(handler->HandleMenuMsg(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), S_OK);
    EXPECT_FALSE(canvas.white(8, 8));
}

TEST_F(Menu, LeavesMeasurementsAndOtherMessagesAlone) {
    Com<IContextMenu3> handler;
    ASSERT_TRUE(make({file("a.txt")}, handler));
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemWidth = 21;
    measure.itemHeight = 13;
    LRESULT result = 0;
    EXPECT_EQ(
        handler->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure), &result),
        S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(measure.itemWidth, 21u);
    EXPECT_EQ(measure.itemHeight, 13u);

    result = 7;
    EXPECT_EQ(handler->HandleMenuMsg2(WM_INITMENUPOPUP, 0, 0, &result), S_OK);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(handler->HandleMenuMsg(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), S_OK);
}

TEST_F(Menu, InitializeNeedsDroppedPaths) {
    Com<IShellExtInit> init;
    ASSERT_EQ(
        CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.out()),
        S_OK);
    EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
    Com<IDataObject> none;
    drop_data_object({L"C:\\a.txt"}, none, false);  // no CF_HDROP
    EXPECT_EQ(init->Initialize(nullptr, none.get(), nullptr), E_INVALIDARG);
    Com<IDataObject> empty;
    drop_data_object({}, empty);
    EXPECT_EQ(init->Initialize(nullptr, empty.get(), nullptr), E_INVALIDARG);
}

// --- With buffered painting: a 32-bit bitmap beside the submenu at the top. ---

TEST_F(Menu, WithBufferedPaintingTheSubmenuGoesFirstWithItsBitmap) {
    ASSERT_TRUE(theme_loaded());  // as in Explorer
    struct Case {
        std::vector<std::wstring> selection;
        const std::vector<std::wstring>* entries;
    };
    const Case cases[] = {
        {{file("a.txt"), file("b.txt")}, &kCrypt},
        {{file("c.vx")}, &kDecrypt},
        {{folder("d")}, &kCrypt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(win32::narrow(c.selection[0]));
        Com<IContextMenu3> handler;
        ASSERT_TRUE(make(c.selection, handler));
        ContextMenu context;
        const UINT n = static_cast<UINT>(c.entries->size());
        EXPECT_EQ(handler->QueryContextMenu(context.menu, 2, kFirst, kLast, CMF_NORMAL),
                  MAKE_HRESULT(SEVERITY_SUCCESS, 0, n));

        const std::vector<Item> all = items(context.menu);
        ASSERT_EQ(all.size(), 5u);
        const Item popup = all[0];  // whatever index the shell gave
        EXPECT_EQ(popup.text, L"Vaultrix");
        ASSERT_TRUE(popup.checked);
        EXPECT_EQ(popup.unchecked, popup.checked);
        EXPECT_EQ(all[1].text, L"Open");
        const std::vector<Item> entries = items(popup.submenu);
        EXPECT_EQ(texts(entries), *c.entries);
        for (UINT i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].id, kFirst + i);
            EXPECT_EQ(entries[i].checked, popup.checked);
            EXPECT_EQ(entries[i].unchecked, popup.checked);
        }

        // The icon's 16 by 16 image with its own alpha: opaque inside, clear at the corners.
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectW(popup.checked, sizeof dib, &dib), static_cast<int>(sizeof dib));
        EXPECT_EQ(dib.dsBm.bmWidth, 16);
        EXPECT_EQ(dib.dsBm.bmHeight, 16);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
        ASSERT_TRUE(dib.dsBm.bmBits);
        const auto* px = static_cast<const DWORD*>(dib.dsBm.bmBits);
        EXPECT_EQ(px[8 * 16 + 8] >> 24, 0xFFu);
        EXPECT_EQ(px[0] >> 24, 0u);
    }
}

}  // namespace
}  // namespace vx::test
