#include "shell/registry_access.h"

#include "framework/code_page_1251.h"

#include <cstring>
#include <cwchar>
#include <optional>
#include <vector>

namespace {

constexpr unsigned kCyrillicCodePage = 1251;

// Queries into a scratch buffer of `capacity` bytes, so that a failed or partial query never
// touches the caller's data: the platform leaves the buffer undefined when the value is too long.
// The ANSI function is right for blocks: it passes the bytes of a non-string value unconverted.
HRESULT QueryRaw(HKEY key, const char* name, std::vector<BYTE>& scratch, DWORD capacity, DWORD* size)
{
    scratch.assign(capacity, 0);
    *size = capacity;
    const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, scratch.data(), size);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    if (*size > capacity) return HRESULT_FROM_WIN32(ERROR_MORE_DATA);
    return S_OK;
}

HRESULT WriteRaw(HKEY key, const char* name, DWORD type, const void* data, DWORD size)
{
    const LONG status = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

// The game's value names are ASCII; a null name is the key's default value, as "" is.
std::wstring WideName(const char* name)
{
    return name ? Cp1251ToWide(name) : std::wstring();
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A value as Windows-1251 text shorter than `capacity`: a string value's UTF-16 characters, or
// another type's bytes, up to the first zero. Stored without a zero inside `capacity` (characters
// or bytes), it is too long.
HRESULT QueryText(HKEY key, const char* name, DWORD capacity, const TextWanted& wanted, std::string& text)
{
    std::vector<BYTE> scratch(capacity * sizeof(wchar_t), 0);
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(scratch.size());
    const LONG status = RegQueryValueExW(key, WideName(name).c_str(), nullptr, &type, scratch.data(), &size);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const HRESULT tooLong = HRESULT_FROM_WIN32(ERROR_MORE_DATA);
    if (!IsStringType(type)) {
        const char* bytes = reinterpret_cast<const char*>(scratch.data());
        if (size > capacity || (size == capacity && bytes[size - 1] != '\0')) return tooLong;
        text.assign(bytes, strnlen(bytes, size));
        return S_OK;
    }
    const wchar_t* characters = reinterpret_cast<const wchar_t*>(scratch.data());
    const std::size_t count = size / sizeof(wchar_t);
    if (count == capacity && characters[count - 1] != L'\0') return tooLong;
    text = Cp1251OfStoredText(std::wstring_view(characters, wcsnlen(characters, count)), GetACP(),
                              capacity - 1, wanted);
    return S_OK;
}

} // namespace

HRESULT ReadDwordSetting(HKEY key, const char* name, DWORD* destination, DWORD defaultValue)
{
    return ReadBinarySetting(key, name, destination, sizeof(DWORD), &defaultValue);
}

HRESULT ReadStringSetting(HKEY key, const char* name, char* buffer, DWORD bufferSize, const char* defaultText,
                          const TextWanted& wanted)
{
    if (!buffer || bufferSize == 0) return E_INVALIDARG;
    std::string text;
    const HRESULT hr = QueryText(key, name, bufferSize, wanted, text);
    if (FAILED(hr)) {
        const char* fallback = defaultText ? defaultText : "";
        text.assign(fallback, strnlen(fallback, bufferSize - 1));
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return hr;
}

// This version stores the game's Windows-1251 text as its UTF-16, which is what the ANSI
// functions stored on a Russian system (code page 1251). The earlier version wrote the 1251 bytes
// with the ANSI functions, which took them as text of the system's code page: on a Western
// system (1252) "Фон" was stored as "Ôîí", and reading it back the same way gave the bytes again;
// on a multi-byte system (932, 936) most such bytes were lost on the way in, and only what comes
// back as the same bytes can be had again. So a stored text has up to two readings:
//   1. its 1251 bytes: this version's values on any system, the earlier version's on a Russian
//      system, plain ASCII anywhere;
//   2. its bytes in the system's code page, as the earlier version read them (the same as 1 on a
//      Russian system, so not tried there).
// Either counts only when it converts back to the stored text exactly and fits. Few texts have
// both, and then they differ: "€" is a 1251 and a 1252 character at different bytes; Russian
// letters are characters of 932 and 936 too. So the first reading the caller wants (for a path:
// one naming an existing file) is taken, else the first there is (on 932 and 936 that keeps the
// Russian text this version wrote), else the 1251 bytes with '?' for what 1251 lacks.
std::string Cp1251OfStoredText(std::wstring_view stored, unsigned ansiCodePage, std::size_t maxLength,
                               const TextWanted& wanted)
{
    std::vector<unsigned> codePages{kCyrillicCodePage};
    if (ansiCodePage != kCyrillicCodePage) codePages.push_back(ansiCodePage);
    std::vector<std::string> readings;
    for (const unsigned codePage : codePages) {
        std::optional<std::string> reading = ExactlyInCodePage(codePage, stored);
        if (reading && reading->size() <= maxLength) readings.push_back(std::move(*reading));
    }
    if (wanted)
        for (const std::string& reading : readings)
            if (wanted(reading)) return reading;
    if (!readings.empty()) return readings.front();
    std::string lossy = WideToCp1251(stored);
    if (lossy.size() > maxLength) lossy.resize(maxLength);
    return lossy;
}

HRESULT ReadBinarySetting(HKEY key, const char* name, void* destination, DWORD size, const void* defaultBlock)
{
    if (!destination) return E_INVALIDARG;
    std::vector<BYTE> scratch;
    DWORD stored = 0;
    const HRESULT hr = QueryRaw(key, name, scratch, size, &stored);
    if (SUCCEEDED(hr)) {
        std::memcpy(destination, scratch.data(), stored);
        return S_OK;
    }
    if (defaultBlock) std::memcpy(destination, defaultBlock, size);
    return hr;
}

HRESULT WriteDwordSetting(HKEY key, const char* name, DWORD value)
{
    return WriteRaw(key, name, REG_DWORD, &value, sizeof value);
}

HRESULT WriteStringSetting(HKEY key, const char* name, const char* text)
{
    if (!text) return E_INVALIDARG;
    const std::wstring wide = Cp1251ToWide(text);
    const LONG status =
        RegSetValueExW(key, WideName(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT WriteBinarySetting(HKEY key, const char* name, const void* data, DWORD size)
{
    if (!data && size != 0) return E_INVALIDARG;
    return WriteRaw(key, name, REG_BINARY, data, size);
}
