#pragma once
// A registry key of a test's own under HKEY_CURRENT_USER "Software\TessaronTests\<name>",
// deleted before use and again afterwards, so tests never see or touch the player's settings.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class RegistrySandbox {
  public:
    explicit RegistrySandbox(const std::string& name);
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    HKEY Root() const { return HKEY_CURRENT_USER; }
    const char* Path() const { return path.c_str(); }
    bool Exists() const;

    /// Stores raw bytes of any type (creating the key if needed).
    void Put(const char* value, DWORD type, const void* data, DWORD size) const;
    void PutDword(const char* value, DWORD data) const { Put(value, REG_DWORD, &data, sizeof data); }
    void PutText(const char* value, const std::string& text) const
    {
        Put(value, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

    struct Stored {
        bool present = false;
        DWORD type = REG_NONE;
        std::vector<std::uint8_t> bytes;
    };
    Stored Get(const char* value) const;
    DWORD ValueCount() const;

  private:
    void Delete() const;
    std::string path;
};

/// A plain, never shown top-level window that can receive a placement.
class HiddenFrame {
  public:
    HiddenFrame();
    ~HiddenFrame();
    HiddenFrame(const HiddenFrame&) = delete;
    HiddenFrame& operator=(const HiddenFrame&) = delete;
    HWND Get() const { return window; }
    /// The restored rectangle as the window reports it.
    RECT NormalRect() const;

  private:
    HWND window = nullptr;
};
