#include "shell/registry_access.h"

#include <cstring>
#include <vector>

namespace {

// Queries into a scratch buffer of `capacity` bytes, so that a failed or partial query never
// touches the caller's data: the platform leaves the buffer undefined when the value is too long.
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

} // namespace

HRESULT ReadDwordSetting(HKEY key, const char* name, DWORD* destination, DWORD defaultValue)
{
    return ReadBinarySetting(key, name, destination, sizeof(DWORD), &defaultValue);
}

HRESULT ReadStringSetting(HKEY key, const char* name, char* buffer, DWORD bufferSize, const char* defaultText)
{
    if (!buffer || bufferSize == 0) return E_INVALIDARG;
    std::vector<BYTE> scratch;
    DWORD size = 0;
    HRESULT hr = QueryRaw(key, name, scratch, bufferSize, &size);
    // The stored bytes need not end with a zero; without one inside the buffer the text is too long.
    if (SUCCEEDED(hr) && size == bufferSize && scratch[size - 1] != 0)
        hr = HRESULT_FROM_WIN32(ERROR_MORE_DATA);
    if (SUCCEEDED(hr)) {
        std::memcpy(buffer, scratch.data(), size);
        buffer[size < bufferSize ? size : bufferSize - 1] = '\0';
        return S_OK;
    }
    const char* text = defaultText ? defaultText : "";
    const std::size_t length = strnlen(text, bufferSize - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return hr;
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
    return WriteRaw(key, name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

HRESULT WriteBinarySetting(HKEY key, const char* name, const void* data, DWORD size)
{
    if (!data && size != 0) return E_INVALIDARG;
    return WriteRaw(key, name, REG_BINARY, data, size);
}
