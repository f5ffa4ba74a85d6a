#include "host/text.h"

TextWriter::TextWriter(wchar_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {
    buffer_[0] = L'\0';
}

TextWriter& TextWriter::Append(const wchar_t* text) {
    for (; *text != L'\0'; ++text) {
        if (length_ + 1 >= capacity_) {
            truncated_ = true;
            break;
        }
        buffer_[length_++] = *text;
    }
    buffer_[length_] = L'\0';
    return *this;
}

TextWriter& TextWriter::AppendNumber(uint32_t value) {
    wchar_t digits[11];
    size_t count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    wchar_t reversed[11];
    for (size_t i = 0; i < count; ++i) {
        reversed[i] = digits[count - 1 - i];
    }
    reversed[count] = L'\0';
    return Append(reversed);
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
