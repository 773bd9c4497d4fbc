/* 7z.exe for the tests under Wine: a Windows program that hands its command to the system's
 * 7-Zip on the Unix side. Wine starts a Unix script but gives no process handle and none of its
 * output, so the bridge writes the arguments (Windows paths turned into Unix ones) to a job
 * folder, starts 7z-bridge.sh from its own folder, waits for the exit code file the script leaves
 * there, and passes the output and the exit code on as its own. Not part of the product. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

typedef char*(CDECL* UnixNameFn)(LPCWSTR);

static UnixNameFn unix_name;

static int fail(const char* why) {
    fprintf(stdout, "7z bridge: %s\n", why);
    return 2;
}

static int is_windows_path(const wchar_t* a) {
    return (a[0] && a[1] == L':' && (a[2] == L'\\' || a[2] == L'/')) ||
           (a[0] == L'\\' && a[1] == L'\\');
}

static int put_utf8(FILE* f, const wchar_t* w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, NULL, 0, NULL, NULL);
    char* s = n > 0 ? malloc((size_t)n) : NULL;
    if (!s) return 0;
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s, n, NULL, NULL);
    fputs(s, f);
    free(s);
    return 1;
}

static int put_unix_path(FILE* f, const wchar_t* path) {
    char* u = unix_name(path);
    if (!u) return 0;
    fputs(u, f);
    HeapFree(GetProcessHeap(), 0, u);
    return 1;
}

/* One argument, NUL-terminated; a Windows path, alone or after "-o", in its Unix form. */
static int put_arg(FILE* f, const wchar_t* arg) {
    int ok;
    if (wcsncmp(arg, L"-o", 2) == 0 && is_windows_path(arg + 2)) {
        fputs("-o", f);
        ok = put_unix_path(f, arg + 2);
    } else if (is_windows_path(arg)) {
        ok = put_unix_path(f, arg);
    } else {
        ok = put_utf8(f, arg);
    }
    fputc('\0', f);
    return ok;
}

static void join(wchar_t* out, size_t size, const wchar_t* folder, const wchar_t* name) {
    swprintf(out, size, L"%ls\\%ls", folder, name);
}

int main(void) {
    unix_name = (UnixNameFn)(void (*)(void))GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                                           "wine_get_unix_file_name");
    if (!unix_name) return fail("this runs only under Wine");

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return fail("no command line");

    wchar_t temp[MAX_PATH];
    wchar_t job[MAX_PATH + 64];
    wchar_t args[MAX_PATH + 80], out[MAX_PATH + 80], rc[MAX_PATH + 80];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return fail("no temporary folder");
    if (temp[n - 1] == L'\\') temp[n - 1] = L'\0';
    swprintf(job, MAX_PATH + 64, L"%ls\\vx7z-%lu-%lu", temp, GetCurrentProcessId(),
             GetTickCount());
    if (!CreateDirectoryW(job, NULL)) return fail("cannot make the job folder");
    join(args, MAX_PATH + 80, job, L"args");
    join(out, MAX_PATH + 80, job, L"out");
    join(rc, MAX_PATH + 80, job, L"rc");

    FILE* f = _wfopen(args, L"wb");
    if (!f) return fail("cannot write the arguments");
    int ok = 1;
    for (int i = 1; i < argc; ++i) ok &= put_arg(f, argv[i]);
    fclose(f);
    if (!ok) return fail("a path has no Unix form");

    wchar_t script[MAX_PATH + 32];
    DWORD len = GetModuleFileNameW(NULL, script, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return fail("cannot find myself");
    wchar_t* slash = wcsrchr(script, L'\\');
    if (!slash) return fail("cannot find my folder");
    wcscpy(slash + 1, L"7z-bridge.sh");

    char* unix_job = unix_name(job);
    if (!unix_job) return fail("the job folder has no Unix form");
    wchar_t command[3 * MAX_PATH + 64];
    swprintf(command, 3 * MAX_PATH + 64, L"\"%ls\" \"%hs\"", script, unix_job);
    HeapFree(GetProcessHeap(), 0, unix_job);

    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    ZeroMemory(&pi, sizeof pi);
    if (!CreateProcessW(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        return fail("cannot start 7z-bridge.sh");
    }
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);

    /* The script renames the exit code file into place once 7-Zip has ended. */
    for (int waited = 0; GetFileAttributesW(rc) == INVALID_FILE_ATTRIBUTES; waited += 10) {
        if (waited > 600000) return fail("7-Zip did not end");
        Sleep(10);
    }

    HANDLE std_out = GetStdHandle(STD_OUTPUT_HANDLE);
    f = _wfopen(out, L"rb");
    if (f) {
        char buf[16384];
        size_t got;
        while ((got = fread(buf, 1, sizeof buf, f)) > 0) {
            DWORD written;
            if (std_out && std_out != INVALID_HANDLE_VALUE) {
                WriteFile(std_out, buf, (DWORD)got, &written, NULL);
            }
        }
        fclose(f);
    }
    int code = 2;
    f = _wfopen(rc, L"rb");
    if (f) {
        if (fscanf(f, "%d", &code) != 1) code = 2;
        fclose(f);
    }
    DeleteFileW(args);
    DeleteFileW(out);
    DeleteFileW(rc);
    RemoveDirectoryW(job);
    LocalFree(argv);
    return code;
}
