// The library's entry points and its class object: all of the COM server plumbing.
#include "server.h"

// windows.h goes first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <olectl.h>
// clang-format on

#include <new>

#include "crypt_shell.h"
#include "registration.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace vx::shellext {

namespace {

LONG g_locks = 0;

// The one class object. It lives as long as the library, so its references only count as
// module locks.
class ClassFactory final : public IClassFactory {
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        lock_module();
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        unlock_module();
        return 1;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) CCryptShell();
        if (!object) return E_OUTOFMEMORY;
        // The object holds one reference while it is asked; an interface it does not have
        // leaves it with none, which deletes it.
        object->AddRef();
        HRESULT hr = object->QueryInterface(riid, out);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            lock_module();
        else
            unlock_module();
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

void lock_module() { InterlockedIncrement(&g_locks); }
void unlock_module() { InterlockedDecrement(&g_locks); }

HMODULE this_module() { return reinterpret_cast<HMODULE>(&__ImageBase); }

}  // namespace vx::shellext

using namespace vx::shellext;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, kCryptShellClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

STDAPI DllCanUnloadNow() {
    return InterlockedCompareExchange(&g_locks, 0, 0) == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() { return register_server(); }

STDAPI DllUnregisterServer() { return unregister_server(); }
