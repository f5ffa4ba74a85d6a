// A DLL planted beside a program, named like one that the program loads. Loaded, it appends
// "<its own path> TAB <the program's path>" to planted.log beside it, then refuses to load: it is
// not the DLL it is named after.
#include "host/windows_win.h"

#include "host/handle_win.h"
#include "host/text.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    PathBuffer dll;
    PathBuffer program;
    GetModuleFileNameW(self, dll.text, kPathCapacity);
    GetModuleFileNameW(nullptr, program.text, kPathCapacity);
    PathBuffer directory;
    directory.Writer().Append(dll.text);
    directory.text[DirectoryLength(dll.text)] = L'\0';
    PathBuffer log;
    JoinPath(directory.text, L"planted.log", log.text, kPathCapacity);

    TextBuffer<2 * kPathCapacity + 4> line;
    line.Writer().Append(dll.text).Append(L"\t").Append(program.text).Append(L"\r\n");
    char utf8[6 * kPathCapacity + 16];
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, line.text, -1, utf8, sizeof utf8, nullptr, nullptr);
    UniqueHandle file(CreateFileW(log.text, FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.Valid() && length > 1) {
        WriteFile(file.Get(), utf8, static_cast<DWORD>(length - 1), &written, nullptr);
    }
    return FALSE;
}
