// A DLL planted beside a program, named like one that the program loads. Loaded, it leaves
// "<the program's name>.planted" beside itself, then refuses to load: it is not the DLL it is
// named after.
#include "host/windows_win.h"

#include "host/handle_win.h"
#include "host/text.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        PathBuffer program;
        GetModuleFileNameW(nullptr, program.text, kPathCapacity);
        PathBuffer log;
        GetModuleFileNameW(self, log.text, kPathCapacity);
        lstrcpyW(log.text + DirectoryLength(log.text),
                 program.text + DirectoryLength(program.text));
        lstrcatW(log.text, L".planted");
        UniqueHandle mark(
            CreateFileW(log.text, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return reason != DLL_PROCESS_ATTACH;
}
