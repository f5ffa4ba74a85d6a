#pragma once

#include <cstddef>
#include <cstdint>

// Writes into a fixed wide-character buffer, from its start, and keeps it terminated. The exe keeps
// no heap strings, so every message and path is built in one of these.
class TextWriter {
  public:
    TextWriter(wchar_t* buffer, size_t capacity);

    TextWriter& Append(const wchar_t* text);
    TextWriter& AppendNumber(uint32_t value);
    // "0x" and eight upper-case hexadecimal digits, as Windows writes status codes.
    TextWriter& AppendHex(uint32_t value);
    // Appends a system message with its inserts ("%1", "%2!s!", ...) filled with `subject`, the
    // file the message is about: Windows' own texts read "%1 is not a valid Win32 application."
    TextWriter& AppendFilled(const wchar_t* text, const wchar_t* subject);
    // True when something did not fit and was cut off.
    bool Truncated() const { return truncated_; }

  private:
    void Put(wchar_t c);

    wchar_t* buffer_;
    size_t capacity_;
    size_t length_ = 0;
    bool truncated_ = false;
};

template <size_t N>
struct TextBuffer {
    wchar_t text[N] = {};
    TextWriter Writer() { return TextWriter(text, N); }
};

size_t TextLength(const wchar_t* text);

// The length of a path's directory part, with its last separator: "C:\dir\a.exe" gives 7.
size_t DirectoryLength(const wchar_t* path);

// Joins a directory and a file name with exactly one backslash, also when the directory is a
// drive root such as "Y:\". Fails, leaving an empty path, when the directory is empty or the
// result does not fit: a cut-off path could name another file.
bool JoinPath(const wchar_t* directory, const wchar_t* name, wchar_t* path, size_t capacity);

// The extended-length form ("\\?\C:\...", "\\?\UNC\server\...") of a full path of MAX_PATH
// characters or more, which Windows otherwise refuses; a shorter path is copied as it is. Fails,
// leaving an empty path, when the result does not fit.
bool ExtendedLengthPath(const wchar_t* path, wchar_t* result, size_t capacity);

// MAX_PATH: Windows refuses a plain path of this many characters or more.
constexpr size_t kMaxPath = 260;
constexpr size_t kPathCapacity = 1024;
using PathBuffer = TextBuffer<kPathCapacity>;
