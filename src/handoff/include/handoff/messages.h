#pragma once
// Every text the hand-off shows the user. The wording is the product's own: change none of it.
#include <string>

namespace vx::handoff::msg {

// The writer's (shown by the shell extension with no owner and an empty caption).
inline const char* const kCreateFailed = "Could not create file mapping object.";
inline const char* const kMapFailed = "Could not map view of file.";
// A selected path that the blocks cannot carry unchanged.
inline const char* const kUnsuitablePath = "Could not pass the selected paths to Vaultrix.";

// The reader's (owned by the progress dialog, exclamation icon).
inline const char* const kWarning = "Warning";
inline const char* const kError = "Error";
inline std::string not_opened(const std::string& name) {
    return "Mapping file object '" + name + "' cannot be opened!";
}
inline std::string not_mapped(const std::string& name) {
    return "Map view of file '" + name + "' cannot be done!";
}
inline std::string unexpected_end(const std::string& name) {
    return "Mapping file object '" + name + "' unexpected end!";
}

}  // namespace vx::handoff::msg
