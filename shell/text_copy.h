#pragma once
// Bounded copy of zero-terminated text.

#include <windows.h>

/// Copies at most size characters of source and always terminates destination at its last
/// position. E_INVALIDARG for a missing buffer or a size below 1.
HRESULT CopyTextBounded(char* destination, const char* source, int size);
HRESULT CopyTextBounded(wchar_t* destination, const wchar_t* source, int size);
