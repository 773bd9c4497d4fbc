#include <windows.h>
#include <shellapi.h>

#include "platform/trash.h"
#include "platform/win32/wide.h"

namespace vx::fs {

bool move_to_trash(const std::string& path) {
    // The shell wants a list of names, each ended by a zero, the list by one more.
    std::wstring from = win32::widen(path);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.hwnd = nullptr;
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = 0x25C;  // FOF_SILENT | FOF_RENAMEONCOLLISION | FOF_NOCONFIRMATION |
                        // FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR
    int rc = SHFileOperationW(&op);
    return rc == 0 && !op.fAnyOperationsAborted &&
           GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace vx::fs
