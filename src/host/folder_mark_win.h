#pragma once

#include <cstddef>

#include "host/handle_win.h"

// The name of a folder's mark: the page that holds the window of the installer that runs from
// that folder. False where the name does not fit: a name cut off could be another folder's.
bool FolderMarkName(const wchar_t* directory, wchar_t* name, size_t capacity);

// Two installers from one folder could run the same install at once against the same companion
// programs (a slow UAC prompt invites a second double-click). The folder's mark is a named page
// that holds the first copy's window: a second start finds it there, without a search and without
// a message to it. Another mod's folder is another name.
class FolderMark {
  public:
    // Whether another copy holds the folder's mark; else this one does. `other` is that copy's
    // window, of class `className`, once it is there (it may still be creating it), or nullptr
    // where none turns up.
    bool HeldByOther(const wchar_t* directory, const wchar_t* className, HWND* other);
    // This copy's window, for a later start to find.
    void Mark(HWND window);

  private:
    UniqueHandle page_;
};
