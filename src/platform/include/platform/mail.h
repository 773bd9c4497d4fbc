#pragma once
// Handing a file to the system's mail client: its compose window opens with the file attached,
// and the user picks the recipients there.
#include <cstdint>
#include <string>

namespace vx::mail {

enum class Result {
    sent,
    library_missing,   // Windows: "mapi32.dll" cannot be loaded; POSIX: no xdg-email
    function_missing,  // Windows: "MAPISendMail" is not in it
    failed,            // the mail client reported an error, or the user cancelled the compose window
};

// 'subject' is also the attachment's name; 'parent' is the native window that owns the compose
// window (0 for none).
Result send(const std::string& file, const std::string& subject, std::uintptr_t parent);

}  // namespace vx::mail
