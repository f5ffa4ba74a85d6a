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

}  // namespace

bool FolderMarkName(const wchar_t* directory, wchar_t* name, size_t capacity) {
    TextWriter writer(name, capacity);
    writer.Append(L"Local\\VelmoraModInstaller.");
    AppendFolderKey(directory, writer);
    return !writer.Truncated();
}
