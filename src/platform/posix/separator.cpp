#include "platform/path.h"

namespace vx::path {

const char kSeparator = '/';

bool is_separator(char c) { return c == '/'; }

}  // namespace vx::path
