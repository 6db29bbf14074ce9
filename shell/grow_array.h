#pragma once
// A growable array of fixed-size elements with two storage modes: pointer mode keeps the
// pointers it is given (never the objects behind them), value mode keeps copies of
// element-size bytes. The array owns only its storage block.

#include <windows.h>

#include <cstring>

class GrowArray {
  public:
    enum class Mode { Pointer, Value };

    /// elementSize is used in value mode only; pointer mode stores sizeof(void*) bytes.
    GrowArray(Mode mode, UINT elementSize);
    ~GrowArray();
    GrowArray(const GrowArray&) = delete;
    GrowArray& operator=(const GrowArray&) = delete;

    /// Appends element (the pointer itself, or a copy of the bytes it points to).
    /// E_FAIL for an element size of 0; E_OUTOFMEMORY leaves the array unchanged.
    HRESULT Add(const void* element);
    /// The stored pointer, or the address of the stored value. No bounds check.
    void* Get(UINT index) const;
    /// Pointer equality, or byte-wise equality over the element size.
    bool Contains(const void* element) const;

    UINT Count() const { return count; }
    UINT Capacity() const { return capacity; }
    UINT ElementSize() const { return elementSize; }

    /// Value mode: appends a copy of value, which must be exactly one element in size.
    template <class T> HRESULT AddValue(const T& value)
    {
        if (mode != Mode::Value || sizeof(T) != elementSize) return E_INVALIDARG;
        return Add(&value);
    }
    template <class T> T ValueAt(UINT index) const
    {
        T value;
        std::memcpy(&value, Get(index), sizeof(T));
        return value;
    }
    template <class T> bool ContainsValue(const T& value) const { return Contains(&value); }
    template <class T> T* PointerAt(UINT index) const { return static_cast<T*>(Get(index)); }

  private:
    static constexpr UINT kFirstCapacity = 16;

    Mode mode;
    BYTE* storage = nullptr;
    UINT elementSize;
    UINT count = 0;
    UINT capacity = 0;
};
