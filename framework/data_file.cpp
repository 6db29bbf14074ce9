#include "framework/data_file.h"

#include "framework/compound_file_check.h"

#include <objbase.h>
#include <wrl/client.h>

#include <new>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

/// A stream larger than this cannot be part of the game's data: the file is corrupt.
constexpr ULONGLONG kMaxStreamSize = 256ull * 1024 * 1024;

std::wstring FromAnsi(const char* text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(length - 1);
    return wide;
}

/// Reads the data file and checks its structure. A file that cannot be read is left for the
/// storage to report; one that is damaged is refused before the storage could loop on it.
HRESULT CheckDataFile(const std::wstring& fileName)
{
    HANDLE file = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return S_OK;
    LARGE_INTEGER length{};
    HRESULT hr = S_OK;
    if (!GetFileSizeEx(file, &length) || static_cast<ULONGLONG>(length.QuadPart) > kMaxStreamSize) {
        hr = STG_E_DOCFILECORRUPT;
    } else {
        const DWORD size = static_cast<DWORD>(length.QuadPart);
        std::unique_ptr<BYTE[]> bytes(new (std::nothrow) BYTE[size ? size : 1]);
        DWORD read = 0;
        if (!bytes) hr = E_OUTOFMEMORY;
        else if (!ReadFile(file, bytes.get(), size, &read, nullptr) || read != size) hr = STG_E_READFAULT;
        else if (!IsSoundCompoundFile(bytes.get(), size)) hr = STG_E_DOCFILECORRUPT;
    }
    CloseHandle(file);
    return hr;
}

} // namespace

HRESULT ReadDataStream(const char* streamName, std::unique_ptr<BYTE[]>& bytes, DWORD& size)
{
    bytes.reset();
    size = 0;
    if (!streamName) return E_INVALIDARG;
    constexpr DWORD kMode = STGM_READ | STGM_SHARE_EXCLUSIVE | STGM_DIRECT;

    const std::wstring fileName = FromAnsi(kDataFileName);
    HRESULT hr = CheckDataFile(fileName);
    if (FAILED(hr)) return hr;
    ComPtr<IStorage> storage;
    hr = StgOpenStorage(fileName.c_str(), nullptr, kMode, nullptr, 0, &storage);
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;

    const std::wstring wideName = FromAnsi(streamName);
    if (wideName.empty()) return STG_E_FILENOTFOUND;
    ComPtr<IStream> stream;
    hr = storage->OpenStream(wideName.c_str(), nullptr, kMode, 0, &stream);
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;

    STATSTG stat{};
    hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    if (stat.cbSize.QuadPart > kMaxStreamSize) return STG_E_DOCFILECORRUPT;
    const DWORD streamSize = stat.cbSize.LowPart;
    // One spare zero byte, so that the text parsers never run off the end of a stream.
    bytes.reset(new (std::nothrow) BYTE[streamSize + 1]);
    if (!bytes) return E_OUTOFMEMORY;
    bytes[streamSize] = 0;

    ULONG read = 0;
    hr = stream->Read(bytes.get(), streamSize, &read);
    if (hr != S_OK) return FAILED(hr) ? hr : STG_E_READFAULT;
    if (read != streamSize) return STG_E_READFAULT;
    size = streamSize;
    return S_OK;
}
