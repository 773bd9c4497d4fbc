#pragma once
// The main window's two modes. The command button's caption is the mode and the command variant
// at once; the window reads it back to decide what to run, so the captions below are compared
// exactly ("&&" is how a button caption shows one ampersand).
#include <cstddef>
#include <optional>
#include <string>

namespace vx::window {

enum class Command { crypt, crypt_email, crypt_delete, decrypt, decrypt_delete };

// "Crypt", "Crypt && Email", "Crypt && Delete", "Decrypt", "Decrypt && Delete".
std::string caption(Command command);
// The command a caption stands for; none for any other text.
std::optional<Command> command_of(const std::string& caption);
// The command for a mode and a variant (0, 1 or 2): crypting 0-2 give Crypt, Crypt && Email,
// Crypt && Delete; decrypting 1 gives Decrypt && Delete, anything else Decrypt.
Command command_for(bool crypting, int variant);
bool is_decrypting(Command command);

// What the window shows for a selection of 'count' top-level items, 'path' the first of them.
struct Look {
    std::string file_text;  // tb_File
    std::string key_label;
    std::string zipping_label;
    std::string result_label;
    std::string command;  // cb_Crypt's caption
    std::string target;   // tb_Result: the default target
    // lb_Key, tb_Key, lb_Asterisk, pictb_Key, lb_Zipping, lb_Result, tb_Result and cb_Result.
    bool selection_controls_enabled = false;
    bool zipping_enabled = false;  // optb_ZippingOn and optb_ZippingOff
    bool depends_enabled = false;  // optb_ZippingDepends
    bool zipping_shown = true;     // On and Off: crypting mode only
    bool depends_shown = false;    // "Depends on source file": decrypting mode only
    bool focus_key = false;        // the key box takes the focus, else the Select button
};

// The set-mode operation's result. The key text and the zipping choice are not part of it: a new
// selection leaves them as they were.
Look mode_look(const std::string& path, std::size_t count, bool crypting, int variant);

// "%i items selected" filled with the count.
std::string items_selected(std::size_t count);

// Which chooser "Change" opens: the folder browser for a source whose extension is exactly ".vx",
// else the save dialog.
bool chooses_folder(const std::string& source);
// A folder picked in the browser as a target: every trailing separator off, then exactly one.
std::string folder_target(const std::string& picked);
// A file chosen in the save dialog as a target: ".vx" appended unless its extension, in small
// letters, is ".vx" already.
std::string container_target(const std::string& chosen);

// The texts of the two choosers.
inline constexpr const char* kSelectDirectory = "Select directory";
inline constexpr const char* kCryptedFilesFilter = "Crypted files (*.vx)";
inline constexpr const char* kAllFilesFilter = "All files (*.*)";

}  // namespace vx::window
