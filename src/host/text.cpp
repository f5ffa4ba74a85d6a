#include "host/text.h"

TextWriter::TextWriter(wchar_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {
    buffer_[0] = L'\0';
}

TextWriter& TextWriter::Append(const wchar_t* text) {
    while (*text != L'\0') {
        Put(*text++);
    }
    return *this;
}

void TextWriter::Put(wchar_t c) {
    if (length_ + 1 >= capacity_) {
        truncated_ = true;
        return;
    }
    buffer_[length_++] = c;
    buffer_[length_] = L'\0';
}

TextWriter& TextWriter::AppendNumber(uint32_t value) {
    wchar_t digits[11];
    size_t count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) {
        Put(digits[--count]);
    }
    return *this;
}

TextWriter& TextWriter::AppendHex(uint32_t value) {
    Append(L"0x");
    for (int shift = 28; shift >= 0; shift -= 4) {
        Put(L"0123456789ABCDEF"[(value >> shift) & 0xF]);
    }
    return *this;
}

TextWriter& TextWriter::AppendFilled(const wchar_t* text, const wchar_t* subject) {
    while (*text != L'\0') {
        // Inserts run from %1 to %99.
        if (text[0] == L'%' && text[1] >= L'1' && text[1] <= L'9') {
            text += text[2] >= L'0' && text[2] <= L'9' ? 3 : 2;
            // An insert may carry a printf format: "%1!s!".
            if (*text == L'!') {
                const wchar_t* close = text + 1;
                while (*close != L'\0' && *close != L'!') {
                    ++close;
                }
                text = *close == L'!' ? close + 1 : text;
            }
            Append(subject);
            continue;
        }
        Put(*text++);
    }
    return *this;
}

size_t TextLength(const wchar_t* text) {
    size_t length = 0;
    while (text[length] != L'\0') {
        ++length;
    }
    return length;
}

size_t DirectoryLength(const wchar_t* path) {
    size_t length = 0;
    for (size_t i = 0; path[i] != L'\0'; ++i) {
        if (path[i] == L'\\' || path[i] == L'/') {
            length = i + 1;
        }
    }
    return length;
}

bool JoinPath(const wchar_t* directory, const wchar_t* name, wchar_t* path, size_t capacity) {
    path[0] = L'\0';
    const size_t length = TextLength(directory);
    if (length == 0) {
        return false;
    }
    TextWriter writer(path, capacity);
    writer.Append(directory);
    const wchar_t last = directory[length - 1];
    if (last != L'\\' && last != L'/') {
        writer.Append(L"\\");
    }
    writer.Append(name);
    if (writer.Truncated()) {
        path[0] = L'\0';
        return false;
    }
    return true;
}

bool ExtendedLengthPath(const wchar_t* path, wchar_t* result, size_t capacity) {
    const bool prefixed = path[0] == L'\\' && path[1] == L'\\' &&
                          (path[2] == L'?' || path[2] == L'.') && path[3] == L'\\';
    TextWriter writer(result, capacity);
    if (TextLength(path) < kMaxPath || prefixed) {
        writer.Append(path);
    } else if (path[0] == L'\\' && path[1] == L'\\') {
        writer.Append(L"\\\\?\\UNC\\").Append(path + 2);
    } else {
        writer.Append(L"\\\\?\\").Append(path);
    }
    if (writer.Truncated()) {
        result[0] = L'\0';
        return false;
    }
    return true;
}
