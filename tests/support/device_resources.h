#pragma once
// The resources a device stand-in hands out: each wraps the real one and remembers what it was
// made with, so that its locks are judged by the documented rules, as the debug runtime judges
// them, and the stand-in knows which of them must be gone before a Reset. D3DX makes its mesh
// buffers and its textures through the device interface it is given, so those are wrapped too.
//
// Refused (D3DERR_INVALIDCALL, counted):
// - D3DLOCK_DISCARD or D3DLOCK_NOOVERWRITE on a buffer made without D3DUSAGE_DYNAMIC (whatever
//   the pool: a managed buffer cannot be dynamic), and DISCARD together with READONLY;
// - D3DLOCK_READONLY on a D3DUSAGE_WRITEONLY buffer (Windows gives such a read no defined data);
// - D3DLOCK_DISCARD on a texture made without D3DUSAGE_DYNAMIC, D3DLOCK_NOOVERWRITE on any texture;
// - D3DLOCK_NOOVERWRITE on bytes of a dynamic vertex buffer that a DrawPrimitive has read since
//   the buffer's last discard (the draw may still be reading them: the flag's promise is broken).

#include <d3d9.h>
#include <wrl/client.h>

#include <map>
#include <utility>
#include <vector>

namespace stand_in {

/// What a stand-in keeps about its resources.
struct Ledger {
    int resetBlockers = 0;               ///< default-pool resources and state blocks alive
    int refusals = 0;                    ///< calls refused for breaking a documented rule
    std::map<const void*, void*> realOf; ///< the real object behind each wrapper alive
    const void* streamSource = nullptr;  ///< the wrapper set as stream 0, while it lives
    UINT streamOffset = 0;
    UINT streamStride = 0;

    HRESULT Refuse()
    {
        ++refusals;
        return D3DERR_INVALIDCALL;
    }
    /// The real object behind a wrapper; anything else passes as it is.
    template <class Interface> Interface* Unwrap(Interface* object) const
    {
        const auto found = realOf.find(object);
        return found == realOf.end() ? object : static_cast<Interface*>(found->second);
    }
};

inline bool BufferLockAllowed(DWORD flags, DWORD usage)
{
    if ((flags & (D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE)) && !(usage & D3DUSAGE_DYNAMIC)) return false;
    if ((flags & D3DLOCK_DISCARD) && (flags & D3DLOCK_READONLY)) return false;
    return !((flags & D3DLOCK_READONLY) && (usage & D3DUSAGE_WRITEONLY));
}

inline bool TextureLockAllowed(DWORD flags, DWORD usage)
{
    if (flags & D3DLOCK_NOOVERWRITE) return false;
    return !((flags & D3DLOCK_DISCARD) && !(usage & D3DUSAGE_DYNAMIC));
}

/// IUnknown and GetDevice of a wrapper. Like a real resource it holds a reference to its device;
/// it goes with its last reference.
template <class Interface> class Wrapper : public Interface {
public:
    Wrapper(IDirect3DDevice9* device, Ledger& ledger, Interface* taken, bool blocksReset)
        : device(device), ledger(ledger), blocksReset(blocksReset)
    {
        *real.ReleaseAndGetAddressOf() = taken;
        device->AddRef();
        ledger.realOf[static_cast<Interface*>(this)] = taken;
        if (blocksReset) ++ledger.resetBlockers;
    }
    virtual ~Wrapper()
    {
        real.Reset();
        ledger.realOf.erase(static_cast<Interface*>(this));
        if (ledger.streamSource == static_cast<Interface*>(this)) ledger.streamSource = nullptr;
        if (blocksReset) --ledger.resetBlockers;
        device->Release();
    }
    Wrapper(const Wrapper&) = delete;
    Wrapper& operator=(const Wrapper&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        Microsoft::WRL::ComPtr<IUnknown> probe;
        if (FAILED(real->QueryInterface(riid, reinterpret_cast<void**>(probe.GetAddressOf())))) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** out) override
    {
        device->AddRef();
        *out = device;
        return S_OK;
    }

protected:
    Microsoft::WRL::ComPtr<Interface> real;
    IDirect3DDevice9* device;
    Ledger& ledger;

private:
    bool blocksReset;
    ULONG references = 1;
};

/// The IDirect3DResource9 methods, passed on.
template <class Interface> class ResourceWrapper : public Wrapper<Interface> {
public:
    using Wrapper<Interface>::Wrapper;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) override
    {
        return this->real->SetPrivateData(guid, data, size, flags);
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, void* data, DWORD* size) override
    {
        return this->real->GetPrivateData(guid, data, size);
    }
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID guid) override
    {
        return this->real->FreePrivateData(guid);
    }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) override { return this->real->SetPriority(priority); }
    DWORD STDMETHODCALLTYPE GetPriority() override { return this->real->GetPriority(); }
    void STDMETHODCALLTYPE PreLoad() override { this->real->PreLoad(); }
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return this->real->GetType(); }
};

/// A vertex or index buffer.
template <class Interface, class Desc> class BufferWrapper : public ResourceWrapper<Interface> {
public:
    BufferWrapper(IDirect3DDevice9* device, Ledger& ledger, Interface* taken, DWORD usage, D3DPOOL pool)
        : ResourceWrapper<Interface>(device, ledger, taken, pool == D3DPOOL_DEFAULT), usage(usage)
    {
    }
    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) override
    {
        if (!BufferLockAllowed(flags, usage) || !NoteDynamicLock(offset, size, flags))
            return this->ledger.Refuse();
        return this->real->Lock(offset, size, data, flags);
    }
    HRESULT STDMETHODCALLTYPE Unlock() override { return this->real->Unlock(); }
    HRESULT STDMETHODCALLTYPE GetDesc(Desc* desc) override { return this->real->GetDesc(desc); }

    /// A draw read the bytes [start, end).
    void NoteDrawn(UINT start, UINT end)
    {
        if (usage & D3DUSAGE_DYNAMIC) drawn.emplace_back(start, end);
    }

private:
    /// False when a no-overwrite lock reaches into bytes drawn since the last discard (or plain
    /// lock, which waits for the draws).
    bool NoteDynamicLock(UINT offset, UINT size, DWORD flags)
    {
        if (!(usage & D3DUSAGE_DYNAMIC)) return true;
        if (!(flags & D3DLOCK_NOOVERWRITE)) {
            drawn.clear();
            return true;
        }
        Desc desc{};
        this->real->GetDesc(&desc);
        const UINT end = size == 0 ? desc.Size : offset + size;
        for (const auto& [start, stop] : drawn)
            if (offset < stop && start < end) return false;
        return true;
    }

    DWORD usage;
    std::vector<std::pair<UINT, UINT>> drawn; ///< [start, end) read by draws since the last discard
};
using VertexBufferWrapper = BufferWrapper<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
using IndexBufferWrapper = BufferWrapper<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

class TextureWrapper : public ResourceWrapper<IDirect3DTexture9> {
public:
    TextureWrapper(IDirect3DDevice9* device, Ledger& ledger, IDirect3DTexture9* taken, DWORD usage,
                   D3DPOOL pool)
        : ResourceWrapper(device, ledger, taken, pool == D3DPOOL_DEFAULT), usage(usage)
    {
    }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD lod) override { return real->SetLOD(lod); }
    DWORD STDMETHODCALLTYPE GetLOD() override { return real->GetLOD(); }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return real->GetLevelCount(); }
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE type) override
    {
        return real->SetAutoGenFilterType(type);
    }
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override
    {
        return real->GetAutoGenFilterType();
    }
    void STDMETHODCALLTYPE GenerateMipSubLevels() override { real->GenerateMipSubLevels(); }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override
    {
        return real->GetLevelDesc(level, desc);
    }
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override
    {
        return real->GetSurfaceLevel(level, surface);
    }
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                       DWORD flags) override
    {
        if (!TextureLockAllowed(flags, usage)) return ledger.Refuse();
        return real->LockRect(level, locked, rect, flags);
    }
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override { return real->UnlockRect(level); }
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT* rect) override { return real->AddDirtyRect(rect); }

private:
    DWORD usage;
};

/// A surface of the device's own (back buffer, render target, depth buffer) or a default-pool
/// one: alive, it blocks a Reset like a default-pool buffer does.
class SurfaceWrapper : public ResourceWrapper<IDirect3DSurface9> {
public:
    SurfaceWrapper(IDirect3DDevice9* device, Ledger& ledger, IDirect3DSurface9* taken, bool blocksReset)
        : ResourceWrapper(device, ledger, taken, blocksReset)
    {
    }
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void** container) override
    {
        return real->GetContainer(riid, container);
    }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override { return real->GetDesc(desc); }
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override
    {
        return real->LockRect(locked, rect, flags);
    }
    HRESULT STDMETHODCALLTYPE UnlockRect() override { return real->UnlockRect(); }
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override { return real->GetDC(dc); }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override { return real->ReleaseDC(dc); }
};

/// State blocks hold device state that a Reset would leave stale: they must be gone before it.
class StateBlockWrapper : public Wrapper<IDirect3DStateBlock9> {
public:
    StateBlockWrapper(IDirect3DDevice9* device, Ledger& ledger, IDirect3DStateBlock9* taken)
        : Wrapper(device, ledger, taken, true)
    {
    }
    HRESULT STDMETHODCALLTYPE Capture() override { return real->Capture(); }
    HRESULT STDMETHODCALLTYPE Apply() override { return real->Apply(); }
};

} // namespace stand_in
