// Every text vx writes to the terminal lives in this file. How they are worded:
//
// - The texts of the runs and of the main window (crypt/messages.h, crypt/window_rules.h, the
//   archiver's) are the product's own and are shown exactly as they are, spelling included. vx
//   only frames them: the caption and ": " in front ("Warning: ...", "Error: ...",
//   "Attention: ..."), every "\r\n" shown as a line break, the choices after a question.
// - vx's own messages speak like the product's: a sentence that names the file in single quotes
//   and ends in "!" or ".", then, after an empty line, what the user can do. They carry the
//   caption "Warning" (a problem the user can fix) or "Attention" (a notice).
// - Usage problems are one line, "vx: " and the problem in lower case, then the hint to --help.
// - Messages, questions and the status line go to standard error; standard output carries only
//   what was asked for: the help, the version, the list and the verify report.
// - No colours and no escape sequences: the status line is redrawn with a carriage return and
//   spaces, which every terminal and console understands. Control characters in names are shown
//   as "?".
// - Sizes in reports are bytes; the status line gives speeds in MiB/s (1,048,576 bytes), like
//   the runs' own "(10.00 of 25.00 MB)".
#include "output.h"

#include <cstdarg>
#include <cstdio>

namespace vx::cli::text {

namespace {

constexpr const char* kHint = "Try 'vx --help'.";

std::string format(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* f, ...) {
    char buf[512];
    va_list args;
    va_start(args, f);
    std::vsnprintf(buf, sizeof buf, f, args);
    va_end(args);
    return buf;
}

// The number of terminal columns a UTF-8 text takes, one per character.
std::size_t columns(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) != 0x80) ++n;
    }
    return n;
}

// The first 'n' characters of a UTF-8 text.
std::string first_columns(const std::string& s, std::size_t n) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == n) return s.substr(0, i);
            ++seen;
        }
    }
    return s;
}

std::string plural(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string totals_text(const Totals& t) {
    return plural(t.folders, "folder", "folders") + ", " + plural(t.files, "file", "files") +
           " in " + plural(t.blocks, "block", "blocks") + ", " +
           plural(t.bytes, "byte", "bytes") + " of crypted data";
}

}  // namespace

// --- help -------------------------------------------------------------------------------------

std::string usage() {
    return "vx: Vaultrix on the command line. It packs files and folders into one crypted\n"
           "container (.vx) and re-creates them from it, checking every block.\n"
           "\n"
           "Usage:\n"
           "  vx crypt   [--zip] [--delete-sources | --email] [-o TARGET] [ANSWER] PATH...\n"
           "  vx decrypt [--delete-container] [-o FOLDER] [ANSWER] CONTAINER\n"
           "  vx list    CONTAINER\n"
           "  vx verify  CONTAINER\n"
           "  vx --help | vx COMMAND --help | vx --version\n"
           "\n"
           "Commands:\n"
           "  crypt    crypt every PATH (a folder with everything in it) into one container\n"
           "  decrypt  re-create the folders and files of CONTAINER, checking every block\n"
           "  list     show the entries of CONTAINER\n"
           "  verify   check every row and block of CONTAINER; nothing is written\n"
           "\n"
           "The key:\n"
           "  Eight digits, never an argument (other users can read a program's arguments).\n"
           "  It is read from the first line of --key-file FILE, else from the environment\n"
           "  variable VX_KEY, else it is asked on the terminal without being shown.\n"
           "\n"
           "Options of every command:\n"
           "  --key-file FILE  read the key from the first line of FILE\n"
           "  --quiet          show nothing but warnings and errors\n"
           "\n"
           "ANSWER (crypt and decrypt): --yes, --yes-to-all or --no answers every question\n"
           "  for unattended use. Without one, questions are asked on the terminal; with no\n"
           "  terminal, every question is answered No.\n"
           "\n"
           "Exit status: 0 done, 1 the run failed, 2 bad usage, 3 declined (nothing done),\n"
           "  130 stopped by Ctrl-C.\n";
}

std::string crypt_help() {
    return "Usage: vx crypt [--zip] [--delete-sources | --email] [-o TARGET] [ANSWER]\n"
           "                PATH...\n"
           "\n"
           "Crypts every PATH into one container; a folder with everything below it. All\n"
           "PATHs must lie in one folder.\n"
           "\n"
           "  -o TARGET         the container to write; by default the PATH's name with the\n"
           "                    extension .vx for one PATH, CryptedFiles.vx beside them for\n"
           "                    several\n"
           "  --zip             compress every block with 7-Zip before it is crypted\n"
           "  --delete-sources  afterwards, check the container and move the PATHs to the\n"
           "                    trash\n"
           "  --email           afterwards, hand the container to the mail client, then\n"
           "                    remove it\n"
           "  --yes, --yes-to-all, --no\n"
           "                    the answer to every question (such as replacing TARGET)\n"
           "  --key-file FILE   read the key from the first line of FILE (else VX_KEY, else\n"
           "                    the terminal)\n"
           "  --quiet           show nothing but warnings and errors\n"
           "\n"
           "The container is written under a temporary name and takes TARGET's name only\n"
           "when it is complete: an old TARGET stays as it was until then.\n";
}

std::string decrypt_help() {
    return "Usage: vx decrypt [--delete-container] [-o FOLDER] [ANSWER] CONTAINER\n"
           "\n"
           "Re-creates the folders and files of CONTAINER in FOLDER, checking every block.\n"
           "\n"
           "  -o FOLDER           where to put them; by default CONTAINER's folder, or for a\n"
           "                      container made of several items a folder named after it\n"
           "  --delete-container  afterwards, move CONTAINER to the trash when all went well\n"
           "  --yes, --yes-to-all, --no\n"
           "                      the answer to every question (such as replacing a file)\n"
           "  --key-file FILE     read the key from the first line of FILE (else VX_KEY,\n"
           "                      else the terminal)\n"
           "  --quiet             show nothing but warnings and errors\n";
}

std::string list_help() {
    return "Usage: vx list [--key-file FILE] [--quiet] CONTAINER\n"
           "\n"
           "Shows the entries of CONTAINER: number, kind (D folder, F file), payload and\n"
           "block lengths, part mark (1: one of several blocks of a file), compression mark\n"
           "(1: zipped) and relative path. A file of several blocks has one entry per block.\n";
}

std::string verify_help() {
    return "Usage: vx verify [--key-file FILE] [--quiet] CONTAINER\n"
           "\n"
           "Checks every row and every block of CONTAINER against its check values, writing\n"
           "nothing. Shows each damaged entry and the totals; the exit status is 1 when\n"
           "anything is damaged.\n";
}

std::string version() { return std::string("vx ") + VX_VERSION + "\n"; }

std::string usage_error(const std::string& problem) {
    return "vx: " + printable(problem) + "\n" + kHint + "\n";
}
std::string no_command() { return "no command given"; }
std::string unknown_command(const std::string& name) { return "unknown command '" + name + "'"; }
std::string unknown_option(const std::string& option) { return "unknown option '" + option + "'"; }
std::string missing_value(const std::string& option) { return "'" + option + "' needs a value"; }
std::string given_twice(const std::string& option) { return "'" + option + "' given twice"; }
std::string conflicting(const std::string& a, const std::string& b) {
    return "'" + a + "' and '" + b + "' cannot be given together";
}
std::string no_paths() { return "nothing to crypt: no PATH given"; }
std::string empty_path() { return "an empty path was given"; }
std::string one_container() { return "exactly one CONTAINER is needed"; }

// --- the key and the questions --------------------------------------------------------------

std::string key_prompt(bool crypting) {
    return crypting ? "Enter 8-digit crypting key: " : "Enter 8-digit decrypting key: ";
}

std::string message(const std::string& caption, const std::string& body) {
    return printable(caption + ": " + body) + "\n";
}

std::string question(const std::string& caption, const std::string& body, bool yes_to_all) {
    return printable(caption + ": " + body) + (yes_to_all ? " [y/a/N] " : " [y/N] ");
}

std::string answered(char choice) { return std::string(1, choice) + "\n"; }

// --- vx's own messages ----------------------------------------------------------------------

std::string key_file_unreadable(const std::string& file) {
    return "Key file '" + file + "' cannot be read!\r\n\r\nPlease, check if file exists and "
           "accessible.";
}
std::string selection_incomplete() {
    return "Nothing crypted!\r\n\r\nNot every selected file could be found or listed. Please, "
           "select files again.";
}
std::string target_is_folder(const std::string& target) {
    return "Crypted file '" + target + "' cannot be saved!\r\n\r\nA folder of that name "
           "exists. Please, name the crypted file itself.";
}
std::string target_is_source(const std::string& target) {
    return "Crypted file '" + target + "' cannot be saved!\r\n\r\nIt is one of the selected "
           "files. Please, select another crypted file.";
}
std::string target_inside_source(const std::string& target, const std::string& folder) {
    return "Crypted file '" + target + "' cannot be saved inside '" + folder +
           "'!\r\n\r\nThe selected folder is deleted or emailed away after crypting. Please, "
           "select another crypted file.";
}
std::string stopped() { return "Stopped by the user (Ctrl-C)."; }

// --- list -------------------------------------------------------------------------------------

std::string list_header() {
    return format("%6s %-4s %10s %10s %4s %4s  %s\n", "No", "Kind", "Payload", "Block", "Part",
                  "Zip", "Path");
}

std::string list_row(const std::string& number, const std::string& kind,
                     const std::string& payload_length, const std::string& block_length,
                     const std::string& part_mark, const std::string& compression_mark,
                     const std::string& path) {
    return printable(format("%6s %-4s %10s %10s %4s %4s  ", number.c_str(), kind.c_str(),
                            payload_length.c_str(), block_length.c_str(), part_mark.c_str(),
                            compression_mark.c_str()) +
                     path) +
           "\n";
}

std::string list_summary(const std::string& container, const Totals& t, bool several) {
    return printable(plural(t.entries, "entry", "entries") + " in '" + container + "': " +
                     totals_text(t) + (several ? "; made of several items" : "")) +
           ".\n";
}

// --- verify -----------------------------------------------------------------------------------

std::string verifying(std::size_t entry, std::size_t entries, const std::string& path) {
    return "Verifying entry " + std::to_string(entry) + " of " + std::to_string(entries) + ": " +
           path;
}

std::string damaged_entry(const std::string& number, std::size_t block, std::size_t blocks,
                          const std::string& path, const std::string& reason) {
    std::string where = "Damaged: entry " + number;
    if (blocks > 1) where += ", block " + std::to_string(block) + " of " + std::to_string(blocks);
    return printable(where + ", '" + path + "': " + reason) + "\n";
}
std::string reason_unsound() { return "its lengths or its name do not fit the container."; }
std::string reason_unreadable() { return "its block cannot be read."; }
std::string reason_unzip() { return "its block cannot be unzipped."; }
std::string reason_check_value() { return "MAC check not passed."; }

std::string unused_data(std::uint64_t bytes) {
    return "Damaged: the data area holds " + plural(bytes, "byte", "bytes") +
           " that no entry accounts for.\n";
}
std::string trailing_bytes(std::uint64_t bytes) {
    return "Damaged: " + plural(bytes, "byte follows", "bytes follow") +
           " the info row.\n";
}

std::string verify_summary(const std::string& container, const Totals& t, std::size_t damaged) {
    std::string head =
        damaged == 0 ? "All " + plural(t.entries, "entry", "entries") + " of '" + container +
                           "' are sound"
                     : std::to_string(damaged) + " of " + plural(t.entries, "entry", "entries") +
                           " of '" + container + "' " + (damaged == 1 ? "is" : "are") +
                           " damaged";
    return printable(head + ": " + totals_text(t)) + ".\n";
}

// --- the status line ------------------------------------------------------------------------

std::string speed(double bytes_per_second, double seconds_left) {
    const long left = seconds_left < 0 ? 0 : static_cast<long>(seconds_left + 0.5);
    std::string time = left >= 3600 ? format("%ld:%02ld:%02ld", left / 3600, left / 60 % 60,
                                             left % 60)
                                    : format("%ld:%02ld", left / 60, left % 60);
    return format("%.1f MiB/s, ", bytes_per_second / 1048576.0) + time + " left";
}

std::string status_line(int percent, const std::string& speed_text, const std::string& status,
                        int width) {
    constexpr int kBar = 20;
    const int p = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    const int filled = p * kBar / 100;
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBar - filled), '-') + "] " +
                       format("%3d%%", p);
    if (!speed_text.empty()) line += "  " + speed_text;
    std::string shown = printable(status);
    for (char& c : shown) {
        if (c == '\n') c = ' ';
    }
    line += "  " + shown;
    // One column short of the width, so that the cursor never wraps to a new line.
    const std::size_t room = width > 1 ? static_cast<std::size_t>(width - 1) : 1;
    if (columns(line) > room) line = first_columns(line, room > 3 ? room - 3 : room) + "...";
    return line;
}

std::string printable(const std::string& in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        if (c == '\r' && i + 1 < in.size() && in[i + 1] == '\n') {
            out += '\n';
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += '?';
        } else if (c == 0xC2 && i + 1 < in.size() &&
                   static_cast<unsigned char>(in[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(in[i + 1]) <= 0x9F) {
            out += '?';  // a C1 control character, which some terminals obey
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace vx::cli::text
