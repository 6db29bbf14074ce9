#include "framework/code_page_1251.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr UINT kCyrillicCodePage = 1251;

std::wstring ToWide(UINT codePage, std::string_view bytes)
{
    if (bytes.empty()) return {};
    const int length =
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
    return wide;
}

std::string FromWide(UINT codePage, std::wstring_view wide)
{
    if (wide.empty()) return {};
    const int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                           0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), length,
                        nullptr, nullptr);
    return bytes;
}

} // namespace

std::string Utf8ToCp1251(std::string_view utf8)
{
    return FromWide(kCyrillicCodePage, ToWide(CP_UTF8, utf8));
}

std::wstring Cp1251ToWide(std::string_view bytes)
{
    return ToWide(kCyrillicCodePage, bytes);
}

std::string WideToCp1251(std::wstring_view wide)
{
    return FromWide(kCyrillicCodePage, wide);
}

std::optional<std::string> ExactlyInCodePage(unsigned codePage, std::wstring_view wide)
{
    std::string bytes = FromWide(codePage, wide);
    if (ToWide(codePage, bytes) != wide) return std::nullopt;
    return bytes;
}

std::wstring WideFromCp1251(const char* field, std::size_t size)
{
    std::size_t length = 0;
    while (length < size && field[length] != '\0')
        ++length;
    if (length == 0) return {};
    std::wstring text(length, L'\0');
    // Windows-1251 is a single-byte code: one character per byte.
    int converted = MultiByteToWideChar(kCyrillicCodePage, 0, field, static_cast<int>(length), text.data(),
                                        static_cast<int>(length));
    text.resize(converted > 0 ? converted : 0);
    return text;
}

void Cp1251FromWide(const std::wstring& text, char* field, std::size_t size)
{
    std::memset(field, 0, size);
    if (text.empty() || size == 0) return;
    std::string bytes(text.size(), '\0');
    int converted = WideCharToMultiByte(kCyrillicCodePage, 0, text.data(), static_cast<int>(text.size()),
                                        bytes.data(), static_cast<int>(bytes.size()), "?", nullptr);
    if (converted <= 0) return;
    std::memcpy(field, bytes.data(), static_cast<std::size_t>(converted) < size ? converted : size);
}
