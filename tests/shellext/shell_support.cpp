#include "shell_support.h"

#include <shellapi.h>

#include <chrono>
#include <cstring>

#include "gui_driver.h"
#include "handoff/format.h"
#include "handoff/reader.h"
#include "platform/win32/wide.h"
#include "scripted_context.h"

namespace vx::test {

std::wstring bin_dir() {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring sidecar_path() { return bin_dir() + L"\\Sidecar.dll"; }

DWORD run_and_wait(const std::wstring& program, std::wstring command_line, DWORD timeout_ms) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION p{};
    if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &p))
        return 0xFFFFFFFF;
    WaitForSingleObject(p.hProcess, timeout_ms);
    DWORD code = 0xFFFFFFFE;
    GetExitCodeProcess(p.hProcess, &code);
    CloseHandle(p.hThread);
    CloseHandle(p.hProcess);
    return code;
}

namespace {

template <class F>
void bind(HMODULE m, const char* name, F& f) {
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

}  // namespace

Sidecar::Sidecar() {
    module = LoadLibraryW(sidecar_path().c_str());
    if (!module) return;
    bind(module, "DllGetClassObject", get_class_object);
    bind(module, "DllCanUnloadNow", can_unload_now);
    bind(module, "DllRegisterServer", register_server);
    bind(module, "DllUnregisterServer", unregister_server);
}

Sidecar::~Sidecar() {
    if (module) FreeLibrary(module);
}

// --- Data objects ---

bool shell_data_object(const std::vector<std::wstring>& paths, Com<IDataObject>& out) {
    std::vector<PIDLIST_ABSOLUTE> absolute;
    std::vector<PCUITEMID_CHILD> children;
    Com<IShellFolder> parent;
    bool ok = !paths.empty();
    for (const auto& p : paths) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (FAILED(SHParseDisplayName(p.c_str(), nullptr, &pidl, 0, nullptr))) {
            ok = false;
            break;
        }
        absolute.push_back(pidl);
        PCUITEMID_CHILD child = nullptr;
        Com<IShellFolder> folder;
        if (FAILED(SHBindToParent(pidl, IID_IShellFolder, folder.out(), &child))) {
            ok = false;
            break;
        }
        children.push_back(child);
        if (!parent) {
            folder.get()->AddRef();
            *parent.out() = folder.get();
        }
    }
    if (ok) {
        ok = SUCCEEDED(parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                             children.data(), IID_IDataObject, nullptr, out.out()));
    }
    for (auto pidl : absolute) CoTaskMemFree(pidl);
    return ok;
}

namespace {

// Just enough of a data object for IShellExtInit::Initialize: GetData for CF_HDROP.
class DropObject final : public IDataObject {
  public:
    DropObject(const std::vector<std::wstring>& paths, bool with_drop)
        : paths_(paths), with_drop_(with_drop) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!with_drop_ || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        // Each path with its zero, then one more zero; a spare one for Wine, which reads an
        // empty list as one empty name.
        std::size_t units = 2;
        for (const auto& p : paths_) units += p.size() + 1;
        HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * 2);
        if (!g) return E_OUTOFMEMORY;
        auto* drop = static_cast<DROPFILES*>(GlobalLock(g));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        auto* at = reinterpret_cast<wchar_t*>(drop + 1);
        for (const auto& p : paths_) {
            std::memcpy(at, p.c_str(), (p.size() + 1) * 2);
            at += p.size() + 1;
        }
        GlobalUnlock(g);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = g;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        return with_drop_ && format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

  private:
    ULONG refs_ = 1;
    std::vector<std::wstring> paths_;
    bool with_drop_;
};

}  // namespace

void drop_data_object(const std::vector<std::wstring>& paths, Com<IDataObject>& out,
                      bool with_drop) {
    *out.out() = new DropObject(paths, with_drop);
}

// --- The registry ---

bool key_exists(HKEY root, const std::wstring& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::optional<std::wstring> string_value(HKEY root, const std::wstring& path,
                                         const std::wstring& name) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
    std::vector<wchar_t> data(32768);
    DWORD type = 0, bytes = static_cast<DWORD>(data.size() * 2);
    LONG r = RegQueryValueExW(k, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &bytes);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    std::wstring s(data.data(), bytes / 2);
    while (!s.empty() && s.back() == L'\0') s.pop_back();
    return s;
}

void delete_tree(HKEY root, const std::wstring& path) { RegDeleteTreeW(root, path.c_str()); }

bool set_value(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
               const void* data, DWORD bytes) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExW(k, name.empty() ? nullptr : name.c_str(), 0, type,
                            static_cast<const BYTE*>(data), bytes);
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

bool set_string(HKEY root, const std::wstring& path, const std::wstring& name,
                const std::wstring& data) {
    return set_value(root, path, name, REG_SZ, data.c_str(),
                     static_cast<DWORD>((data.size() + 1) * 2));
}

void ProgramKeys::clear() {
    delete_tree(HKEY_LOCAL_MACHINE, kProgramKey);
    delete_tree(HKEY_LOCAL_MACHINE, kProgramKey32);
    // The company keys too, unless something else is in them.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Ostrand");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Ostrand");
}

Registered::Registered() {
    if (sidecar.register_server) result = sidecar.register_server();
}

Registered::~Registered() {
    if (sidecar.unregister_server) sidecar.unregister_server();
}

int mapped_views() {
    int n = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (auto* at = static_cast<const char*>(nullptr);
         VirtualQuery(at, &info, sizeof info) == sizeof info;
         at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_MAPPED &&
            info.AllocationBase == info.BaseAddress)
            ++n;
        if (info.RegionSize == 0) break;
    }
    return n;
}

// --- Message boxes ---

namespace {

BOOL CALLBACK collect_text(HWND child, LPARAM param) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (lstrcmpiW(cls, L"Static") == 0) {
        std::wstring t = gui::text_of(child);
        if (!t.empty()) *reinterpret_cast<std::wstring*>(param) += t;
    }
    return TRUE;
}

}  // namespace

BoxWatcher::BoxWatcher() {
    thread_ = std::thread([this] {
        while (!stop_) {
            HWND box = gui::find_window(L"#32770", L"");
            if (!box) {
                Sleep(20);
                continue;
            }
            std::wstring text;
            EnumChildWindows(box, collect_text, reinterpret_cast<LPARAM>(&text));
            texts_.push_back(text);
            gui::press(box, IDOK);
            gui::wait_gone(box);
        }
    });
}

BoxWatcher::~BoxWatcher() { stop(); }

std::vector<std::wstring> BoxWatcher::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return texts_;
}

// --- The started program ---

Probe::Probe() {
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    file_ = std::wstring(temp) + L"vxprobe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++) + L".txt";
    DeleteFileW(file_.c_str());
    SetEnvironmentVariableW(L"VX_PROBE_OUT", file_.c_str());
}

Probe::~Probe() {
    SetEnvironmentVariableW(L"VX_PROBE_OUT", nullptr);
    DeleteFileW(file_.c_str());
}

bool Probe::ran() const { return GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::wstring> Probe::wait_command_line(int ms) const {
    // The file appears whole, by a rename; the rename's own handle may still be open for a
    // moment, so the file is opened sharing everything, and again until that works.
    HANDLE f = INVALID_HANDLE_VALUE;
    gui::wait_until(
        [&] {
            f = CreateFileW(file_.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
            return f != INVALID_HANDLE_VALUE;
        },
        ms);
    if (f == INVALID_HANDLE_VALUE) return std::nullopt;
    std::wstring text(16384, L'\0');
    DWORD got = 0;
    ReadFile(f, text.data(), static_cast<DWORD>(text.size() * 2), &got, nullptr);
    CloseHandle(f);
    text.resize(got / 2);
    return text;
}

std::vector<std::wstring> handoff_lines(const std::wstring& first_block) {
    std::vector<std::wstring> lines;
    ScriptedContext context;
    std::string name = win32::narrow(first_block);
    for (int blocks = 0; blocks < 100; ++blocks) {
        std::vector<std::string> got = handoff::read_block(name, context);
        name.clear();
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (i + 1 == got.size() && handoff::is_chain_line(got[i])) {
                name = got[i].substr(handoff::kChainMarkerUnits);
            } else {
                lines.push_back(win32::widen(got[i]));
            }
        }
        if (name.empty()) break;
    }
    return lines;
}

}  // namespace vx::test
