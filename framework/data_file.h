#pragma once
// The packed data file "tessaron.qzb" in the current directory: an OLE compound file whose
// root-level streams hold the model and its texture images, each read whole.

#include <windows.h>

#include <memory>

constexpr char kDataFileName[] = "tessaron.qzb";

/// Reads the whole root-level stream streamName of the data file into a new block; S_OK on
/// success, otherwise the storage's code. The storage is opened and closed for every call.
HRESULT ReadDataStream(const char* streamName, std::unique_ptr<BYTE[]>& bytes, DWORD& size);
