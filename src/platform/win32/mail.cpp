#include <windows.h>
#include <mapi.h>

#include "platform/library.h"
#include "platform/mail.h"
#include "platform/path.h"
#include "platform/win32/wide.h"

namespace vx::mail {

namespace {

// The simple mail interface takes text in the system's ANSI code page.
std::string ansi(const std::string& utf8) {
    std::wstring w = win32::widen(utf8);
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

}  // namespace

Result send(const std::string& file, const std::string& subject, std::uintptr_t parent) {
    Library mapi;
    if (!mapi.load_system("mapi32.dll")) return Result::library_missing;
    auto send_mail = reinterpret_cast<LPMAPISENDMAIL>(mapi.symbol("MAPISendMail"));
    if (!send_mail) return Result::function_missing;

    std::string path_text = ansi(file);
    std::string name_text = ansi(subject);
    MapiFileDesc attachment{};
    attachment.ulReserved = 0;
    attachment.flFlags = 0;
    attachment.nPosition = 0xFFFFFFFF;  // no place in the body
    attachment.lpszPathName = path_text.data();
    attachment.lpszFileName = name_text.data();
    attachment.lpFileType = nullptr;

    MapiMessage message{};
    message.lpszSubject = name_text.data();
    message.nFileCount = 1;
    message.lpFiles = &attachment;

    ULONG rc = send_mail(0, static_cast<ULONG_PTR>(parent), &message, MAPI_LOGON_UI | MAPI_DIALOG,
                         0);
    return rc == 0 ? Result::sent : Result::failed;
}

}  // namespace vx::mail
