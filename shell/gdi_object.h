#pragma once
// Owns one GDI object (font, bitmap, region, brush) and deletes it once.

#include <windows.h>

#include <utility>

template <class Handle>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle handle) : handle(handle) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(CGdiObject&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept
    {
        if (this != &other) {
            Reset();
            handle = std::exchange(other.handle, nullptr);
        }
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    Handle Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }
    /// Gives up ownership (for instance to a window that takes it over).
    Handle Release() { return std::exchange(handle, nullptr); }
    void Reset(Handle replacement = nullptr)
    {
        if (handle) DeleteObject(handle);
        handle = replacement;
    }

private:
    Handle handle = nullptr;
};

/// Selects a GDI object into a device context and puts the previous one back on scope exit.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : dc(dc), previous(SelectObject(dc, object)) {}
    ~CSelectObject() { SelectObject(dc, previous); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};
