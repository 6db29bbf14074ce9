#include "shell/text_1251.h"

#include <windows.h>

#include <cstring>

namespace {
constexpr UINT kCodePage1251 = 1251;
}

std::wstring WideFromCp1251(const char* field, std::size_t size)
{
    std::size_t length = 0;
    while (length < size && field[length] != '\0') ++length;
    if (length == 0) return {};
    std::wstring text(length, L'\0');
    // Windows-1251 is a single-byte code: one character per byte.
    int converted = MultiByteToWideChar(kCodePage1251, 0, field, static_cast<int>(length), text.data(),
                                        static_cast<int>(length));
    text.resize(converted > 0 ? converted : 0);
    return text;
}

void Cp1251FromWide(const std::wstring& text, char* field, std::size_t size)
{
    std::memset(field, 0, size);
    if (text.empty() || size == 0) return;
    std::string bytes(text.size(), '\0');
    int converted = WideCharToMultiByte(kCodePage1251, 0, text.data(), static_cast<int>(text.size()),
                                        bytes.data(), static_cast<int>(bytes.size()), "?", nullptr);
    if (converted <= 0) return;
    std::memcpy(field, bytes.data(), static_cast<std::size_t>(converted) < size ? converted : size);
}
