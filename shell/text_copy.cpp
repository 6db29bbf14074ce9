#include "shell/text_copy.h"

namespace {

template <class Char> HRESULT CopyBounded(Char* destination, const Char* source, int size)
{
    if (!destination || !source || size < 1) return E_INVALIDARG;
    int i = 0;
    for (; i < size && source[i] != 0; ++i)
        destination[i] = source[i];
    if (i < size) destination[i] = 0;
    destination[size - 1] = 0;
    return S_OK;
}

} // namespace

HRESULT CopyTextBounded(char* destination, const char* source, int size)
{
    return CopyBounded(destination, source, size);
}

HRESULT CopyTextBounded(wchar_t* destination, const wchar_t* source, int size)
{
    return CopyBounded(destination, source, size);
}
