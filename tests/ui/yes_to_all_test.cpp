// The Yes / Yes to All / No prompt, asked by a worker of the progress dialog and answered by a
// driver thread.
#include "ui/yes_to_all.h"

#include <gtest/gtest.h>

#include <thread>

#include "gui_driver.h"
#include "ui/progress_dialog.h"

namespace vx::ui {
namespace {

namespace gui = vx::test::gui;

const char* const kText =
    "File 'C:\\data\\a.txt' already exists!\r\n\r\nReplace it with new decrypted one?";
const wchar_t* const kWideText =
    L"File 'C:\\data\\a.txt' already exists!\r\n\r\nReplace it with new decrypted one?";

struct Asked {
    YesToAll answer = YesToAll::yes;
    Answer plain = Answer::ok;
    bool ask_plain_after = false;
};

std::uint8_t asking_worker(ProgressContext& c) {
    auto& a = *static_cast<Asked*>(c.job());
    a.answer = c.ask_yes_to_all(kText, "Attention");
    if (a.ask_plain_after) a.plain = c.ask({"Go on?", "Question", mb::kYesNoCancel});
    return 1;
}

TEST(YesToAllPrompt, LabelsDefaultAndEveryAnswer) {
    struct Case {
        const char* how;
        void (*answer)(HWND box);
        YesToAll expected;
    };
    const Case cases[] = {
        {"Yes", [](HWND b) { gui::click(GetDlgItem(b, IDYES)); }, YesToAll::yes},
        {"Yes to All", [](HWND b) { gui::click(GetDlgItem(b, IDNO)); }, YesToAll::yes_to_all},
        {"No", [](HWND b) { gui::click(GetDlgItem(b, IDCANCEL)); }, YesToAll::no},
        {"Esc", [](HWND b) { gui::press_key(b, VK_ESCAPE); }, YesToAll::no},
        {"close box", [](HWND b) { gui::system_close(b); }, YesToAll::no},
        {"Enter, on the default button", [](HWND b) { gui::press_key(b, VK_RETURN); },
         YesToAll::no},
    };
    gui::OwnerWindow owner;
    bool first = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Asked asked;
        CUPDialog dialog(owner.get(), asking_worker, &asked, "Derypting progress", true, true);
        HWND dialog_window = nullptr, box_owner = nullptr;
        std::wstring yes, yes_to_all, no, text;
        bool no_is_default = false;
        std::string shot = "none";
        std::thread driver([&] {
            dialog_window = gui::wait_window(L"#32770", L"Derypting progress");
            HWND box = gui::wait_window(L"#32770", L"Attention");
            if (!box) return;
            gui::wait_until([&] { return gui::item_text(box, IDNO) == L"Yes to All"; }, 2000);
            yes = gui::item_text(box, IDYES);
            yes_to_all = gui::item_text(box, IDNO);
            no = gui::item_text(box, IDCANCEL);
            text = gui::item_text(box, 0xFFFF);
            box_owner = GetWindow(box, GW_OWNER);
            LONG style = GetWindowLongW(GetDlgItem(box, IDCANCEL), GWL_STYLE);
            no_is_default = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            if (first) {
                Sleep(300);  // let it paint
                shot = gui::save_screenshot(box, "yes_to_all_prompt.png");
            }
            c.answer(box);
        });
        EXPECT_EQ(dialog.run(), kWorkerSucceeded);
        driver.join();

        EXPECT_EQ(yes, L"Yes");
        EXPECT_EQ(yes_to_all, L"Yes to All");
        EXPECT_EQ(no, L"No");
        EXPECT_EQ(text, kWideText);
        EXPECT_EQ(box_owner, dialog_window);
        EXPECT_TRUE(no_is_default) << "the third button, \"No\", is the default";
        EXPECT_EQ(asked.answer, c.expected);
        EXPECT_FALSE(shot.empty()) << "no screenshot";
        first = false;
    }
}

TEST(YesToAllPrompt, LaterBoxesKeepTheirOwnLabels) {
    gui::OwnerWindow owner;
    Asked asked;
    asked.ask_plain_after = true;
    CUPDialog dialog(owner.get(), asking_worker, &asked, "Derypting progress", true, true);
    std::wstring plain_no;
    std::thread driver([&] {
        HWND prompt = gui::wait_window(L"#32770", L"Attention");
        if (prompt) gui::click(GetDlgItem(prompt, IDNO));
        HWND box = gui::wait_window(L"#32770", L"Question");
        if (!box) return;
        plain_no = gui::item_text(box, IDNO);
        gui::click(GetDlgItem(box, IDYES));
    });
    EXPECT_EQ(dialog.run(), kWorkerSucceeded);
    driver.join();
    EXPECT_EQ(asked.answer, YesToAll::yes_to_all);
    EXPECT_FALSE(plain_no.empty());
    EXPECT_NE(plain_no, L"Yes to All") << "the relabelling ended with the prompt";
    EXPECT_EQ(asked.plain, Answer::yes);
}

}  // namespace
}  // namespace vx::ui
