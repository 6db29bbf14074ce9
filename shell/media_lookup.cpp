#include "shell/media_lookup.h"

#include "framework/code_page_1251.h"
#include "framework/file_path_1251.h"
#include "shell/text_copy.h"

#include <cstring>
#include <string>

namespace {

const wchar_t kSdkKey[] = L"Software\\Microsoft\\DirectX SDK";
const wchar_t kSdkSamplesValue[] = L"DX9J3SDK Samples Path";
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
    return CanOpenForReading1251(path, FILE_SHARE_READ);
}

/// The full path of fileName in Windows-1251 and the offset of its bare name; false when it
/// cannot be resolved.
bool FullPath1251(const char* fileName, std::string& fullPath, std::size_t& namePart)
{
    const std::wstring wideName = Cp1251ToWide(fileName);
    wchar_t full[MAX_PATH * 4];
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(wideName.c_str(), MAX_PATH * 4, full, &name);
    if (length == 0 || length >= MAX_PATH * 4) return false;
    fullPath = WideToCp1251(std::wstring_view(full, length));
    namePart = name ? WideToCp1251(std::wstring_view(full, static_cast<std::size_t>(name - full))).size()
                    : fullPath.size();
    return true;
}

} // namespace

HRESULT LocateMediaFile(char* destination, int size, const char* fileName)
{
    if (!fileName || !destination || size < 1) return E_INVALIDARG;
    destination[0] = 0;

    std::string fullPath;
    std::size_t namePart = 0;
    if (!FullPath1251(fileName, fullPath, namePart) || fullPath.size() >= static_cast<std::size_t>(size))
        return E_FAIL;
    std::memcpy(destination, fullPath.c_str(), fullPath.size() + 1);
    char bareName[MAX_PATH] = "";
    CopyTextBounded(bareName, fullPath.c_str() + namePart, MAX_PATH);

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
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSdkKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return E_FAIL;

    std::wstring folder(static_cast<std::size_t>(size), L'\0');
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(size * sizeof(wchar_t));
    const LONG read = RegQueryValueExW(key.Get(), kSdkSamplesValue, nullptr, &type,
                                       reinterpret_cast<BYTE*>(folder.data()), &bytes);
    // A value of another type, or one that does not fit, is as good as missing.
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return E_FAIL;
    // Stored strings need not carry their terminator.
    folder.resize(bytes / sizeof(wchar_t));
    folder.resize(folder.find(L'\0') == std::wstring::npos ? folder.size() : folder.find(L'\0'));
    CopyTextBounded(destination, WideToCp1251(folder).c_str(), size);

    if (std::strlen(destination) + std::strlen(kMediaSubfolder) >= static_cast<size_t>(size)) {
        destination[0] = 0;
        return E_INVALIDARG;
    }
    std::strcat(destination, kMediaSubfolder);
    return S_OK;
}
