#include "shell/grow_array.h"

#include <cstdlib>

GrowArray::GrowArray(Mode mode, UINT elementSize)
    : mode(mode), elementSize(mode == Mode::Pointer ? static_cast<UINT>(sizeof(void*)) : elementSize)
{
}

GrowArray::~GrowArray()
{
    std::free(storage);
}

HRESULT GrowArray::Add(const void* element)
{
    if (elementSize == 0) return E_FAIL;
    if (!storage || count == capacity) {
        const UINT newCapacity = storage ? capacity * 2 : kFirstCapacity;
        if (newCapacity <= capacity) return E_OUTOFMEMORY;
        BYTE* grown = static_cast<BYTE*>(std::malloc(static_cast<size_t>(newCapacity) * elementSize));
        if (!grown) return E_OUTOFMEMORY;
        if (storage) std::memcpy(grown, storage, static_cast<size_t>(count) * elementSize);
        std::free(storage);
        storage = grown;
        capacity = newCapacity;
    }
    BYTE* slot = storage + static_cast<size_t>(count) * elementSize;
    if (mode == Mode::Pointer)
        std::memcpy(slot, &element, sizeof(void*));
    else
        std::memcpy(slot, element, elementSize);
    ++count;
    return S_OK;
}

void* GrowArray::Get(UINT index) const
{
    BYTE* slot = storage + static_cast<size_t>(index) * elementSize;
    if (mode == Mode::Value) return slot;
    void* stored;
    std::memcpy(&stored, slot, sizeof(void*));
    return stored;
}

bool GrowArray::Contains(const void* element) const
{
    for (UINT i = 0; i < count; ++i) {
        if (mode == Mode::Pointer ? Get(i) == element : std::memcmp(Get(i), element, elementSize) == 0)
            return true;
    }
    return false;
}
