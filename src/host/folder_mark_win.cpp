#include "host/folder_mark_win.h"

#include "host/handle_win.h"
#include "host/text.h"

namespace {

// The folder's identity: its volume and its file index, so that the same folder reached through a
// mapped drive, SUBST, a UNC path or a junction is one folder, and no two folders share a key. A
// file system that numbers no files (some network shares) gives the folder's long path instead.
void AppendFolderKey(const wchar_t* directory, TextWriter& key) {
    UniqueHandle folder(CreateFileW(directory, FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION file = {};
    if (folder.Valid() && GetFileInformationByHandle(folder.Get(), &file) &&
        (file.nFileIndexHigh | file.nFileIndexLow) != 0) {
        key.AppendHex(file.dwVolumeSerialNumber)
            .AppendHex(file.nFileIndexHigh)
            .AppendHex(file.nFileIndexLow);
        return;
    }
    PathBuffer path;
    const DWORD length = GetLongPathNameW(directory, path.text, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) {
        path.Writer().Append(directory);
    }
    // A backslash would name a namespace.
    for (wchar_t* c = path.text; *c != L'\0'; ++c) {
        *c = *c == L'\\' ? L'/' : *c;
    }
    key.Append(path.text);
}

// The window that another copy has marked in the page, once it is there; nullptr when none turns
// up. A mark that names no window of ours is a copy that has ended while another start held the
// page open: this copy takes the mark over, as the first (`gone`), and a start racing it for that
// waits for its window.
HWND WaitForMarkedWindow(HANDLE page, const wchar_t* className, bool* gone) {
    auto* view = static_cast<void* volatile*>(MapViewOfFile(page, FILE_MAP_WRITE, 0, 0, 0));
    HWND found = nullptr;
    for (int tries = 0; view != nullptr && found == nullptr && !*gone && tries < 30; ++tries) {
        void* marked = *view;
        wchar_t markedClass[64] = {};
        if (GetClassNameW(static_cast<HWND>(marked), markedClass, 64) > 0 &&
            lstrcmpW(markedClass, className) == 0) {
            found = static_cast<HWND>(marked);
        } else if (marked != nullptr &&
                   InterlockedCompareExchangePointer(view, nullptr, marked) == marked) {
            *gone = true;
        } else {
            Sleep(100);
        }
    }
    if (view != nullptr) {
        UnmapViewOfFile(const_cast<void**>(view));
    }
    return found;
}

}  // namespace

bool FolderMarkName(const wchar_t* directory, wchar_t* name, size_t capacity) {
    TextWriter writer(name, capacity);
    writer.Append(L"Local\\VelmoraModInstaller.");
    AppendFolderKey(directory, writer);
    return !writer.Truncated();
}

bool FolderMark::HeldByOther(const wchar_t* directory, const wchar_t* className, HWND* other) {
    TextBuffer<kPathCapacity + 32> name;
    if (!FolderMarkName(directory, name.text, kPathCapacity + 32)) {
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    page_.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(HWND),
                                   name.text));
    const DWORD error = GetLastError();
    // Denied: the other copy runs with rights that this one lacks. Any other failure (a name too
    // long for Windows) leaves the folder unguarded.
    if (error != (page_.Valid() ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED)) {
        return false;
    }
    bool gone = false;
    *other = WaitForMarkedWindow(page_.Get(), className, &gone);
    if (gone) {
        return false;
    }
    // Let go, so that the mark goes with the other copy even while this one's box is open.
    page_.Reset();
    return true;
}

void FolderMark::Mark(HWND window) {
    auto* mark = static_cast<HWND*>(MapViewOfFile(page_.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (mark != nullptr) {
        *mark = window;
        UnmapViewOfFile(mark);
    }
}
