// Vaultrix.exe.
#include <windows.h>

#include "app/application.h"
#include "platform/win32/wide.h"
#include "window/launch.h"

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    vx::app::Application app(module,
                             vx::window::argument_text(vx::win32::narrow(GetCommandLineW())));
    return app.execute();
}
