// Vaultrix.exe in processes of its own, started the ways it is started: plainly, by the shell
// extension with a hand-off, without its cipher engine, and without its main window's form.
#include <gtest/gtest.h>

#include <functional>

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/win32/wide.h"
#include "temp_dir.h"
#include "ui/handle.h"
#include "ui/main_resources.h"
#include "window_driver.h"

namespace vx {
namespace {

namespace gui = test::gui;
namespace drive = test::window;
using ui::Handle;

struct Program {
    Handle process;
    DWORD pid = 0;
};

// Starts 'exe' with exactly 'command_line', as the shell extension starts the program.
Program start(const std::string& exe, const std::string& command_line) {
    Program p;
    std::wstring app = win32::widen(exe);
    std::wstring line = win32::widen(command_line);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
        CloseHandle(pi.hThread);
        p.process.reset(pi.hProcess);
        p.pid = pi.dwProcessId;
    }
    return p;
}

// The exit code once the program has ended within 'ms'; STILL_ACTIVE otherwise. 'meanwhile' is
// called every few milliseconds while it runs.
DWORD exit_code(const Program& p, int ms, const std::function<void()>& meanwhile = {}) {
    gui::wait_until(
        [&] {
            if (WaitForSingleObject(p.process.get(), 0) == WAIT_OBJECT_0) return true;
            if (meanwhile) meanwhile();
            return false;
        },
        ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(p.process.get(), &code);
    return code;
}

void end(const Program& p) {
    if (WaitForSingleObject(p.process.get(), 0) == WAIT_OBJECT_0) return;
    drive::close_all(p.pid);
    if (exit_code(p, 3000) == STILL_ACTIVE) TerminateProcess(p.process.get(), 9);
}

std::string beside_me(const std::string& name) { return path::join(fs::program_directory(), name); }

bool copy(const std::string& from, const std::string& to) {
    return CopyFileW(win32::widen(from).c_str(), win32::widen(to).c_str(), FALSE) != FALSE;
}

// Takes the form resource "ID_MSystem" out of a copy of the program: its name in the resource
// directory (kept there in capitals, as UTF-16) becomes one the program does not ask for.
bool remove_form(const std::string& exe) {
    std::string image = test::read_file(exe);
    const std::u16string name = u"ID_MSYSTEM";
    const std::string from(reinterpret_cast<const char*>(name.data()), name.size() * 2);
    std::size_t at = image.find(from);
    if (at == std::string::npos || image.find(from, at + 1) != std::string::npos) return false;
    image[at + from.size() - 2] = 'X';
    test::write_file(exe, image);

    HMODULE module = LoadLibraryExW(win32::widen(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return false;
    const bool form_gone = FindResourceW(module, L"ID_MSystem", RT_DIALOG) == nullptr;
    const bool icon_kept = FindResourceW(module, MAKEINTRESOURCEW(IDI_PRODUCT), RT_GROUP_ICON);
    FreeLibrary(module);
    return form_gone && icon_kept;
}

TEST(VaultrixExe, StartedPlainlyItShowsNothingSelectedAndEndsWithZero) {
    Program p = start(beside_me("Vaultrix.exe"), "Vaultrix.exe");
    ASSERT_TRUE(p.process);
    HWND main = drive::wait_main(p.pid);
    ASSERT_TRUE(main);
    EXPECT_EQ(drive::text(main, IDC_TB_FILE), "");
    EXPECT_EQ(drive::text(main, IDC_CB_CRYPT), "Crypt");
    EXPECT_FALSE(drive::enabled(main, IDC_TB_KEY));
    // No dialog came with it.
    EXPECT_EQ(drive::windows_of(p.pid).size(), 1u);
    gui::system_close(main);
    EXPECT_EQ(exit_code(p, gui::kWaitMs), 0u);
    end(p);
}

TEST(VaultrixExe, WithoutTheCipherEngineItWarnsAndEndsWithZero) {
    test::TempDir dir;
    const std::string exe = dir / "Vaultrix.exe";
    ASSERT_TRUE(copy(beside_me("Vaultrix.exe"), exe));
    Program p = start(exe, "Vaultrix.exe");
    ASSERT_TRUE(p.process);
    HWND box = drive::wait_box(L"Warning", p.pid);
    ASSERT_TRUE(box);
    EXPECT_EQ(drive::box_text(box), L"File 'valid.dll' not found");
    EXPECT_FALSE(drive::find(p.pid, L"#32770", L" Vaultrix"));
    gui::press(box, IDOK);
    EXPECT_EQ(exit_code(p, gui::kWaitMs), 0u);
    end(p);
}

TEST(VaultrixExe, WithoutItsFormItShowsNothingAndEndsWithMinusOne) {
    test::TempDir dir;
    for (const char* f : {"valid.dll", "libgcrypt-20.dll", "libgpg-error-0.dll", "ast.ico",
                          "eye.ico", "Hand.cur"}) {
        ASSERT_TRUE(copy(beside_me(f), dir / f)) << f;
    }
    const std::string exe = dir / "Vaultrix.exe";
    ASSERT_TRUE(copy(beside_me("Vaultrix.exe"), exe));
    ASSERT_TRUE(remove_form(exe));

    Program p = start(exe, "Vaultrix.exe");
    ASSERT_TRUE(p.process);
    std::size_t seen = 0;
    const DWORD code = exit_code(p, gui::kWaitMs, [&] { seen += drive::windows_of(p.pid).size(); });
    EXPECT_EQ(code, static_cast<DWORD>(-1));
    EXPECT_EQ(seen, 0u);
    end(p);
}

TEST(VaultrixExe, AHandOffFromTheShellIsCryptedAndThenTheProgramCloses) {
    test::TempDir dir;
    const std::string sel = dir / "sel";
    ASSERT_TRUE(fs::create_directory(sel));
    const std::string a = path::join(sel, "a.txt"), folder = path::join(sel, "c"),
                      b = path::join(sel, "it's b.txt");
    test::write_file(a, "alpha");
    test::write_file(b, "beta");
    ASSERT_TRUE(fs::create_directory(folder));
    test::write_file(path::join(folder, "d.txt"), "delta");

    // The shell extension's part: the blocks, held by a process of their own.
    const std::string names_file = dir / "names.txt", done_file = dir / "done";
    const std::string writer = beside_me("handoff_writer.exe");
    Program w =
        start(writer, process::join_command_line({writer, names_file, done_file, a, folder, b}));
    ASSERT_TRUE(w.process);
    ASSERT_TRUE(gui::wait_until([&] { return fs::exists(names_file); }));
    const std::vector<std::string> names = test::read_lines(names_file);
    ASSERT_FALSE(names.empty());

    Program p = start(beside_me("Vaultrix.exe"), " cmap1:" + names.front());
    ASSERT_TRUE(p.process);
    HWND main = drive::wait_main(p.pid);
    ASSERT_TRUE(main);
    EXPECT_TRUE(
        gui::wait_until([&] { return drive::text(main, IDC_CB_CRYPT) == "Crypt && Email"; }));
    EXPECT_EQ(drive::text(main, IDC_TB_FILE), "3 items selected");
    EXPECT_EQ(drive::text(main, IDC_TB_RESULT), path::join(sel, "CryptedFiles.vx"));
    EXPECT_TRUE(gui::wait_until([&] { return drive::focused_id(main) == IDC_TB_KEY; }));
    test::write_file(done_file, "");  // the program has read the blocks

    drive::type(GetDlgItem(main, IDC_TB_KEY), "24681357");
    ASSERT_TRUE(gui::wait_until([&] { return drive::text(main, IDC_TB_KEY) == "24681357"; }));
    gui::click(GetDlgItem(main, IDC_CB_CRYPT));

    // The mail client may not be there: its warning is the run's, and the run did not fail.
    std::vector<std::wstring> boxes;
    const DWORD code = exit_code(p, 60000, [&] {
        if (HWND box = drive::find(p.pid, L"#32770", L"Warning")) {
            boxes.push_back(drive::box_text(box));
            gui::press(box, IDOK);
            gui::wait_gone(box, 2000);
        }
    });
    EXPECT_EQ(code, 0u);
    for (const auto& t : boxes) {
        EXPECT_NE(t.find(L"cannot be emailed"), std::wstring::npos) << win32::narrow(t);
    }
    end(p);
    EXPECT_EQ(exit_code(w, gui::kWaitMs), 0u);
    end(w);
}

}  // namespace
}  // namespace vx
