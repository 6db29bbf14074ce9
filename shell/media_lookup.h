#pragma once
// Finding a media file on disk: the path as given, the bare name in the current directory,
// then the DirectX SDK's media folder named in the registry. Paths are Windows-1251 bytes,
// like the names stored in the model data, whatever the system's ANSI code page; a folder
// whose name has characters outside 1251 is reached through the bare name in the current
// directory.

#include <windows.h>

/// Leaves in destination the path to use for fileName. E_INVALIDARG for bad arguments,
/// E_FAIL when the path cannot be resolved or the SDK folder is unknown (the buffer is then
/// empty), 0x80070002 when the file is nowhere (the buffer then holds fileName as given).
HRESULT LocateMediaFile(char* destination, int size, const char* fileName);

/// The SDK's media folder with a trailing backslash, from HKLM "Software\Microsoft\DirectX SDK",
/// value "DX9J3SDK Samples Path". E_FAIL, with an empty buffer, when the value is missing.
HRESULT SdkMediaFolder(char* destination, int size);
