#pragma once
// Vertices written afresh for each draw (the overlay's text, the background rectangle) go through
// a dynamic, write-only vertex buffer in the default pool: the only kind of buffer Direct3D 9 lets
// a lock discard (D3DLOCK_DISCARD) or fill behind what the device may still be drawing from
// (D3DLOCK_NOOVERWRITE). Each lock takes the room behind the previous ones; only the lock that
// finds the rest too short starts at the beginning again and discards: one discard per round of
// the buffer, not one per draw.
//
// Caveat (Wine): wined3d gives a discarded buffer fresh driver memory; a discard per draw, at a few
// draws a frame and hundreds of frames a second, outran the memory's return and took another of
// the graphics driver's 64 MiB blocks.

#include <d3d9.h>
#include <wrl/client.h>

class CStreamBuffer {
public:
    explicit CStreamBuffer(UINT bytes) : bytes(bytes) {}
    CStreamBuffer(const CStreamBuffer&) = delete;
    CStreamBuffer& operator=(const CStreamBuffer&) = delete;

    /// A default-pool resource: made in the reset half, released in the lost half.
    HRESULT OnDeviceReset(IDirect3DDevice9* device);
    void OnDeviceLost();

    /// Room for count vertices of stride bytes. firstVertex is where they start when the buffer is
    /// the stream source at offset 0 with that stride.
    HRESULT Lock(UINT count, UINT stride, void** vertices, UINT& firstVertex);
    /// Ends the lock; the first used vertices of the room stay taken until the round ends.
    HRESULT Unlock(UINT used);

    IDirect3DVertexBuffer9* Buffer() const { return buffer.Get(); }

private:
    UINT bytes;
    UINT next = 0;        ///< where the next room may start, in bytes
    UINT lockedStart = 0; ///< where the locked room starts, in bytes
    UINT lockedStride = 0;
    Microsoft::WRL::ComPtr<IDirect3DVertexBuffer9> buffer;
};
