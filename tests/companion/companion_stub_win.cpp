// Stands in for a companion program. Started, it appends one line to started.log beside it, in
// UTF-16: <creation time, ms since 1601 UTC> TAB <1 if started hidden> TAB <its full path> TAB
// <working directory>. A file "<its full path>.stub" holding "<exit code> <milliseconds>" makes it
// stay that long and end with that code.
#include "host/windows_win.h"

#include <uxtheme.h>

#include <cstdio>

#include "host/handle_win.h"
#include "host/text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Imported by name, as programs do: a uxtheme.dll planted beside the stub loads into it.
    IsThemeActive();
    // When the process was created, not when it got here: a slow start must not blur the time.
    ULARGE_INTEGER created = {};
    FILETIME unused[3];
    GetProcessTimes(GetCurrentProcess(), reinterpret_cast<FILETIME*>(&created), &unused[0],
                    &unused[1], &unused[2]);
    STARTUPINFOW startup = {};
    GetStartupInfoW(&startup);
    const bool hidden =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;

    PathBuffer self;
    GetModuleFileNameW(nullptr, self.text, kPathCapacity);
    PathBuffer directory;
    GetCurrentDirectoryW(kPathCapacity, directory.text);
    wchar_t line[3 * kPathCapacity];
    const int length =
        _snwprintf(line, 3 * kPathCapacity, L"%llu\t%d\t%ls\t%ls\n", created.QuadPart / 10000,
                   hidden ? 1 : 0, self.text, directory.text);
    PathBuffer log;
    log.Writer().Append(self.text);
    lstrcpyW(log.text + DirectoryLength(self.text), L"started.log");
    // One writer at a time: under Wine, two programs started together may append at one offset.
    UniqueHandle file;
    for (int tries = 0; tries < 500 && !file.Valid(); ++tries) {
        file.Reset(CreateFileW(log.text, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        Sleep(file.Valid() ? 0 : 10);
    }
    DWORD written = 0;
    WriteFile(file.Get(), line, static_cast<DWORD>(length * sizeof(wchar_t)), &written, nullptr);

    PathBuffer configPath;
    configPath.Writer().Append(self.text).Append(L".stub");
    UniqueHandle config(CreateFileW(configPath.text, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    char settings[64] = {};
    DWORD read = 0;
    ReadFile(config.Get(), settings, sizeof settings - 1, &read, nullptr);
    unsigned exitCode = 0;
    unsigned stayMs = 0;
    std::sscanf(settings, "%u %u", &exitCode, &stayMs);
    Sleep(stayMs);
    return static_cast<int>(exitCode);
}
