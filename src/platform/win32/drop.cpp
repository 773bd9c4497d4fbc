#include "platform/win32/drop.h"

namespace vx::win32 {

std::vector<std::wstring> dropped_paths(HDROP drop) {
    std::vector<std::wstring> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::wstring path(length + 1, L'\0');
        const UINT got = DragQueryFileW(drop, i, path.data(), length + 1);
        if (got == 0 || got > length) continue;
        path.resize(got);
        paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace vx::win32
