// Sidecar.dll as a COM server: its registration in the test prefix's registry, its class object
// and unloading, its exports and its resources.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "shell_support.h"

namespace vx::test {
namespace {

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kClsidText;
constexpr wchar_t kApproved[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr const wchar_t* kHandlerParents[] = {L"*", L"AllFilesystemObjects", L"Directory",
                                              L"Folder", L"Drive"};

std::wstring handler_key(const wchar_t* parent) {
    return std::wstring(parent) + L"\\shellex\\ContextMenuHandlers\\Vaultrix";
}

std::wstring lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

// Every check starts from an unregistered extension and leaves none behind.
class Registration : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sidecar.register_server) << "cannot load " << win32::narrow(sidecar_path());
        // A fresh prefix has an empty Approved key; keep it there for the other checks.
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kApproved, 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &k, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(k);
        sidecar.unregister_server();
    }
    void TearDown() override { sidecar.unregister_server(); }

    // The keys and values the registry script lists, read back one by one.
    void expect_registered() {
        EXPECT_EQ(string_value(HKEY_CLASSES_ROOT, kClassKey, L""), L"CryptShell Class");
        const std::wstring server = kClassKey + L"\\InprocServer32";
        auto module = string_value(HKEY_CLASSES_ROOT, server, L"");
        ASSERT_TRUE(module);
        EXPECT_EQ(lower(*module), lower(sidecar_path()));
        EXPECT_EQ(string_value(HKEY_CLASSES_ROOT, server, L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(string_value(HKEY_CLASSES_ROOT, kClassKey + L"\\TypeLib", L""),
                  L"{E0720B87-22F6-43F2-9C2F-7AE990DB771C}");
        EXPECT_EQ(string_value(HKEY_CLASSES_ROOT, kClassKey + L"\\Version", L""), L"1.0");
        for (const wchar_t* parent : kHandlerParents)
            EXPECT_EQ(string_value(HKEY_CLASSES_ROOT, handler_key(parent), L""), kClsidText)
                << parent;
        // HKCR is the machine's classes here.
        EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + kClassKey));

        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kApproved, 0, KEY_READ, &k), ERROR_SUCCESS);
        wchar_t data[64] = {};
        DWORD type = 0, bytes = sizeof data;
        EXPECT_EQ(
            RegQueryValueExW(k, kClsidText, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes),
            ERROR_SUCCESS);
        RegCloseKey(k);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(bytes, 18u);  // "Vaultrix" and its terminating zero
        EXPECT_STREQ(data, L"Vaultrix");
    }

    void expect_unregistered() {
        EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, kClassKey));
        for (const wchar_t* parent : kHandlerParents) {
            EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, handler_key(parent))) << parent;
        }
        HKEY k = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kApproved, 0, KEY_READ, &k) == ERROR_SUCCESS) {
            EXPECT_NE(RegQueryValueExW(k, kClsidText, nullptr, nullptr, nullptr, nullptr),
                      ERROR_SUCCESS);
            RegCloseKey(k);
        }
    }

    Sidecar sidecar;
};

TEST_F(Registration, WritesTheScriptsKeysAndTheApproval) {
    ASSERT_EQ(sidecar.register_server(), S_OK);
    expect_registered();
}

TEST_F(Registration, RegisteringAgainReplacesTheRemovableKeysWhole) {
    ASSERT_EQ(sidecar.register_server(), S_OK);
    // Left-overs below the keys that registration replaces go with them.
    ASSERT_TRUE(set_string(HKEY_CLASSES_ROOT, kClassKey + L"\\Stale", L"", L"x"));
    ASSERT_TRUE(set_string(HKEY_CLASSES_ROOT, handler_key(L"*"), L"Stale", L"x"));
    ASSERT_TRUE(set_string(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32", L"",
                           L"C:\\elsewhere\\Sidecar.dll"));
    ASSERT_EQ(sidecar.register_server(), S_OK);
    expect_registered();
    EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, kClassKey + L"\\Stale"));
    EXPECT_FALSE(string_value(HKEY_CLASSES_ROOT, handler_key(L"*"), L"Stale"));
}

TEST_F(Registration, UnregisteringKeepsTheSharedKeys) {
    ASSERT_EQ(sidecar.register_server(), S_OK);
    // Another extension's handler beside ours.
    const std::wstring other = L"*\\shellex\\ContextMenuHandlers\\VaultrixTestOther";
    ASSERT_TRUE(
        set_string(HKEY_CLASSES_ROOT, other, L"", L"{00000000-0000-0000-0000-000000000001}"));

    EXPECT_EQ(sidecar.unregister_server(), S_OK);
    expect_unregistered();
    EXPECT_TRUE(key_exists(HKEY_CLASSES_ROOT, L"CLSID"));
    for (const wchar_t* parent : kHandlerParents) {
        EXPECT_TRUE(
            key_exists(HKEY_CLASSES_ROOT, std::wstring(parent) + L"\\shellex\\ContextMenuHandlers"))
            << parent;
    }
    EXPECT_TRUE(key_exists(HKEY_CLASSES_ROOT, other));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kApproved));
    delete_tree(HKEY_CLASSES_ROOT, other);

    // Nothing left to remove is no failure.
    EXPECT_EQ(sidecar.unregister_server(), S_OK);
}

TEST_F(Registration, WithoutTheApprovedListNothingIsRegistered) {
    delete_tree(HKEY_LOCAL_MACHINE, kApproved);
    const HRESULT registered = sidecar.register_server();
    // Unregistration does not need the list either.
    const HRESULT unregistered = sidecar.unregister_server();
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kApproved, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    RegCloseKey(k);

    EXPECT_EQ(registered, E_ACCESSDENIED);
    EXPECT_EQ(unregistered, S_OK);
    expect_unregistered();
}

// regsvr32 as an installer runs it: Wine's own, the 64-bit one in system32.
DWORD regsvr32(const std::wstring& options) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring program = std::wstring(system) + L"\\regsvr32.exe";
    return run_and_wait(program, L"regsvr32 " + options + L" \"" + sidecar_path() + L"\"", 60000);
}

TEST_F(Registration, Regsvr32RegistersAndUnregisters) {
    ASSERT_EQ(regsvr32(L"/s"), 0u);
    expect_registered();
    ASSERT_EQ(regsvr32(L"/u /s"), 0u);
    expect_unregistered();
}

// --- The class object ---

TEST(ClassObject, AnswersOnlyForItsClass) {
    Sidecar sidecar;
    ASSERT_TRUE(sidecar.get_class_object);
    void* out = reinterpret_cast<void*>(1);
    const CLSID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(sidecar.get_class_object(other, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(sidecar.get_class_object(kClsid, IID_IClassFactory, nullptr), E_POINTER);

    Com<IClassFactory> factory;
    ASSERT_EQ(sidecar.get_class_object(kClsid, IID_IClassFactory, factory.out()), S_OK);
    Com<IUnknown> same;
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, same.out()), S_OK);
    Com<IUnknown> none;
    EXPECT_EQ(factory->QueryInterface(IID_IShellExtInit, none.out()), E_NOINTERFACE);
}

TEST(ClassObject, CreateInstanceChecksItsArguments) {
    Apartment apartment;
    Sidecar sidecar;
    ASSERT_TRUE(sidecar.get_class_object);
    Com<IClassFactory> factory;
    ASSERT_EQ(sidecar.get_class_object(kClsid, IID_IClassFactory, factory.out()), S_OK);

    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, nullptr), E_POINTER);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    factory.reset();
    // The object refused for want of that interface is gone again.
    EXPECT_EQ(sidecar.can_unload_now(), S_OK);
}

TEST(ClassObject, AnObjectAnswersItsFiveInterfacesAsOne) {
    Apartment apartment;
    Sidecar sidecar;
    Com<IClassFactory> factory;
    ASSERT_EQ(sidecar.get_class_object(kClsid, IID_IClassFactory, factory.out()), S_OK);
    Com<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.out()), S_OK);
    for (const IID* iid :
         {&IID_IShellExtInit, &IID_IContextMenu, &IID_IContextMenu2, &IID_IContextMenu3}) {
        Com<IUnknown> i;
        ASSERT_EQ(object->QueryInterface(*iid, i.out()), S_OK);
        Com<IUnknown> identity;
        ASSERT_EQ(i->QueryInterface(IID_IUnknown, identity.out()), S_OK);
        EXPECT_EQ(identity.get(), object.get());
    }
    Com<IUnknown> none;
    EXPECT_EQ(object->QueryInterface(IID_IDataObject, none.out()), E_NOINTERFACE);
    EXPECT_EQ(none.get(), nullptr);
}

TEST(ClassObject, UnloadsOnlyWhenNothingHoldsIt) {
    Apartment apartment;
    Sidecar sidecar;
    ASSERT_TRUE(sidecar.can_unload_now);
    EXPECT_EQ(sidecar.can_unload_now(), S_OK);

    Com<IClassFactory> factory;
    ASSERT_EQ(sidecar.get_class_object(kClsid, IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(sidecar.can_unload_now(), S_FALSE);  // an outside reference to the class object

    Com<IContextMenu> menu;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, menu.out()), S_OK);
    factory.reset();
    EXPECT_EQ(sidecar.can_unload_now(), S_FALSE);  // a live object
    menu.reset();
    EXPECT_EQ(sidecar.can_unload_now(), S_OK);

    ASSERT_EQ(sidecar.get_class_object(kClsid, IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(sidecar.can_unload_now(), S_FALSE);  // locked
    ASSERT_EQ(sidecar.get_class_object(kClsid, IID_IClassFactory, factory.out()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(sidecar.can_unload_now(), S_OK);
}

// --- The library file ---

TEST(Library, ExportsTheFourEntryPointsOnly) {
    Sidecar sidecar;
    ASSERT_TRUE(sidecar.module);
    auto* base = reinterpret_cast<const BYTE*>(sidecar.module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::vector<std::string> got;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        got.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    EXPECT_EQ(exports->NumberOfFunctions, 4u);
    EXPECT_EQ(got, (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                             "DllRegisterServer", "DllUnregisterServer"}));
}

// The library's resources, read as data.
class Resources : public ::testing::Test {
  protected:
    void SetUp() override {
        module = LoadLibraryExW(sidecar_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    std::string resource(const wchar_t* type, const wchar_t* name) {
        HRSRC r = FindResourceW(module, name, type);
        if (!r) return std::string();
        HGLOBAL g = LoadResource(module, r);
        return std::string(static_cast<const char*>(LockResource(g)), SizeofResource(module, r));
    }
    HMODULE module = nullptr;
};

TEST_F(Resources, NameIconAndRegistryScripts) {
    wchar_t name[32] = {};
    EXPECT_EQ(LoadStringW(module, 100, name, 32), 7);
    EXPECT_STREQ(name, L"Sidecar");

    // The icon group: 256, 48, 32 and 16 pixels, 32 bits per pixel each.
    const std::string group = resource(RT_GROUP_ICON, MAKEINTRESOURCEW(204));
    ASSERT_GE(group.size(), 6u);
    const auto* p = reinterpret_cast<const BYTE*>(group.data());
    const int count = p[4] | (p[5] << 8);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const BYTE* e = p + 6 + 14 * i;
        sizes.push_back(e[0] == 0 ? 256 : e[0]);
        EXPECT_EQ(e[6] | (e[7] << 8), 32) << "bits of image " << i;
    }
    EXPECT_EQ(sizes, (std::vector<int>{256, 48, 32, 16}));

    const std::string script = resource(L"REGISTRY", MAKEINTRESOURCEW(106));
    EXPECT_NE(script.find("{024B4F1A-7A3C-491D-95B8-85FA10EB4E3A}"), std::string::npos);
    EXPECT_EQ(resource(L"REGISTRY", MAKEINTRESOURCEW(101)), script);
}

TEST_F(Resources, VersionAndManifest) {
    const std::string version = resource(RT_VERSION, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(version.empty());
    std::vector<char> copy(version.begin(), version.end());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    for (const wchar_t* key : {L"\\StringFileInfo\\040904B0\\InternalName",
                               L"\\StringFileInfo\\040904B0\\OriginalFilename"}) {
        wchar_t* text = nullptr;
        ASSERT_TRUE(VerQueryValueW(copy.data(), key, reinterpret_cast<void**>(&text), &size))
            << key;
        EXPECT_STREQ(text, L"Sidecar.dll");
    }

    const std::string manifest = resource(RT_MANIFEST, MAKEINTRESOURCEW(2));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
}

#ifdef VX_SIDECAR_TYPELIB
TEST(Library, TypeLibraryHoldsTheClassAndItsInterface) {
    Com<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(sidecar_path().c_str(), REGKIND_NONE,
                            reinterpret_cast<ITypeLib**>(library.out())),
              S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    const GUID libid = {
        0xE0720B87, 0x22F6, 0x43F2, {0x9C, 0x2F, 0x7A, 0xE9, 0x90, 0xDB, 0x77, 0x1C}};
    EXPECT_TRUE(IsEqualGUID(attr->guid, libid));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attr);

    BSTR name = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"SidecarLib");
    SysFreeString(name);

    Com<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(kClsid, reinterpret_cast<ITypeInfo**>(coclass.out())),
              S_OK);
    TYPEATTR* type = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_COCLASS);
    EXPECT_EQ(type->cImplTypes, 1);
    coclass->ReleaseTypeAttr(type);
    ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"CryptShell");
    SysFreeString(name);

    HREFTYPE ref = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
    Com<ITypeInfo> iface;
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, reinterpret_cast<ITypeInfo**>(iface.out())), S_OK);
    ASSERT_EQ(iface->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"ICryptShell");
    SysFreeString(name);
}
#endif

}  // namespace
}  // namespace vx::test
