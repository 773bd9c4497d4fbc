#pragma once
// Helpers for the extension's tests: the built Sidecar.dll loaded by path, COM and shell data
// objects as Explorer makes them, the registry of the test prefix, the program location the
// extension reads, and the message boxes it shows.
// windows.h goes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vx::test {

// The folder of the running test program, where the build puts Sidecar.dll and the programs.
std::wstring bin_dir();
std::wstring sidecar_path();

// Starts 'program' with 'command_line' and waits up to 'timeout_ms' for its end: its exit code,
// 0xFFFFFFFF when it cannot be started.
DWORD run_and_wait(const std::wstring& program, std::wstring command_line, DWORD timeout_ms);

// Sidecar.dll, loaded by full path, and its four entry points.
struct Sidecar {
    Sidecar();
    ~Sidecar();
    Sidecar(const Sidecar&) = delete;
    Sidecar& operator=(const Sidecar&) = delete;

    HMODULE module = nullptr;
    HRESULT(STDAPICALLTYPE* get_class_object)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* can_unload_now)() = nullptr;
    HRESULT(STDAPICALLTYPE* register_server)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregister_server)() = nullptr;
};

// A single-threaded apartment for the calling thread, as Explorer's.
struct Apartment {
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment() { CoUninitialize(); }
};

// An interface pointer released when it goes.
template <class T>
class Com {
  public:
    Com() = default;
    ~Com() { reset(); }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void** out() {
        reset();
        return reinterpret_cast<void**>(&p_);
    }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

  private:
    T* p_ = nullptr;
};

inline constexpr CLSID kClsid = {
    0x024B4F1A, 0x7A3C, 0x491D, {0x95, 0xB8, 0x85, 0xFA, 0x10, 0xEB, 0x4E, 0x3A}};
inline constexpr wchar_t kClsidText[] = L"{024B4F1A-7A3C-491D-95B8-85FA10EB4E3A}";

// The shell's own data object for files, folders or drives that share one parent folder, as
// Explorer hands it to a context-menu handler (CF_HDROP among its formats).
bool shell_data_object(const std::vector<std::wstring>& paths, Com<IDataObject>& out);
// A plain data object offering CF_HDROP with exactly these paths (any length), or, with
// 'with_drop' false, no CF_HDROP at all.
void drop_data_object(const std::vector<std::wstring>& paths, Com<IDataObject>& out,
                      bool with_drop = true);

// --- The registry ---
bool key_exists(HKEY root, const std::wstring& path);
// A REG_SZ value (empty name: the default value); none when missing or of another type.
std::optional<std::wstring> string_value(HKEY root, const std::wstring& path,
                                         const std::wstring& name);
void delete_tree(HKEY root, const std::wstring& path);
// Makes the key when missing and writes the value as given.
bool set_value(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
               const void* data, DWORD bytes);
bool set_string(HKEY root, const std::wstring& path, const std::wstring& name,
                const std::wstring& data);

inline constexpr wchar_t kProgramKey[] = L"Software\\Ostrand\\Vaultrix";
inline constexpr wchar_t kProgramKey32[] = L"Software\\Wow6432Node\\Ostrand\\Vaultrix";

// Clears both keys the extension reads "ExePath" from, now and when it goes.
struct ProgramKeys {
    ProgramKeys() { clear(); }
    ~ProgramKeys() { clear(); }
    static void clear();
};

// The extension registered in the test prefix while this lives.
struct Registered {
    Registered();
    ~Registered();
    Sidecar sidecar;
    HRESULT result = E_FAIL;
};

// Mapped views in this process: each hand-off block the extension leaves open adds one.
int mapped_views();

// Dismisses every message box with an empty caption that this process shows while it lives,
// and keeps their texts.
class BoxWatcher {
  public:
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    // Stops watching; the texts seen so far.
    std::vector<std::wstring> stop();

  private:
    std::atomic<bool> stop_{false};
    std::vector<std::wstring> texts_;
    std::thread thread_;
};

// The text a process started by the extension finds as its command line, written by
// launch_probe.exe into the file named by VX_PROBE_OUT; none when it did not run in time.
class Probe {
  public:
    Probe();
    ~Probe();
    std::optional<std::wstring> wait_command_line(int ms = 10000) const;
    bool ran() const;

  private:
    std::wstring file_;
};

// The lines of a hand-off, following its chain from the first block.
std::vector<std::wstring> handoff_lines(const std::wstring& first_block);

}  // namespace vx::test
