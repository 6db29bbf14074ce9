// Packs files into the game's data file: an OLE compound file with one root-level stream per
// input file, named after the file. Usage: data_packer <data file> <file>...
// Runs at build time under the platform's structured storage, in the folder of its inputs.

#include <objbase.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

std::wstring Widen(const char* text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

bool ReadWholeFile(const char* name, std::vector<char>& bytes)
{
    std::FILE* file = std::fopen(name, "rb");
    if (!file) return false;
    bytes.clear();
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

HRESULT AddStream(IStorage* storage, const char* fileName)
{
    std::vector<char> bytes;
    if (!ReadWholeFile(fileName, bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    ComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(Widen(fileName).c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE,
                                       0, 0, &stream);
    if (FAILED(hr)) return hr;
    ULONG written = 0;
    hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    if (FAILED(hr)) return hr;
    return written == bytes.size() ? S_OK : STG_E_WRITEFAULT;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: data_packer <data file> <file>...\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    int status = 0;
    {
        ComPtr<IStorage> storage;
        HRESULT hr = StgCreateDocfile(Widen(argv[1]).c_str(),
                                      STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DIRECT, 0, &storage);
        for (int k = 2; SUCCEEDED(hr) && k < argc; ++k) {
            hr = AddStream(storage.Get(), argv[k]);
            if (FAILED(hr)) std::fprintf(stderr, "data_packer: cannot pack %s (0x%08lx)\n", argv[k], hr);
        }
        if (SUCCEEDED(hr)) hr = storage->Commit(STGC_DEFAULT);
        if (FAILED(hr)) {
            std::fprintf(stderr, "data_packer: cannot write %s (0x%08lx)\n", argv[1], hr);
            status = 1;
        }
    }
    CoUninitialize();
    return status;
}
