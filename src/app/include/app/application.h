#pragma once
// The application object of Vaultrix.exe: Start makes the program's globals and the main window
// and handles the command line, Run runs the message loop until the quit message, End destroys
// the window and the globals. The exit code is -1 when the window cannot be made, 0 when the
// cipher engine or a 64-bit file function is missing, and the quit message's otherwise.
#include <windows.h>

#include <memory>
#include <string>

#include "ui/main_window.h"

namespace vx::app {

// What an application event hands back: whether to go on, and the exit code so far.
struct Event {
    bool stop = false;
    int exit_code = 0;
};

class Application {
public:
    // 'arguments' is the command line without the program's name.
    Application(HINSTANCE module, std::string arguments);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void start(Event& event);
    void run(Event& event);
    void end();

    // Start, Run unless Start said stop, End; the exit code.
    int execute();

    // The main window; null before Start, after a failed start and after End.
    ui::MSystem* main_window() const { return window_.get(); }

private:
    class Globals;

    HINSTANCE module_;
    std::string arguments_;
    std::unique_ptr<Globals> globals_;
    std::unique_ptr<ui::MSystem> window_;
};

}  // namespace vx::app
