#pragma once
// The main window's rules that every front end shares: the key check and its warnings, the checks
// of a container chosen for decrypting, the target proposed for a selection, and the notices shown
// after a run. The texts are the product's own, spelling included ("Succesfully"): change none of
// them. All of them are shown with the caption "Warning", but the two notices ("Attention").
#include <cstddef>
#include <optional>
#include <string>

namespace vx {

namespace msg {

inline std::string no_key(bool crypting) {
    return crypting ? "Please, enter 8-digit crypting key." : "Please, enter 8-digit decrypting key.";
}
inline std::string key_not_8_digit(bool crypting) {
    return std::string(crypting ? "Crypting" : "Decrypting") +
           " key is not 8-digit!\r\n\r\nPlease, re-enter it.";
}
inline std::string source_not_exists(const std::string& source) {
    return "File '" + source + "' not exists!\r\n\r\nPlease, select another file.";
}
inline std::string source_size_unknown(const std::string& source) {
    return "Size of file '" + source + "' cannot be determined!\r\n\r\nPlease, select another file.";
}
inline std::string no_target(bool crypting) {
    return crypting ? "Please, select file where to save crypted file."
                    : "Please, select directory where to save decrypted file(s).";
}
inline std::string unknown_command() {
    return "Unknown command!\r\n\r\nPlease, try to restart or reinstall application.";
}
inline std::string crypted_to(const std::string& target) {
    return "Succesfully crypted to '" + target + "'.";
}
inline std::string decrypted_to(const std::string& target) {
    return "Decryption process completed to '" + target + "'.";
}

}  // namespace msg

// The key check: exactly 8 characters, each one of "0" to "9".
bool key_check(const std::string& key);

// The warning for a key that does not pass the check (the empty key has its own), or none.
std::optional<std::string> key_warning(const std::string& key, bool crypting);

// The warning for a container that cannot be decrypted at all (missing, or its size cannot be
// determined), or none.
std::optional<std::string> source_warning(const std::string& container);

// The container's several-entries mark: its first byte is "1". A file that cannot be read counts
// as not marked.
bool several_entries_mark(const std::string& container);

// The target proposed for a selection of 'count' top-level items, 'path' the first of them:
//   crypting, one item:      the path with its extension replaced by ".vx" (a folder: its path
//                            plus ".vx");
//   crypting, several:       the folder of the path, then "CryptedFiles.vx";
//   decrypting, one item:    the container's folder, ending in the separator; for a container
//                            marked as made of several items, that folder plus the container's
//                            name without extension, ending in the separator;
//   no item, or decrypting several: empty.
std::string default_target(const std::string& path, std::size_t count, bool crypting);

}  // namespace vx
