#include "window/mode.h"

#include <cctype>

#include "crypt/window_rules.h"
#include "platform/path.h"

namespace vx::window {

namespace {

struct Named {
    Command command;
    const char* caption;
};
constexpr Named kCaptions[] = {
    {Command::crypt, "Crypt"},
    {Command::crypt_email, "Crypt && Email"},
    {Command::crypt_delete, "Crypt && Delete"},
    {Command::decrypt, "Decrypt"},
    {Command::decrypt_delete, "Decrypt && Delete"},
};

}  // namespace

std::string caption(Command command) {
    for (const auto& n : kCaptions) {
        if (n.command == command) return n.caption;
    }
    return std::string();
}

std::optional<Command> command_of(const std::string& text) {
    for (const auto& n : kCaptions) {
        if (text == n.caption) return n.command;
    }
    return std::nullopt;
}

Command command_for(bool crypting, int variant) {
    if (crypting) {
        return variant == 1   ? Command::crypt_email
               : variant == 2 ? Command::crypt_delete
                              : Command::crypt;
    }
    return variant == 1 ? Command::decrypt_delete : Command::decrypt;
}

bool is_decrypting(Command command) {
    return command == Command::decrypt || command == Command::decrypt_delete;
}

std::string items_selected(std::size_t count) { return std::to_string(count) + " items selected"; }

Look mode_look(const std::string& p, std::size_t count, bool crypting, int variant) {
    Look l;
    l.file_text = count == 0 ? std::string() : count == 1 ? p : items_selected(count);
    l.key_label = crypting ? "Enter 8-digit crypting key:" : "Enter 8-digit decrypting key:";
    l.zipping_label = crypting ? "Set zipping option:" : "Set unzipping option:";
    l.result_label = crypting ? "Save crypted file to:" : "Save decrypted files to:";
    l.command = caption(command_for(crypting, variant));
    l.target = default_target(p, count, crypting);
    l.selection_controls_enabled = count > 0;
    l.zipping_enabled = count > 0 && crypting;
    l.depends_enabled = count > 0 && !crypting;
    l.zipping_shown = crypting;
    l.depends_shown = !crypting;
    l.focus_key = count > 0;
    return l;
}

bool chooses_folder(const std::string& source) { return path::extension(source) == ".vx"; }

std::string folder_target(const std::string& picked) {
    std::string t = picked;
    while (path::ends_with_separator(t)) t.pop_back();
    return t + path::kSeparator;
}

std::string container_target(const std::string& chosen) {
    std::string ext = path::extension(chosen);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".vx" ? chosen : chosen + ".vx";
}

}  // namespace vx::window
