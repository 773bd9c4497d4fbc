#include <gio/gio.h>

#include "platform/trash.h"

namespace vx::fs {

bool move_to_trash(const std::string& path) {
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    gboolean ok = g_file_trash(file, nullptr, &error);
    if (error) g_error_free(error);
    g_object_unref(file);
    return ok != FALSE;
}

}  // namespace vx::fs
