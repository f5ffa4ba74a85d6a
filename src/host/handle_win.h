#pragma once

#include "host/windows_win.h"

// Owns a kernel handle and closes it once.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr) {
        if (Valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

  private:
    HANDLE handle_ = nullptr;
};

// Owns an object of the window system, such as the window's font or an icon, and frees it once.
template <typename T, BOOL(WINAPI* Free)(T)>
class UniqueObject {
  public:
    UniqueObject() = default;
    explicit UniqueObject(T object) : object_(object) {}
    UniqueObject(const UniqueObject&) = delete;
    UniqueObject& operator=(const UniqueObject&) = delete;
    ~UniqueObject() { Reset(); }

    T Get() const { return object_; }
    void Reset(T object = nullptr) {
        if (object_ != nullptr) {
            Free(object_);
        }
        object_ = object;
    }
    // Takes over another's object, freeing its own only now: the font that controls still use is
    // deleted once they have the new one.
    void Replace(UniqueObject& other) {
        Reset(other.object_);
        other.object_ = nullptr;
    }

  private:
    T object_ = nullptr;
};

inline BOOL WINAPI FreeFont(HFONT font) {
    return DeleteObject(font);
}
using UniqueFont = UniqueObject<HFONT, FreeFont>;
using UniqueIcon = UniqueObject<HICON, DestroyIcon>;
