#pragma once
// A structural check of a compound file before the platform's structured storage opens it.
// Wine's storage code loops forever on some damaged files (cycles in sector chains or in the
// directory tree), so the data file is walked here first: every chain and directory link must
// stay inside the file and visit nothing twice.

#include <windows.h>

#include <cstddef>

/// True when the compound file in bytes has consistent sector chains and directory links.
bool IsSoundCompoundFile(const BYTE* bytes, std::size_t size);
