#include "framework/stream_buffer.h"

HRESULT CStreamBuffer::OnDeviceReset(IDirect3DDevice9* device)
{
    buffer.Reset();
    next = bytes; // the first lock starts a round
    return device->CreateVertexBuffer(bytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT,
                                      &buffer, nullptr);
}

void CStreamBuffer::OnDeviceLost()
{
    buffer.Reset();
}

HRESULT CStreamBuffer::Lock(UINT count, UINT stride, void** vertices, UINT& firstVertex)
{
    const UINT size = count * stride;
    if (!buffer) return D3DERR_INVALIDCALL;
    if (stride == 0 || size == 0 || size > bytes) return E_INVALIDARG;
    // Vertices start on a whole vertex of their own stride.
    UINT start = (next + stride - 1) / stride * stride;
    DWORD flags = D3DLOCK_NOOVERWRITE;
    if (start > bytes - size) {
        start = 0;
        flags = D3DLOCK_DISCARD;
    }
    const HRESULT hr = buffer->Lock(start, size, vertices, flags);
    if (FAILED(hr)) return hr;
    lockedStart = start;
    lockedStride = stride;
    firstVertex = start / stride;
    return S_OK;
}

HRESULT CStreamBuffer::Unlock(UINT used)
{
    if (!buffer) return D3DERR_INVALIDCALL;
    next = lockedStart + used * lockedStride;
    return buffer->Unlock();
}
