#include "app/application.h"

#include <commctrl.h>
#include <objbase.h>

#include "handoff/command_line.h"

namespace vx::app {

// What every window of the program needs before the first is made: the common controls, and COM
// on this thread for the folder browser.
class Application::Globals {
public:
    Globals() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    }
    ~Globals() {
        if (com_) CoUninitialize();
    }
    Globals(const Globals&) = delete;
    Globals& operator=(const Globals&) = delete;

private:
    bool com_ = false;
};

Application::Application(HINSTANCE module, std::string arguments)
    : module_(module), arguments_(std::move(arguments)) {}

Application::~Application() { end(); }

void Application::start(Event& event) {
    globals_ = std::make_unique<Globals>();
    window_ = std::make_unique<ui::MSystem>();
    if (window_->binding() != ui::MSystem::Binding::ok) {
        // The engine's own message has been shown, if it had one.
        window_.reset();
        event.stop = true;
        event.exit_code = 0;
        return;
    }
    if (!window_->create(module_)) {
        window_.reset();
        event.stop = true;
        event.exit_code = -1;
        return;
    }
    window_->make_main();
    window_->show_and_launch(handoff::parse_launch(arguments_));
}

void Application::run(Event& event) {
    MSG msg{};
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) {
            msg.wParam = 0;
            break;
        }
        HWND main = window_ ? window_->hwnd() : nullptr;
        if (main && IsDialogMessageW(main, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    event.exit_code = static_cast<int>(msg.wParam);
}

void Application::end() {
    window_.reset();
    globals_.reset();
}

int Application::execute() {
    Event event;
    start(event);
    if (!event.stop) run(event);
    end();
    return event.exit_code;
}

}  // namespace vx::app
