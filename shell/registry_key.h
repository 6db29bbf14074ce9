#pragma once
// Owns an open registry key and closes it once.

#include <windows.h>

#include <utility>

class UniqueHKey {
  public:
    UniqueHKey() = default;
    explicit UniqueHKey(HKEY key) : key(key) {}
    ~UniqueHKey() { Reset(); }
    UniqueHKey(UniqueHKey&& other) noexcept : key(std::exchange(other.key, nullptr)) {}
    UniqueHKey& operator=(UniqueHKey&& other) noexcept
    {
        if (this != &other) {
            Reset();
            key = std::exchange(other.key, nullptr);
        }
        return *this;
    }
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;

    HKEY Get() const { return key; }
    explicit operator bool() const { return key != nullptr; }
    /// Closes the key held so far; for use as the out-parameter of an open call.
    HKEY* Put()
    {
        Reset();
        return &key;
    }
    void Reset()
    {
        if (key) RegCloseKey(key);
        key = nullptr;
    }

  private:
    HKEY key = nullptr;
};

/// Opens `path` under `root` for reading and writing, creating it if missing.
inline UniqueHKey OpenOrCreateKey(HKEY root, const char* path)
{
    UniqueHKey key;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS)
        key.Reset();
    return key;
}
