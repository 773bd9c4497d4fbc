#include "crypt_shell.h"

#include <shellapi.h>

#include <climits>
#include <new>

#include "handoff/command_line.h"
#include "handoff/writer.h"
#include "menu_image.h"
#include "platform/win32/drop.h"
#include "platform/win32/wide.h"
#include "program.h"
#include "server.h"

namespace vx::shellext {

namespace {

// What the reference count becomes while the object is being deleted, so that nothing done
// during destruction can bring it to zero again.
constexpr LONG kDestroying = LONG_MIN / 2;

constexpr wchar_t kSubmenuCaption[] = L"Vaultrix";
constexpr const wchar_t* kCryptEntries[] = {L"Crypt", L"Crypt and email", L"Crypt and delete"};
constexpr const wchar_t* kDecryptEntries[] = {L"Decrypt", L"Decrypt and delete"};
constexpr UINT kCryptCount = 3, kDecryptCount = 2;

constexpr wchar_t kNoProgram[] = L"Could not obtain Vaultrix.exe filepath.";
constexpr wchar_t kNotStarted[] = L"Could not launch crypt module.";

// Every failure of the menu command is told this way: no owner, no caption, an OK button.
void tell(const std::wstring& text) { MessageBoxW(nullptr, text.c_str(), L"", MB_OK); }

HRESULT used(UINT identifiers) { return MAKE_HRESULT(SEVERITY_SUCCESS, 0, identifiers); }

// Releases a storage medium the data object handed out.
struct Medium {
    STGMEDIUM m{};
    ~Medium() { ReleaseStgMedium(&m); }
};

bool ends_with(const std::wstring& s, const wchar_t* tail) {
    const std::wstring t(tail);
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

CCryptShell::CCryptShell() { lock_module(); }

CCryptShell::~CCryptShell() { unlock_module(); }

STDMETHODIMP CCryptShell::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit)) {
        *out = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(riid, IID_IContextMenu) || IsEqualIID(riid, IID_IContextMenu2) ||
               IsEqualIID(riid, IID_IContextMenu3)) {
        *out = static_cast<IContextMenu3*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CCryptShell::AddRef() { return static_cast<ULONG>(++refs_); }

STDMETHODIMP_(ULONG) CCryptShell::Release() {
    const LONG n = --refs_;
    if (n == 0) {
        refs_ = kDestroying;
        delete this;
    }
    return static_cast<ULONG>(n);
}

STDMETHODIMP CCryptShell::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    if (!data) return E_INVALIDARG;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    Medium medium;
    if (FAILED(data->GetData(&format, &medium.m))) return E_INVALIDARG;
    if (medium.m.tymed != TYMED_HGLOBAL || !GlobalLock(medium.m.hGlobal)) return E_INVALIDARG;
    // A second call starts the list afresh.
    paths_.clear();
    HRESULT hr = S_OK;
    try {
        paths_ = win32::dropped_paths(static_cast<HDROP>(medium.m.hGlobal));
    } catch (const std::bad_alloc&) {
        paths_.clear();
        hr = E_OUTOFMEMORY;
    }
    GlobalUnlock(medium.m.hGlobal);
    if (FAILED(hr)) return hr;
    return paths_.empty() ? E_INVALIDARG : S_OK;
}

bool CCryptShell::decrypt_mode() const {
    return paths_.size() == 1 && (ends_with(paths_[0], L".vx") || ends_with(paths_[0], L".VX"));
}

STDMETHODIMP CCryptShell::QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last,
                                           UINT flags) {
    if (flags & CMF_DEFAULTONLY) return used(0);
    if (!menu) return E_INVALIDARG;

    const bool decrypt = decrypt_mode();
    const wchar_t* const* entries = decrypt ? kDecryptEntries : kCryptEntries;
    const UINT count = decrypt ? kDecryptCount : kCryptCount;

    if (!bitmap_tried_) {
        bitmap_tried_ = true;
        bitmap_ = make_menu_bitmap(BufferedPaint::find());
    }
    HBITMAP image = bitmap_.get();
    // Without a bitmap the submenu entry takes an identifier of its own.
    const UINT needed = image ? count : count + 1;
    // Identifiers past 'last' belong to someone else's entries: a click on theirs would run ours.
    if (last < first || last - first < needed - 1) return used(0);

    Menu submenu(CreatePopupMenu());
    if (!submenu) return HRESULT_FROM_WIN32(GetLastError());
    for (UINT i = 0; i < count; ++i) {
        if (!InsertMenuW(submenu.get(), i, MF_BYPOSITION | MF_STRING, first + i, entries[i]))
            return HRESULT_FROM_WIN32(GetLastError());
    }

    if (image) {
        // The submenu goes at the top of the context menu, the bitmap beside it and its entries.
        if (!InsertMenuW(menu, 0, MF_BYPOSITION | MF_POPUP | MF_STRING,
                         reinterpret_cast<UINT_PTR>(submenu.get()), kSubmenuCaption))
            return HRESULT_FROM_WIN32(GetLastError());
        HMENU owned = submenu.release();
        SetMenuItemBitmaps(menu, 0, MF_BYPOSITION, image, image);
        for (UINT i = 0; i < count; ++i)
            SetMenuItemBitmaps(owned, first + i, MF_BYCOMMAND, image, image);
        return used(count);
    }

    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_SUBMENU | MIIM_BITMAP;
    item.fType = MFT_STRING;
    item.wID = first + count;
    item.hSubMenu = submenu.get();
    std::wstring caption = kSubmenuCaption;
    item.dwTypeData = caption.data();
    item.hbmpItem = HBMMENU_CALLBACK;
    if (!InsertMenuItemW(menu, index + count, TRUE, &item))
        return HRESULT_FROM_WIN32(GetLastError());
    HMENU owned = submenu.release();
    for (UINT i = 0; i < count; ++i) {
        MENUITEMINFOW entry{};
        entry.cbSize = sizeof entry;
        entry.fMask = MIIM_BITMAP;
        entry.hbmpItem = HBMMENU_CALLBACK;
        SetMenuItemInfoW(owned, first + i, FALSE, &entry);
    }
    return used(count + 1);
}

STDMETHODIMP CCryptShell::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    if (!info || info->cbSize < sizeof(CMINVOKECOMMANDINFO)) return E_INVALIDARG;
    // A verb given as text, whatever its address, is not one of ours.
    if (!IS_INTRESOURCE(info->lpVerb)) return E_INVALIDARG;
    const UINT offset = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
    try {
        return invoke(offset);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CCryptShell::invoke(UINT offset) {
    const bool decrypt = decrypt_mode();
    // Only the commands the menu offers: a third decrypting command would reach the program as
    // a path it cannot read.
    if (offset >= (decrypt ? kDecryptCount : kCryptCount)) return E_INVALIDARG;

    std::vector<std::u16string> paths;
    paths.reserve(paths_.size());
    for (const auto& p : paths_)
        paths.emplace_back(reinterpret_cast<const char16_t*>(p.data()), p.size());
    handoff::Blocks blocks;
    const handoff::WriteResult written = handoff::write_blocks(paths, blocks);
    if (written != handoff::WriteResult::written) {
        tell(win32::widen(handoff::failure_text(written)));
        return E_INVALIDARG;
    }

    const auto program = program_location();
    if (!program) {
        tell(kNoProgram);
        return E_INVALIDARG;
    }
    const auto direction = decrypt ? handoff::Direction::decrypt : handoff::Direction::crypt;
    const std::wstring line = win32::widen(
        handoff::command_line(direction, static_cast<int>(offset), blocks.first_name()));
    if (!start_program(*program, line)) {
        tell(kNotStarted);
        return E_INVALIDARG;
    }
    // The program reads the blocks after this call has returned; they live as long as this
    // process.
    blocks.release();
    return S_OK;
}

STDMETHODIMP CCryptShell::GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) {
    return E_INVALIDARG;
}

STDMETHODIMP CCryptShell::HandleMenuMsg(UINT message, WPARAM wparam, LPARAM lparam) {
    return HandleMenuMsg2(message, wparam, lparam, nullptr);
}

STDMETHODIMP CCryptShell::HandleMenuMsg2(UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
    switch (message) {
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            if (item && item->CtlType == ODT_MENU) draw_menu_icon(*item);
            if (result) *result = TRUE;
            break;
        }
        case WM_MEASUREITEM:
            // The menu's own measurements stand.
            if (result) *result = TRUE;
            break;
        default:
            break;
    }
    return S_OK;
}

}  // namespace vx::shellext
