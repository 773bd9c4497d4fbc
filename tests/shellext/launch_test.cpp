// The menu command: the hand-off blocks, the program location from the registry, and the start
// of the program, first with a stand-in that reports its command line, then with Vaultrix.exe.
#include <gtest/gtest.h>
// windows.h goes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <string>
#include <vector>

#include "gui_driver.h"
#include "platform/win32/wide.h"
#include "shell_support.h"
#include "temp_dir.h"

namespace vx::test {
namespace {

constexpr wchar_t kNoProgram[] = L"Could not obtain Vaultrix.exe filepath.";
constexpr wchar_t kNotStarted[] = L"Could not launch crypt module.";
constexpr wchar_t kUnsuitable[] = L"Could not pass the selected paths to Vaultrix.";

std::wstring probe_path() { return bin_dir() + L"\\launch_probe.exe"; }

HRESULT invoke(IContextMenu* menu, const char* verb) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
}

HRESULT invoke(IContextMenu* menu, UINT offset) { return invoke(menu, MAKEINTRESOURCEA(offset)); }

class Launch : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(registered.result, S_OK); }

    std::wstring file(const std::string& name) {
        const std::string p = dir / name;
        write_file(p, "x");
        return win32::widen(p);
    }

    bool make(Com<IDataObject>& data, Com<IContextMenu>& out) {
        Com<IShellExtInit> init;
        HRESULT hr =
            CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.out());
        if (hr != S_OK) {
            ADD_FAILURE() << "CoCreateInstance: " << std::hex << hr;
            return false;
        }
        hr = init->Initialize(nullptr, data.get(), nullptr);
        if (hr != S_OK) {
            ADD_FAILURE() << "Initialize: " << std::hex << hr;
            return false;
        }
        return init->QueryInterface(IID_IContextMenu, out.out()) == S_OK;
    }
    // A handler for these paths, from the shell's data object for them.
    bool make(const std::vector<std::wstring>& selection, Com<IContextMenu>& out) {
        Com<IDataObject> data;
        if (!shell_data_object(selection, data)) {
            ADD_FAILURE() << "no shell data object for " << win32::narrow(selection[0]);
            return false;
        }
        return make(data, out);
    }
    // A handler for paths the shell would not parse (any length).
    bool make_dropped(const std::vector<std::wstring>& selection, Com<IContextMenu>& out) {
        Com<IDataObject> data;
        drop_data_object(selection, data);
        return make(data, out);
    }

    void use_probe(const wchar_t* key = kProgramKey) {
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, key, L"ExePath", probe_path()));
    }

    Apartment apartment;
    Registered registered;
    ProgramKeys keys;
    TempDir dir;
};

// The command line " cmap1:" + name, and the block's name.
std::wstring block_of(const std::wstring& line, const std::wstring& prefix) {
    if (line.compare(0, prefix.size(), prefix) != 0) return std::wstring();
    return line.substr(prefix.size());
}

TEST_F(Launch, HandsTheSelectionOverAndStartsTheProgram) {
    struct Case {
        bool container;
        UINT offset;
        const wchar_t* prefix;
    };
    const Case cases[] = {
        {false, 0, L" cmap0:"}, {false, 1, L" cmap1:"}, {false, 2, L" cmap2:"},
        {true, 0, L" dmap0:"},  {true, 1, L" dmap1:"},
    };
    use_probe();
    const std::vector<std::wstring> files = {file("one.txt"), file("two's.txt"), file("three")};
    const std::vector<std::wstring> container = {file("box.vx")};
    for (const auto& c : cases) {
        SCOPED_TRACE(win32::narrow(c.prefix));
        const auto& selection = c.container ? container : files;
        Com<IContextMenu> menu;
        ASSERT_TRUE(make(selection, menu));
        Probe probe;
        const int views = mapped_views();
        BoxWatcher boxes;
        EXPECT_EQ(invoke(menu.get(), c.offset), S_OK);
        EXPECT_TRUE(boxes.stop().empty());

        const auto line = probe.wait_command_line();
        ASSERT_TRUE(line) << "the program did not start";
        const std::wstring block = block_of(*line, c.prefix);
        EXPECT_EQ(block.compare(0, 6, L"Global"), 0) << win32::narrow(*line);
        EXPECT_EQ(block.find(L'\\'), std::wstring::npos);
        // The block stays open after the command, for the program to read.
        EXPECT_EQ(mapped_views(), views + 1);
        EXPECT_EQ(handoff_lines(block), selection);
    }
}

TEST_F(Launch, RefusedCommandsWriteAndStartNothing) {
    use_probe();
    const std::vector<std::wstring> files = {file("a.txt")};
    const std::vector<std::wstring> container = {file("box.vx")};

    // A verb text at an address whose bits 16 to 31 are clear is still text, not command 0.
    char* low = static_cast<char*>(VirtualAlloc(reinterpret_cast<void*>(0x100000000ull), 4096,
                                                MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_TRUE(low) << "cannot place a verb at 0x100000000";
    ASSERT_EQ(reinterpret_cast<UINT_PTR>(low) & 0xFFFF0000u, 0u);
    lstrcpyA(low, "open");

    struct Case {
        const char* what;
        const std::vector<std::wstring>* selection;
        const char* verb;
    };
    const Case cases[] = {
        {"a verb as text", &files, "open"},
        {"a verb as text at a low address", &files, low},
        {"crypt offset 3", &files, MAKEINTRESOURCEA(3)},
        {"decrypt offset 2, not on the menu", &container, MAKEINTRESOURCEA(2)},
        {"decrypt offset 3", &container, MAKEINTRESOURCEA(3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Com<IContextMenu> menu;
        ASSERT_TRUE(make(*c.selection, menu));
        Probe probe;
        const int views = mapped_views();
        BoxWatcher boxes;
        EXPECT_EQ(invoke(menu.get(), c.verb), E_INVALIDARG);
        EXPECT_TRUE(boxes.stop().empty());
        EXPECT_EQ(mapped_views(), views);
        EXPECT_FALSE(probe.wait_command_line(500));
    }
    VirtualFree(low, 0, MEM_RELEASE);
}

TEST_F(Launch, LongPathsArriveWholeOrNotAtAll) {
    use_probe();
    // Past the 260 units of the classic path buffer, but within a block.
    const std::wstring longer = L"C:\\" + std::wstring(290, L'd') + L"\\file.txt";
    {
        Com<IContextMenu> menu;
        ASSERT_TRUE(make_dropped({L"C:\\short.txt", longer}, menu));
        Probe probe;
        BoxWatcher boxes;
        EXPECT_EQ(invoke(menu.get(), 0u), S_OK);
        EXPECT_TRUE(boxes.stop().empty());
        const auto line = probe.wait_command_line();
        ASSERT_TRUE(line);
        EXPECT_EQ(handoff_lines(block_of(*line, L" cmap0:")),
                  (std::vector<std::wstring>{L"C:\\short.txt", longer}));
    }
    // Too long for any block: refused with a message, nothing started.
    const std::wstring too_long = L"C:\\" + std::wstring(2100, L'e') + L".txt";
    Com<IContextMenu> menu;
    ASSERT_TRUE(make_dropped({L"C:\\short.txt", too_long}, menu));
    Probe probe;
    const int views = mapped_views();
    BoxWatcher boxes;
    EXPECT_EQ(invoke(menu.get(), 2u), E_INVALIDARG);
    EXPECT_EQ(boxes.stop(), std::vector<std::wstring>{kUnsuitable});
    EXPECT_EQ(mapped_views(), views);
    EXPECT_FALSE(probe.wait_command_line(500));
}

TEST_F(Launch, TheProgramLocationMustBeAProperString) {
    const std::wstring probe = probe_path();
    const DWORD with_zero = static_cast<DWORD>((probe.size() + 1) * 2);
    const DWORD number = 7;
    const std::wstring oversized = probe + std::wstring(3000, L' ');
    const std::wstring unterminated = probe + std::wstring(2048 - probe.size(), L' ');
    struct Case {
        const char* what;
        const wchar_t* key;
        DWORD type;
        const void* data;
        DWORD bytes;
    };
    const Case cases[] = {
        {"no key", nullptr, 0, nullptr, 0},
        {"no value", kProgramKey, 0, nullptr, 0},
        {"a number", kProgramKey, REG_DWORD, &number, sizeof number},
        {"the path as binary data", kProgramKey, REG_BINARY, probe.c_str(), with_zero},
        // (A shorter text without its zero comes back terminated from Wine's registry calls.)
        {"4096 bytes without a zero", kProgramKey, REG_SZ, unterminated.c_str(), 4096},
        {"an empty text", kProgramKey, REG_SZ, L"", 2},
        {"more than 4096 bytes", kProgramKey, REG_SZ, oversized.c_str(),
         static_cast<DWORD>((oversized.size() + 1) * 2)},
    };
    const std::vector<std::wstring> files = {file("a.txt")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramKeys::clear();
        if (c.key) {
            HKEY k = nullptr;
            ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, c.key, 0, nullptr, 0, KEY_WRITE, nullptr,
                                      &k, nullptr),
                      ERROR_SUCCESS);
            RegCloseKey(k);
            if (c.data) {
                ASSERT_TRUE(
                    set_value(HKEY_LOCAL_MACHINE, c.key, L"ExePath", c.type, c.data, c.bytes));
            }
        }
        Com<IContextMenu> menu;
        ASSERT_TRUE(make(files, menu));
        Probe started;
        BoxWatcher boxes;
        EXPECT_EQ(invoke(menu.get(), 0u), E_INVALIDARG);
        EXPECT_EQ(boxes.stop(), std::vector<std::wstring>{kNoProgram});
        EXPECT_FALSE(started.wait_command_line(500));
    }
}

TEST_F(Launch, TheThirtyTwoBitViewIsReadOnlyWhenTheFirstKeyIsMissing) {
    const std::vector<std::wstring> files = {file("a.txt")};
    use_probe(kProgramKey32);
    {
        Com<IContextMenu> menu;
        ASSERT_TRUE(make(files, menu));
        Probe probe;
        BoxWatcher boxes;
        EXPECT_EQ(invoke(menu.get(), 0u), S_OK);
        EXPECT_TRUE(boxes.stop().empty());
        EXPECT_TRUE(probe.wait_command_line());
    }
    // The first key, even without the value, is the one that counts.
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProgramKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &k, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(k);
    Com<IContextMenu> menu;
    ASSERT_TRUE(make(files, menu));
    Probe probe;
    BoxWatcher boxes;
    EXPECT_EQ(invoke(menu.get(), 0u), E_INVALIDARG);
    EXPECT_EQ(boxes.stop(), std::vector<std::wstring>{kNoProgram});
}

TEST_F(Launch, AProgramThatCannotStartIsReported) {
    ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, kProgramKey, L"ExePath",
                           bin_dir() + L"\\no-such-program.exe"));
    Com<IContextMenu> menu;
    ASSERT_TRUE(make({file("a.txt")}, menu));
    BoxWatcher boxes;
    EXPECT_EQ(invoke(menu.get(), 1u), E_INVALIDARG);
    EXPECT_EQ(boxes.stop(), std::vector<std::wstring>{kNotStarted});
}

#ifdef VX_VAULTRIX_EXE

// --- With the real program ---

struct Shown {
    HWND window = nullptr;
    std::vector<std::wstring> texts;
};

// The Vaultrix.exe processes this one started (other tests may run the program meanwhile).
std::vector<DWORD> started_programs() {
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) {
        if (e.th32ParentProcessID == GetCurrentProcessId() &&
            lstrcmpiW(e.szExeFile, L"Vaultrix.exe") == 0)
            pids.push_back(e.th32ProcessID);
    }
    CloseHandle(snap);
    return pids;
}

BOOL CALLBACK child_text(HWND child, LPARAM param) {
    reinterpret_cast<Shown*>(param)->texts.push_back(gui::text_of(child));
    return TRUE;
}

// The visible top-level windows of the started programs, with every text they show.
struct Search {
    std::vector<DWORD> pids;
    std::vector<Shown> found;
};

BOOL CALLBACK program_window(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    bool ours = false;
    for (DWORD p : search->pids) ours = ours || p == pid;
    if (!ours || !IsWindowVisible(window)) return TRUE;
    Shown s;
    s.window = window;
    s.texts.push_back(gui::text_of(window));
    EnumChildWindows(window, child_text, reinterpret_cast<LPARAM>(&s));
    search->found.push_back(std::move(s));
    return TRUE;
}

bool shows(const Shown& s, const std::wstring& text) {
    for (const auto& t : s.texts)
        if (t == text) return true;
    return false;
}

// Ends every Vaultrix.exe this process started, whatever state it is in.
void end_started_programs() {
    for (DWORD pid : started_programs()) {
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(p, 1);
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
        }
    }
}

TEST_F(Launch, CryptAndEmailOpensTheProgramForThreeFiles) {
    const std::wstring program = bin_dir() + L"\\Vaultrix.exe";
    ASSERT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::vector<std::wstring> files = {file("one.txt"), file("two.txt"), file("three.txt")};
    for (const wchar_t* key : {kProgramKey, kProgramKey32}) {
        SCOPED_TRACE(win32::narrow(key));
        ProgramKeys::clear();
        ASSERT_TRUE(set_string(HKEY_LOCAL_MACHINE, key, L"ExePath", program));
        Com<IContextMenu> menu;
        ASSERT_TRUE(make(files, menu));
        BoxWatcher boxes;
        EXPECT_EQ(invoke(menu.get(), 1u), S_OK);
        EXPECT_TRUE(boxes.stop().empty());

        Shown found;
        const bool seen = gui::wait_until(
            [&] {
                Search search;
                search.pids = started_programs();
                EnumWindows(program_window, reinterpret_cast<LPARAM>(&search));
                for (auto& s : search.found) {
                    if (shows(s, L"Crypt && Email") && shows(s, L"3 items selected")) {
                        found = s;
                        return true;
                    }
                }
                return false;
            },
            30000);
        EXPECT_TRUE(seen) << "no window with \"Crypt && Email\" and \"3 items selected\"";
        if (seen) {
            DWORD pid = 0;
            GetWindowThreadProcessId(found.window, &pid);
            HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
            PostMessageW(found.window, WM_CLOSE, 0, 0);
            if (p) {
                EXPECT_EQ(WaitForSingleObject(p, 10000), WAIT_OBJECT_0) << "did not close";
                CloseHandle(p);
            }
        }
        end_started_programs();
    }
}

#endif

}  // namespace
}  // namespace vx::test
