#include "shell/media_lookup.h"

#include "shell/text_copy.h"

#include <cstring>

namespace {

const char kSdkKey[] = "Software\\Microsoft\\DirectX SDK";
const char kSdkSamplesValue[] = "DX9J3SDK Samples Path";
const char kMediaSubfolder[] = "\\Media\\";
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);

/// Closes the registry key it holds when it goes.
class ScopedKey {
  public:
    ScopedKey() = default;
    ~ScopedKey()
    {
        if (key) RegCloseKey(key);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    HKEY* Receive() { return &key; }
    HKEY Get() const { return key; }

  private:
    HKEY key = nullptr;
};

/// True when path names an existing file that can be opened for reading.
bool FileExists(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

} // namespace

HRESULT LocateMediaFile(char* destination, int size, const char* fileName)
{
    if (!fileName || !destination || size < 1) return E_INVALIDARG;
    destination[0] = 0;

    char* namePart = nullptr;
    const DWORD length = GetFullPathNameA(fileName, static_cast<DWORD>(size), destination, &namePart);
    if (length == 0 || length >= static_cast<DWORD>(size)) {
        destination[0] = 0;
        return E_FAIL;
    }
    char bareName[MAX_PATH] = "";
    if (namePart) CopyTextBounded(bareName, namePart, MAX_PATH);

    if (FileExists(destination)) return S_OK;

    if (bareName[0] != 0 && FileExists(bareName)) {
        CopyTextBounded(destination, bareName, size);
        return S_OK;
    }

    const HRESULT folder = SdkMediaFolder(destination, size);
    if (FAILED(folder)) return folder;
    if (std::strlen(destination) + std::strlen(bareName) >= static_cast<size_t>(size)) return E_INVALIDARG;
    std::strcat(destination, bareName);
    if (FileExists(destination)) return S_OK;

    CopyTextBounded(destination, fileName, size);
    return kFileNotFound;
}

HRESULT SdkMediaFolder(char* destination, int size)
{
    if (!destination || size <= 0) return E_INVALIDARG;
    destination[0] = 0;

    ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSdkKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return E_FAIL;

    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(size);
    const LONG read = RegQueryValueExA(key.Get(), kSdkSamplesValue, nullptr, &type,
                                       reinterpret_cast<BYTE*>(destination), &bytes);
    // A value of another type, or one that does not fit, is as good as missing.
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        destination[0] = 0;
        return E_FAIL;
    }
    // Stored strings need not carry their terminator.
    destination[bytes < static_cast<DWORD>(size) ? bytes : size - 1] = 0;
    destination[size - 1] = 0;

    if (std::strlen(destination) + std::strlen(kMediaSubfolder) >= static_cast<size_t>(size)) {
        destination[0] = 0;
        return E_INVALIDARG;
    }
    std::strcat(destination, kMediaSubfolder);
    return S_OK;
}
