// Stands in for a companion program. Started, it appends one line to a log and ends:
//   <creation time, ms since 1601 UTC> TAB <1 if started hidden> TAB <its full path> TAB <working
//   dir>
// The log is %VELMORA_STUB_LOG%, or started.log beside the stub. A file "<its full path>.stub"
// holding "<exit code> <milliseconds>" makes it stay that long and end with that code.
#include "host/windows_win.h"

#include <cstdio>

#include "host/handle_win.h"
#include "host/text.h"

namespace {

void ToUtf8(const wchar_t* text, char* utf8, int capacity) {
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, capacity, nullptr, nullptr) == 0) {
        utf8[0] = '\0';
    }
}

unsigned ParseNumber(const char*& cursor) {
    while (*cursor == ' ' || *cursor == '\r' || *cursor == '\n' || *cursor == '\t') {
        ++cursor;
    }
    unsigned value = 0;
    while (*cursor >= '0' && *cursor <= '9') {
        value = value * 10 + static_cast<unsigned>(*cursor++ - '0');
    }
    return value;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // When the process was created, not when it got here: a slow start must not blur the time.
    FILETIME created = {};
    FILETIME unused[3];
    GetProcessTimes(GetCurrentProcess(), &created, &unused[0], &unused[1], &unused[2]);
    const unsigned long long startMs =
        ((static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime) /
        10000;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const bool hidden =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;

    PathBuffer self;
    GetModuleFileNameW(nullptr, self.text, kPathCapacity);
    PathBuffer directory;
    GetCurrentDirectoryW(kPathCapacity, directory.text);

    PathBuffer logPath;
    if (GetEnvironmentVariableW(L"VELMORA_STUB_LOG", logPath.text, kPathCapacity) == 0) {
        PathBuffer selfDirectory;
        selfDirectory.Writer().Append(self.text);
        selfDirectory.text[DirectoryLength(self.text)] = L'\0';
        JoinPath(selfDirectory.text, L"started.log", logPath.text, kPathCapacity);
    }

    char selfUtf8[3 * kPathCapacity];
    char directoryUtf8[3 * kPathCapacity];
    ToUtf8(self.text, selfUtf8, sizeof selfUtf8);
    ToUtf8(directory.text, directoryUtf8, sizeof directoryUtf8);

    char line[8 * kPathCapacity];
    const int length = snprintf(line, sizeof line, "%llu\t%d\t%s\t%s\r\n", startMs, hidden ? 1 : 0,
                                selfUtf8, directoryUtf8);
    UniqueHandle log(CreateFileW(logPath.text, FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log.Valid()) {
        DWORD written = 0;
        WriteFile(log.Get(), line, static_cast<DWORD>(length), &written, nullptr);
    }

    PathBuffer configPath;
    configPath.Writer().Append(self.text).Append(L".stub");
    UniqueHandle config(CreateFileW(configPath.text, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    unsigned exitCode = 0;
    if (config.Valid()) {
        char text[64] = {};
        DWORD read = 0;
        ReadFile(config.Get(), text, sizeof text - 1, &read, nullptr);
        const char* cursor = text;
        exitCode = ParseNumber(cursor);
        Sleep(ParseNumber(cursor));
    }
    return static_cast<int>(exitCode);
}
