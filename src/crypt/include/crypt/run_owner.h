#pragma once
// What the crypting and decrypting runs use of the window that starts them: the selection, its
// flags, the cipher engine and the key layer, and the outcome flags the runs write at their end.
// The Win32 main window and the terminal front end each hold one.
#include <cstdint>
#include <string>

#include "crypt/engine.h"
#include "crypt/file_list.h"
#include "crypt/key_layer.h"

namespace vx {

// What the runs ask of the system beyond files: deleting to the recycle bin and handing a file
// to the mail client. The tests put in their own.
class Services {
public:
    enum class Mail { sent, library_missing, function_missing, failed };

    virtual ~Services() = default;
    virtual bool move_to_trash(const std::string& path);
    // Opens the mail client's compose window with the file attached and the subject given;
    // 'parent' is the native window that owns it (0 for none).
    virtual Mail send_mail(const std::string& file, const std::string& subject,
                           std::uintptr_t parent);

    // The services of the operating system.
    static Services& system();
};

struct RunOwner {
    FileList file_list;
    std::uint32_t several_entries = 0;
    CipherEngine* engine = nullptr;
    CCodeStr layer;
    Services* services = &Services::system();

    // 0 when the run did what was asked, 1 when it failed (or, decrypting, was stopped or
    // refused something). A crypting run the user declined (No to "Replace") writes nothing and
    // leaves the flag 1 with 'crypting_declined' set, so nobody reads it as a finished container.
    std::uint32_t crypting_failed = 0;
    std::uint32_t crypting_declined = 0;
    std::uint32_t decrypting_failed = 0;
};

}  // namespace vx
