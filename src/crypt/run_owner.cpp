#include "crypt/run_owner.h"

#include "platform/mail.h"
#include "platform/trash.h"

namespace vx {

bool Services::move_to_trash(const std::string& path) { return fs::move_to_trash(path); }

Services::Mail Services::send_mail(const std::string& file, const std::string& subject,
                                   std::uintptr_t parent) {
    switch (mail::send(file, subject, parent)) {
        case mail::Result::sent: return Mail::sent;
        case mail::Result::library_missing: return Mail::library_missing;
        case mail::Result::function_missing: return Mail::function_missing;
        case mail::Result::failed: break;
    }
    return Mail::failed;
}

Services& Services::system() {
    static Services services;
    return services;
}

}  // namespace vx
