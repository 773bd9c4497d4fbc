#pragma once
// Every text vx writes to the terminal: help, prompts, its own messages, the list and verify
// reports, and the status line. The wording rules are at the top of output.cpp.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vx::cli::text {

// --- help -------------------------------------------------------------------------------------

std::string usage();  // the whole help: every command, the key, the answers, the exit status
std::string crypt_help();
std::string decrypt_help();
std::string list_help();
std::string verify_help();
std::string version();

// A usage problem, and the hint to the help after it.
std::string usage_error(const std::string& problem);
std::string no_command();
std::string unknown_command(const std::string& name);
std::string unknown_option(const std::string& option);
std::string missing_value(const std::string& option);
std::string given_twice(const std::string& option);
std::string conflicting(const std::string& a, const std::string& b);
std::string no_paths();
std::string empty_path();
std::string one_container();

// --- the key and the questions --------------------------------------------------------------

std::string key_prompt(bool crypting);  // "Enter 8-digit crypting key: "
// A message with its caption in front and every "\r\n" shown as a line break, ending in one.
std::string message(const std::string& caption, const std::string& text);
// A question, the choices after it: "[y/N] " or, with 'yes_to_all', "[y/a/N] ".
std::string question(const std::string& caption, const std::string& text, bool yes_to_all);
// What an unattended answer shows after the question: "y", "a" or "n", and the line end.
std::string answered(char choice);

// --- vx's own messages (shown with the caption "Warning" unless said otherwise) -------------

std::string key_file_unreadable(const std::string& file);
std::string selection_incomplete();
std::string target_is_folder(const std::string& target);
std::string target_is_source(const std::string& target);
std::string target_inside_source(const std::string& target, const std::string& folder);
std::string stopped();  // caption "Attention"

// --- list -------------------------------------------------------------------------------------

std::string list_header();
std::string list_row(const std::string& number, const std::string& kind,
                     const std::string& payload_length, const std::string& block_length,
                     const std::string& part_mark, const std::string& compression_mark,
                     const std::string& path);

struct Totals {
    std::size_t entries = 0;
    std::size_t folders = 0;
    std::size_t files = 0;
    std::size_t blocks = 0;
    std::uint64_t bytes = 0;  // the data area
};
std::string list_summary(const std::string& container, const Totals& totals, bool several);

// --- verify -----------------------------------------------------------------------------------

std::string verifying(std::size_t entry, std::size_t entries, const std::string& path);
// One damaged entry: its number, which block of its file it is (0 of 0 when it is the file's
// only one), its path and what is wrong with it (one of the reasons below).
std::string damaged_entry(const std::string& number, std::size_t block, std::size_t blocks,
                          const std::string& path, const std::string& reason);
std::string reason_unsound();
std::string reason_unreadable();
std::string reason_unzip();
std::string reason_check_value();
std::string unused_data(std::uint64_t bytes);
std::string trailing_bytes(std::uint64_t bytes);
std::string verify_summary(const std::string& container, const Totals& totals,
                           std::size_t damaged);

// --- the status line ------------------------------------------------------------------------

// "12.3 MiB/s, 0:42 left"
std::string speed(double bytes_per_second, double seconds_left);
// "[#####---------------]  25%  <speed>  <status text>", cut to 'width' columns.
std::string status_line(int percent, const std::string& speed, const std::string& status,
                        int width);

// Text as it may go to a terminal: "\r\n" becomes a line break and every other control character
// is shown as "?", so that no name can steer the terminal.
std::string printable(const std::string& text);

}  // namespace vx::cli::text
