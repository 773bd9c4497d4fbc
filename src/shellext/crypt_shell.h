#pragma once
// CCryptShell: one Explorer context menu. It takes the selected paths from the shell, adds the
// "Vaultrix" submenu for crypting or, for one selected container, decrypting, and when an entry
// is chosen hands the paths to Vaultrix.exe through hand-off blocks and starts it.
// windows.h goes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <string>
#include <vector>

#include "handles.h"

namespace vx::shellext {

class CCryptShell final : public IShellExtInit, public IContextMenu3 {
  public:
    CCryptShell();
    ~CCryptShell();
    CCryptShell(const CCryptShell&) = delete;
    CCryptShell& operator=(const CCryptShell&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY prog_id) override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last,
                                  UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    STDMETHODIMP GetCommandString(UINT_PTR command, UINT type, UINT* reserved, CHAR* name,
                                  UINT size) override;

    // IContextMenu2, IContextMenu3
    STDMETHODIMP HandleMenuMsg(UINT message, WPARAM wparam, LPARAM lparam) override;
    STDMETHODIMP HandleMenuMsg2(UINT message, WPARAM wparam, LPARAM lparam,
                                LRESULT* result) override;

  private:
    // One selected path ending in ".vx" or ".VX".
    bool decrypt_mode() const;
    HRESULT invoke(UINT offset);

    LONG refs_ = 0;  // apartment-threaded: only ever touched on the creating thread
    std::vector<std::wstring> paths_;
    Bitmap bitmap_;  // the menu image, made at the first menu; the menu does not own it
    bool bitmap_tried_ = false;
};

}  // namespace vx::shellext
