#pragma once

#include <cstddef>

// The name of a folder's mark: the page that holds the window of the installer that runs from
// that folder. False where the name does not fit: a name cut off could be another folder's.
bool FolderMarkName(const wchar_t* directory, wchar_t* name, size_t capacity);
