// Vaultrix's main window in this process: the application runs on the test's main thread, as
// it does in the program, while a driver thread works the window the way a person would.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "app/application.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/win32/wide.h"
#include "run_support.h"
#include "ui/main_resources.h"
#include "window_driver.h"

namespace vx {
namespace {

namespace gui = test::gui;
namespace drive = test::window;
using test::Tree;

const std::string kSep(1, path::kSeparator);

// Runs the program with 'arguments' on this thread while 'driver' works its main window; then
// closes whatever is still open. Returns the program's exit code.
int run_program(const std::string& arguments, const std::function<void(HWND)>& driver) {
    std::thread worker([&] {
        HWND main = drive::wait_main();
        if (main) {
            driver(main);
        } else {
            ADD_FAILURE() << "the main window did not appear";
        }
        drive::close_all();
    });
    app::Application program(GetModuleHandleW(nullptr), arguments);
    const int code = program.execute();
    worker.join();
    return code;
}

// Waits for a message box with that caption and answers it with the button given, after
// noting its text.
std::wstring answer(const wchar_t* caption, int button = IDOK) {
    HWND box = drive::wait_box(caption);
    if (!box) return L"<no box '" + std::wstring(caption) + L"'>";
    std::wstring text = drive::box_text(box);
    gui::press(box, button);
    gui::wait_gone(box);
    return text;
}

// The caption and text of a box, any box but the main window and the progress dialogs, that
// comes up within 'ms'; empty when none does.
std::string a_box_within(int ms) {
    std::string seen;
    gui::wait_until(
        [&] {
            for (HWND w : drive::windows_of(GetCurrentProcessId())) {
                std::wstring t = gui::text_of(w);
                if (t == L" Vaultrix" || t.find(L"progress") != std::wstring::npos) continue;
                if (!IsWindow(w) || t == L"<no answer>") continue;  // one that just went
                seen = win32::narrow(t + L": " + drive::box_text(w));
                return true;
            }
            return false;
        },
        ms);
    return seen;
}

// The window as it is on the screen once it has had a moment to paint what changed.
bool screenshot(HWND window, const std::string& name) {
    Sleep(400);
    return !gui::save_screenshot(window, name).empty();
}

bool shows(HWND main, int id, const std::string& text) {
    return gui::wait_until([&] { return drive::text(main, id) == text; });
}

class MainWindow : public ::testing::Test {
protected:
    // The program finds its icons in the folder it starts in: the tests start in the program's.
    void SetUp() override { fs::set_working_directory(fs::program_directory()); }

    // src/  docs/ (a.txt, .hidden, inner/deep.bin)  note.txt
    test::TempDir dir;
    std::string src = dir / "src";
    std::string docs = path::join(src, "docs");
    std::string note = path::join(src, "note.txt");
    const Tree tree = {{"docs/", ""},
                       {"docs/a.txt", "alpha"},
                       {"docs/.hidden", "hidden"},
                       {"docs/inner/", ""},
                       {"docs/inner/deep.bin", test::noise(70000)},
                       {"note.txt", test::text_bytes(5000)}};
    void make_source() {
        ASSERT_TRUE(fs::create_directory(src));
        test::make_tree(src, tree);
    }
};

TEST_F(MainWindow, StartsWithNothingSelectedAndTheCryptButton) {
    struct Control {
        int id;
        const char* text;
        RECT rect;  // x, y, width, height in dialog units
        bool enabled;
        bool visible;
    };
    const Control controls[] = {
        {IDC_LB_FILE,
         "Select or drag-n-drop files to crypt / decrypt:",
         {10, 9, 173, 8},
         true,
         true},
        {IDC_TB_FILE, "", {10, 19, 220, 10}, true, true},
        {IDC_CB_SELECTFILE, "Select", {235, 19, 60, 10}, true, true},
        {IDC_LB_KEY, "Enter 8-digit crypting key:", {10, 40, 79, 8}, false, true},
        {IDC_TB_KEY, "", {10, 50, 54, 10}, false, true},
        {IDC_LB_ASTERISK, "", {67, 51, 12, 9}, false, true},
        {IDC_LB_ZIPPING, "Set zipping option:", {10, 71, 123, 8}, false, true},
        {IDC_OPTB_ZIPPINGON, "On", {10, 81, 34, 10}, false, true},
        {IDC_OPTB_ZIPPINGOFF, "Off (faster)", {45, 81, 132, 10}, false, true},
        {IDC_OPTB_ZIPPINGDEPENDS, "Depends on source file", {177, 81, 113, 10}, false, false},
        {IDC_LB_RESULT, "Save crypted file to:", {10, 102, 123, 8}, false, true},
        {IDC_TB_RESULT, "", {10, 112, 220, 10}, false, true},
        {IDC_CB_RESULT, "Change", {235, 112, 60, 10}, false, true},
        {IDC_CB_CRYPT, "Crypt", {118, 133, 69, 12}, true, true},
    };
    bool open_dialog_came = false;
    int code = run_program("", [&](HWND main) {
        EXPECT_EQ(gui::text_of(main), L" Vaultrix");
        for (const auto& c : controls) {
            SCOPED_TRACE(c.id);
            EXPECT_EQ(drive::text(main, c.id), c.text);
            EXPECT_EQ(drive::enabled(main, c.id), c.enabled);
            EXPECT_EQ(drive::visible(main, c.id), c.visible);
            RECT expected = c.rect, got;  // as x, y, width, height
            MapDialogRect(main, &expected);
            GetWindowRect(GetDlgItem(main, c.id), &got);
            MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&got), 2);
            EXPECT_EQ(got.left, expected.left);
            EXPECT_EQ(got.top, expected.top);
            if (c.text[0] && c.id != IDC_TB_FILE && drive::text(main, c.id) == c.text &&
                (c.id == IDC_LB_FILE || c.id == IDC_LB_KEY || c.id == IDC_LB_ZIPPING ||
                 c.id == IDC_LB_RESULT)) {
                // A label may grow to its text where the form's font is missing.
                EXPECT_GE(got.right - got.left, expected.right);
            } else {
                EXPECT_EQ(got.right - got.left, expected.right);
            }
            EXPECT_EQ(got.bottom - got.top, expected.bottom);
        }
        RECT client, size{0, 0, 305, 149};
        GetClientRect(main, &client);
        MapDialogRect(main, &size);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
        HWND key = GetDlgItem(main, IDC_TB_KEY);
        EXPECT_EQ(SendMessageW(key, EM_GETPASSWORDCHAR, 0, 0), '*');
        EXPECT_EQ(SendMessageW(key, EM_GETLIMITTEXT, 0, 0), 8);
        EXPECT_TRUE(GetWindowLongPtrW(key, GWL_STYLE) & ES_NUMBER);
        EXPECT_EQ(IsDlgButtonChecked(main, IDC_OPTB_ZIPPINGON), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(main, IDC_OPTB_ZIPPINGDEPENDS), BST_CHECKED);
        EXPECT_EQ(LOWORD(SendMessageW(main, DM_GETDEFID, 0, 0)), IDC_CB_CRYPT);
        EXPECT_TRUE(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
        EXPECT_FALSE(GetWindowLongPtrW(main, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_SMALL, 0), 0);
        EXPECT_TRUE(screenshot(main, "main_initial.png"));

        // The command with nothing selected is the Select button.
        gui::click(GetDlgItem(main, IDC_CB_CRYPT));
        HWND open = drive::wait_box(L"Open");
        open_dialog_came = open != nullptr;
        if (open) {
            gui::press(open, IDCANCEL);
            gui::wait_gone(open);
        }
        EXPECT_EQ(drive::text(main, IDC_TB_FILE), "");
        EXPECT_EQ(drive::text(main, IDC_CB_CRYPT), "Crypt");
    });
    EXPECT_TRUE(open_dialog_came);
    EXPECT_EQ(code, 0);
}

TEST_F(MainWindow, DroppedFilesAreCryptedAndTheContainerGivesTheTreeBack) {
    make_source();
    const std::string container = path::join(src, "CryptedFiles.vx");
    const std::string unpacked = path::join(src, "CryptedFiles") + kSep;
    int code = run_program("", [&](HWND main) {
        drive::drop_files(main, {docs, note});
        ASSERT_TRUE(shows(main, IDC_TB_FILE, "2 items selected"));
        EXPECT_EQ(drive::text(main, IDC_CB_CRYPT), "Crypt");
        EXPECT_EQ(drive::text(main, IDC_TB_RESULT), container);
        EXPECT_TRUE(drive::enabled(main, IDC_TB_KEY));
        EXPECT_TRUE(drive::enabled(main, IDC_OPTB_ZIPPINGOFF));
        EXPECT_TRUE(gui::wait_until([&] { return drive::focused_id(main) == IDC_TB_KEY; }));

        HWND key = GetDlgItem(main, IDC_TB_KEY);
        drive::type(key, "12x345678");  // the letter is refused while typing
        ASSERT_TRUE(shows(main, IDC_TB_KEY, "12345678"));
        // The toggle shows the digits, and masks them again.
        HWND toggle = GetDlgItem(main, IDC_LB_ASTERISK);
        drive::click_control(toggle);
        EXPECT_TRUE(
            gui::wait_until([&] { return SendMessageW(key, EM_GETPASSWORDCHAR, 0, 0) == 0; }));
        EXPECT_TRUE(screenshot(main, "main_crypting_key_shown.png"));
        drive::click_control(toggle);
        EXPECT_TRUE(
            gui::wait_until([&] { return SendMessageW(key, EM_GETPASSWORDCHAR, 0, 0) == '*'; }));
        EXPECT_TRUE(screenshot(main, "main_crypting.png"));

        gui::click(GetDlgItem(main, IDC_CB_CRYPT));
        EXPECT_EQ(answer(L"Attention"),
                  L"Succesfully crypted to '" + win32::widen(container) + L"'.");
        ASSERT_TRUE(fs::exists(container));

        // The container, dropped alone, is decrypted into a folder of its name.
        drive::drop_files(main, {container});
        ASSERT_TRUE(shows(main, IDC_CB_CRYPT, "Decrypt"));
        EXPECT_EQ(drive::text(main, IDC_TB_FILE), container);
        EXPECT_EQ(drive::text(main, IDC_TB_RESULT), unpacked);
        EXPECT_EQ(drive::text(main, IDC_LB_KEY), "Enter 8-digit decrypting key:");
        EXPECT_EQ(drive::text(main, IDC_TB_KEY), "12345678");  // a selection keeps the key
        EXPECT_TRUE(drive::visible(main, IDC_OPTB_ZIPPINGDEPENDS));
        EXPECT_FALSE(drive::visible(main, IDC_OPTB_ZIPPINGON));
        gui::click(GetDlgItem(main, IDC_CB_CRYPT));
        EXPECT_EQ(answer(L"Attention"),
                  L"Decryption process completed to '" + win32::widen(unpacked) + L"'.");
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(test::read_tree(unpacked), tree);
}

TEST_F(MainWindow, AContainerOnTheCommandLineIsOpenedForDecrypting) {
    make_source();
    test::FakeServices services;
    RunOwner owner = test::make_owner(services);
    test::ScriptedContext context;
    const std::string container = dir / "one.vx";
    test::crypt(owner, context, {note}, container);
    ASSERT_TRUE(fs::exists(container));

    int code = run_program("  \"" + container + "\" ", [&](HWND main) {
        ASSERT_TRUE(shows(main, IDC_TB_FILE, container));
        EXPECT_EQ(drive::text(main, IDC_CB_CRYPT), "Decrypt");
        EXPECT_EQ(drive::text(main, IDC_LB_RESULT), "Save decrypted files to:");
        EXPECT_EQ(drive::text(main, IDC_LB_ZIPPING), "Set unzipping option:");
        EXPECT_EQ(drive::text(main, IDC_TB_RESULT), path::add_trailing_separator(dir.path()));
        EXPECT_TRUE(drive::enabled(main, IDC_OPTB_ZIPPINGDEPENDS));
        EXPECT_TRUE(gui::wait_until([&] { return drive::focused_id(main) == IDC_TB_KEY; }));
        EXPECT_TRUE(screenshot(main, "main_decrypting.png"));

        // A wrong key: the run says why, and no completion notice follows.
        drive::type(GetDlgItem(main, IDC_TB_KEY), "87654321");
        ASSERT_TRUE(shows(main, IDC_TB_KEY, "87654321"));
        gui::click(GetDlgItem(main, IDC_CB_CRYPT));
        std::wstring why = answer(L"Warning");
        EXPECT_EQ(why.rfind(L"File '" + win32::widen(container) + L"' cannot be decrypted!", 0), 0u)
            << win32::narrow(why);
        EXPECT_EQ(a_box_within(1500), "");
        EXPECT_EQ(drive::text(main, IDC_CB_CRYPT), "Decrypt");
    });
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(fs::exists(dir / "note.txt"));
}

TEST_F(MainWindow, TheOpenDialogPicksFiles) {
    make_source();
    int code = run_program("", [&](HWND main) {
        gui::click(GetDlgItem(main, IDC_CB_SELECTFILE));
        HWND open = drive::wait_box(L"Open");
        ASSERT_TRUE(open);
        // As a person types it: the folder first, then the two names.
        HWND name = drive::file_name_box(open);
        ASSERT_TRUE(name);
        SetWindowTextW(name, win32::widen(src).c_str());
        gui::press(open, IDOK);
        Sleep(300);
        SetWindowTextW(name, L"\"note.txt\" \"docs\"");
        gui::press(open, IDOK);
        EXPECT_TRUE(gui::wait_gone(open));
        EXPECT_TRUE(shows(main, IDC_TB_FILE, "2 items selected"));
        EXPECT_EQ(drive::text(main, IDC_TB_RESULT), path::join(src, "CryptedFiles.vx"));
    });
    EXPECT_EQ(code, 0);
}

TEST_F(MainWindow, ChangeAsksWhereTheContainerGoes) {
    make_source();
    const std::string capitals = path::join(src, "B.VX");
    test::write_file(capitals, "a file like any other");
    int code = run_program("", [&](HWND main) {
        // A ".VX" source is no container: the save dialog, not the folder browser.
        drive::drop_files(main, {capitals});
        ASSERT_TRUE(shows(main, IDC_TB_RESULT, path::join(src, "B.vx")));
        const struct {
            const char* typed;
            std::string target;
        } cases[] = {
            {"mine", path::join(src, "mine.vx")},
            {"OTHER.VX", path::join(src, "OTHER.VX")},
        };
        for (const auto& c : cases) {
            gui::click(GetDlgItem(main, IDC_CB_RESULT));
            HWND save = drive::wait_box(L"Save As");
            ASSERT_TRUE(save) << c.typed;
            HWND name = drive::file_name_box(save);
            ASSERT_TRUE(name);
            SetWindowTextW(name, win32::widen(path::join(src, c.typed)).c_str());
            gui::press(save, IDOK);
            EXPECT_TRUE(gui::wait_gone(save));
            EXPECT_TRUE(shows(main, IDC_TB_RESULT, c.target)) << drive::text(main, IDC_TB_RESULT);
        }
        // Cancelling changes nothing.
        gui::click(GetDlgItem(main, IDC_CB_RESULT));
        HWND save = drive::wait_box(L"Save As");
        ASSERT_TRUE(save);
        gui::press(save, IDCANCEL);
        EXPECT_TRUE(gui::wait_gone(save));
        EXPECT_EQ(drive::text(main, IDC_TB_RESULT), path::join(src, "OTHER.VX"));
    });
    EXPECT_EQ(code, 0);
}

TEST_F(MainWindow, ADeclinedReplaceChangesNothing) {
    make_source();
    const std::string target = path::join(src, "note.vx");
    test::write_file(target, "the user's own file");
    int code = run_program("", [&](HWND main) {
        drive::drop_files(main, {note});
        ASSERT_TRUE(shows(main, IDC_TB_RESULT, target));
        drive::type(GetDlgItem(main, IDC_TB_KEY), "00000001");
        ASSERT_TRUE(shows(main, IDC_TB_KEY, "00000001"));
        gui::click(GetDlgItem(main, IDC_CB_CRYPT));
        EXPECT_EQ(answer(L"Attention", IDNO),
                  L"File '" + win32::widen(target) +
                      L"' already exists!\r\n\r\nReplace it with new crypted one?");
        EXPECT_EQ(a_box_within(1500), "");
        EXPECT_EQ(drive::text(main, IDC_TB_FILE), note);  // the selection stays
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(test::read_file(target), "the user's own file");
    Tree left = test::read_tree(src);
    EXPECT_EQ(left.size(), tree.size() + 1) << "something was left beside the target";
}

TEST_F(MainWindow, ACancelledRunLeavesTheUsersOldContainerAlone) {
    make_source();
    // Long enough to be cancelled while it is being crypted: a sparse file of 400 MiB.
    const std::string big = path::join(src, "big.bin");
    {
        File f;
        ASSERT_TRUE(f.open(big, File::Access::write_exclusive, File::Disposition::create_always));
        ASSERT_TRUE(f.seek((400ll << 20) - 1, File::Origin::begin));
        ASSERT_TRUE(f.write("x", 1));
    }
    const std::string target = path::join(src, "big.vx");
    test::write_file(target, "the user's old container");
    bool cancelled_in_time = false;
    int code = run_program("", [&](HWND main) {
        drive::drop_files(main, {big});
        ASSERT_TRUE(shows(main, IDC_TB_RESULT, target));
        gui::click(GetDlgItem(main, IDC_OPTB_ZIPPINGOFF));
        EXPECT_TRUE(gui::wait_until(
            [&] { return IsDlgButtonChecked(main, IDC_OPTB_ZIPPINGOFF) == BST_CHECKED; }));
        drive::type(GetDlgItem(main, IDC_TB_KEY), "11112222");
        ASSERT_TRUE(shows(main, IDC_TB_KEY, "11112222"));
        gui::click(GetDlgItem(main, IDC_CB_CRYPT));
        answer(L"Attention", IDYES);  // replace it
        HWND progress = drive::wait_box(L"Crypting progress");
        ASSERT_TRUE(progress);
        // Cancelled while the new container is being written beside the old one.
        cancelled_in_time = gui::wait_until([&] { return fs::exists(temporary_target(target)); });
        // The run's file list is not to be touched meanwhile, not even by a drop.
        drive::drop_files(main, {note});
        Sleep(200);
        gui::press(progress, IDCANCEL);
        EXPECT_TRUE(gui::wait_gone(progress));
        EXPECT_EQ(a_box_within(1500), "");
        EXPECT_EQ(drive::text(main, IDC_TB_FILE), big);
        EXPECT_TRUE(IsWindowEnabled(main));
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(cancelled_in_time);
    EXPECT_EQ(test::read_file(target), "the user's old container");
    EXPECT_FALSE(fs::exists(temporary_target(target)));
}

TEST_F(MainWindow, WarningsBeforeARunAndTheOneFolderRule) {
    make_source();
    test::write_file(dir / "elsewhere.txt", "x");
    test::write_file(path::join(src, "B.VX"), "not a container of ours");
    int code = run_program("", [&](HWND main) {
        // Items of two folders: the warning, then nothing selected.
        drive::drop_files(main, {note, dir / "elsewhere.txt"});
        EXPECT_EQ(
            answer(L"Warning"),
            L"All selected files must be from one folder!\r\n\r\nPlease, select files again.");
        EXPECT_TRUE(shows(main, IDC_TB_FILE, ""));
        EXPECT_FALSE(drive::enabled(main, IDC_TB_KEY));

        // A container name in capitals is crypted like any other file.
        drive::drop_files(main, {path::join(src, "B.VX")});
        ASSERT_TRUE(shows(main, IDC_TB_FILE, path::join(src, "B.VX")));
        EXPECT_EQ(drive::text(main, IDC_CB_CRYPT), "Crypt");
        EXPECT_EQ(drive::text(main, IDC_TB_RESULT), path::join(src, "B.vx"));

        gui::click(GetDlgItem(main, IDC_CB_CRYPT));
        EXPECT_EQ(answer(L"Warning"), L"Please, enter 8-digit crypting key.");
        EXPECT_TRUE(gui::wait_until([&] { return drive::focused_id(main) == IDC_TB_KEY; }));
        drive::type(GetDlgItem(main, IDC_TB_KEY), "1234567");
        ASSERT_TRUE(shows(main, IDC_TB_KEY, "1234567"));
        gui::click(GetDlgItem(main, IDC_CB_CRYPT));
        EXPECT_EQ(answer(L"Warning"), L"Crypting key is not 8-digit!\r\n\r\nPlease, re-enter it.");
        EXPECT_TRUE(gui::wait_until([&] { return drive::focused_id(main) == IDC_TB_KEY; }));
    });
    EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace vx
