#include "registry_sandbox.h"

#include "shell/registry_key.h"

#include <gtest/gtest.h>

namespace {
constexpr char kTestsParent[] = "Software\\TessaronTests";
constexpr char kTestsRoot[] = "Software\\TessaronTests\\";
constexpr wchar_t kFrameClass[] = L"TessaronTestFrame";
} // namespace

RegistrySandbox::RegistrySandbox(const std::string& name) : path(kTestsRoot + name)
{
    Delete();
}

RegistrySandbox::~RegistrySandbox()
{
    Delete();
}

void RegistrySandbox::Delete() const
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); // absent already is fine
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestsParent);  // goes only once no test key is left in it
}

bool RegistrySandbox::Exists() const
{
    UniqueHKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

void RegistrySandbox::Put(const char* value, DWORD type, const void* data, DWORD size) const
{
    const UniqueHKey key = OpenOrCreateKey(HKEY_CURRENT_USER, path.c_str());
    ASSERT_TRUE(key);
    ASSERT_EQ(RegSetValueExA(key.Get(), value, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

RegistrySandbox::Stored RegistrySandbox::Get(const char* value) const
{
    Stored stored;
    UniqueHKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return stored;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), value, nullptr, &stored.type, nullptr, &size) != ERROR_SUCCESS)
        return stored;
    stored.bytes.resize(size);
    if (RegQueryValueExA(key.Get(), value, nullptr, &stored.type, stored.bytes.data(), &size) !=
        ERROR_SUCCESS)
        return stored;
    stored.bytes.resize(size);
    stored.present = true;
    return stored;
}

DWORD RegistrySandbox::ValueCount() const
{
    UniqueHKey key;
    DWORD count = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                     nullptr, nullptr, nullptr);
    return count;
}

HiddenFrame::HiddenFrame()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kFrameClass;
    RegisterClassW(&windowClass); // a second registration fails harmlessly
    window = CreateWindowExW(0, kFrameClass, L"test frame", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr,
                             nullptr, windowClass.hInstance, nullptr);
}

HiddenFrame::~HiddenFrame()
{
    if (window) DestroyWindow(window);
}

RECT HiddenFrame::NormalRect() const
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return placement.rcNormalPosition;
}
