#pragma once
// Base of device stand-ins: every IDirect3DDevice9 method goes to the real device the test
// attached, or without one answers E_NOTIMPL (or 0, or nothing). References handed out are
// counted; the object itself belongs to the test and is never deleted through Release, but
// the attached real device goes with the last reference, as a device would.
//
// Created with D3DCREATE_PUREDEVICE it keeps the contract Windows keeps and Wine does not:
// state reads (transforms, render, stage and sampler states, material, lights, textures,
// streams, shaders...) fail with D3DERR_INVALIDCALL and fill nothing. GetViewport works.
//
// With a real device it also refuses what the debug runtime refuses and Wine lets pass: the
// buffers, textures and state blocks it makes come wrapped (support/device_resources.h), their
// locks are checked against their usage, a buffer or texture may not be dynamic and managed, and
// a Reset is refused while a default-pool resource, a surface of the swap chain (back buffer,
// render target, depth buffer) or a state block it handed out is alive. A refused Reset leaves
// the device waiting for a good one: only Reset, TestCooperativeLevel and the Release of
// objects are valid then, every other call is refused and Present answers D3DERR_DEVICELOST.
// Every refusal is counted.
//
// The method list follows mingw-w64's d3d9.h declaration order.

#include "support/device_resources.h"

#include <d3d9.h>
#include <wrl/client.h>

class DeviceStandInBase : public IDirect3DDevice9 {
public:
    virtual ~DeviceStandInBase() = default;

    /// What CreateDevice was asked for; decides whether state reads are refused.
    void CreatedWith(DWORD flags) { creationFlags = flags; }
    bool Pure() const { return (creationFlags & D3DCREATE_PUREDEVICE) != 0; }
    /// State reads refused so far because the device is pure.
    int RefusedStateReads() const { return refusedStateReads; }
    /// Every call refused so far: state reads and calls against the documented rules.
    int Refusals() const { return refusedStateReads + ledger.refusals; }
    /// Default-pool resources and state blocks made through the stand-in and still alive.
    int ResetBlockers() const { return ledger.resetBlockers; }

    /// The device that does the work the stand-in does not script (may be null).
    Microsoft::WRL::ComPtr<IDirect3DDevice9> real;
    /// References the real device still had when the stand-in's last reference went.
    ULONG realReferencesLeft = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IDirect3DDevice9) {
            AddRef();
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        if (--references == 0 && real) realReferencesLeft = real.Reset();
        return references;
    }
    ULONG References() const { return references; }

    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override { return real ? real->TestCooperativeLevel() : E_NOTIMPL; }
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override { return Usable() ? real->GetAvailableTextureMem() : 0; }
    HRESULT STDMETHODCALLTYPE EvictManagedResources() override { return Usable() ? real->EvictManagedResources() : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** a0) override { return Usable() ? real->GetDirect3D(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* a0) override { return Usable() ? real->GetDeviceCaps(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT a0, D3DDISPLAYMODE* a1) override { return Usable() ? real->GetDisplayMode(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS * a0) override { return Usable() ? real->GetCreationParameters(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT a0, UINT a1, IDirect3DSurface9* a2) override { return Usable() ? real->SetCursorProperties(a0, a1, ledger.Unwrap(a2)) : Unavailable(); }
    void STDMETHODCALLTYPE SetCursorPosition(int a0, int a1, DWORD a2) override { if (Usable()) real->SetCursorPosition(a0, a1, a2); }
    WINBOOL STDMETHODCALLTYPE ShowCursor(WINBOOL a0) override { return Usable() ? real->ShowCursor(a0) : 0; }
    HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* a0, IDirect3DSwapChain9** a1) override { return Usable() ? real->CreateAdditionalSwapChain(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetSwapChain(UINT a0, IDirect3DSwapChain9** a1) override { return Usable() ? real->GetSwapChain(a0, a1) : Unavailable(); }
    UINT STDMETHODCALLTYPE GetNumberOfSwapChains() override { return Usable() ? real->GetNumberOfSwapChains() : 0; }
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* a0) override
    {
        HRESULT hr = ResetRefusal();
        if (SUCCEEDED(hr)) hr = real ? real->Reset(a0) : E_NOTIMPL;
        awaitingReset = FAILED(hr);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Present(const RECT * a0, const RECT * a1, HWND a2, const RGNDATA * a3) override
    {
        if (awaitingReset) return D3DERR_DEVICELOST;
        return real ? real->Present(a0, a1, a2, a3) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT a0, UINT a1, D3DBACKBUFFER_TYPE a2, IDirect3DSurface9** a3) override { return Usable() ? WrapSurface(real->GetBackBuffer(a0, a1, a2, a3), a3) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT a0, D3DRASTER_STATUS* a1) override { return Usable() ? real->GetRasterStatus(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetDialogBoxMode(WINBOOL a0) override { return Usable() ? real->SetDialogBoxMode(a0) : Unavailable(); }
    void STDMETHODCALLTYPE SetGammaRamp(UINT a0, DWORD a1, const D3DGAMMARAMP * a2) override { if (Usable()) real->SetGammaRamp(a0, a1, a2); }
    void STDMETHODCALLTYPE GetGammaRamp(UINT a0, D3DGAMMARAMP* a1) override { if (Usable()) real->GetGammaRamp(a0, a1); }
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override
    {
        if (!Usable()) return Unavailable();
        if (!UsageFitsPool(usage, pool)) return ledger.Refuse();
        const HRESULT hr = real->CreateTexture(width, height, levels, usage, format, pool, texture, shared);
        if (SUCCEEDED(hr)) *texture = new stand_in::TextureWrapper(this, ledger, *texture, usage, pool);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT a0, UINT a1, UINT a2, UINT a3, DWORD a4, D3DFORMAT a5, D3DPOOL a6, IDirect3DVolumeTexture9** a7, HANDLE* a8) override { return Usable() ? real->CreateVolumeTexture(a0, a1, a2, a3, a4, a5, a6, a7, a8) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT a0, UINT a1, DWORD a2, D3DFORMAT a3, D3DPOOL a4, IDirect3DCubeTexture9** a5, HANDLE* a6) override { return Usable() ? real->CreateCubeTexture(a0, a1, a2, a3, a4, a5, a6) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer, HANDLE* shared) override
    {
        if (!Usable()) return Unavailable();
        if (!UsageFitsPool(usage, pool)) return ledger.Refuse();
        const HRESULT hr = real->CreateVertexBuffer(length, usage, fvf, pool, buffer, shared);
        if (SUCCEEDED(hr)) *buffer = new stand_in::VertexBufferWrapper(this, ledger, *buffer, usage, pool);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** buffer, HANDLE* shared) override
    {
        if (!Usable()) return Unavailable();
        if (!UsageFitsPool(usage, pool)) return ledger.Refuse();
        const HRESULT hr = real->CreateIndexBuffer(length, usage, format, pool, buffer, shared);
        if (SUCCEEDED(hr)) *buffer = new stand_in::IndexBufferWrapper(this, ledger, *buffer, usage, pool);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT a0, UINT a1, D3DFORMAT a2, D3DMULTISAMPLE_TYPE a3, DWORD a4, WINBOOL a5, IDirect3DSurface9** a6, HANDLE* a7) override { return Usable() ? WrapSurface(real->CreateRenderTarget(a0, a1, a2, a3, a4, a5, a6, a7), a6) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT a0, UINT a1, D3DFORMAT a2, D3DMULTISAMPLE_TYPE a3, DWORD a4, WINBOOL a5, IDirect3DSurface9** a6, HANDLE* a7) override { return Usable() ? WrapSurface(real->CreateDepthStencilSurface(a0, a1, a2, a3, a4, a5, a6, a7), a6) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9 * a0, const RECT * a1, IDirect3DSurface9 * a2, const POINT * a3) override { return Usable() ? real->UpdateSurface(ledger.Unwrap(a0), a1, ledger.Unwrap(a2), a3) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9* a0, IDirect3DBaseTexture9* a1) override { return Usable() ? real->UpdateTexture(ledger.Unwrap(a0), ledger.Unwrap(a1)) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* a0, IDirect3DSurface9* a1) override { return Usable() ? real->GetRenderTargetData(ledger.Unwrap(a0), ledger.Unwrap(a1)) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT a0, IDirect3DSurface9* a1) override { return Usable() ? real->GetFrontBufferData(a0, ledger.Unwrap(a1)) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE StretchRect(IDirect3DSurface9 * a0, const RECT * a1, IDirect3DSurface9 * a2, const RECT * a3, D3DTEXTUREFILTERTYPE a4) override { return Usable() ? real->StretchRect(ledger.Unwrap(a0), a1, ledger.Unwrap(a2), a3, a4) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9 * a0, const RECT * a1, D3DCOLOR a2) override { return Usable() ? real->ColorFill(ledger.Unwrap(a0), a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT a0, UINT a1, D3DFORMAT a2, D3DPOOL a3, IDirect3DSurface9** a4, HANDLE* a5) override { return Usable() ? WrapSurface(real->CreateOffscreenPlainSurface(a0, a1, a2, a3, a4, a5), a4, a3 == D3DPOOL_DEFAULT) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD a0, IDirect3DSurface9* a1) override { return Usable() ? real->SetRenderTarget(a0, ledger.Unwrap(a1)) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD a0, IDirect3DSurface9** a1) override { return Usable() ? WrapSurface(real->GetRenderTarget(a0, a1), a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9* a0) override { return Usable() ? real->SetDepthStencilSurface(ledger.Unwrap(a0)) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9** a0) override { return Usable() ? WrapSurface(real->GetDepthStencilSurface(a0), a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE BeginScene() override { return Usable() ? real->BeginScene() : Unavailable(); }
    HRESULT STDMETHODCALLTYPE EndScene() override { return Usable() ? real->EndScene() : Unavailable(); }
    HRESULT STDMETHODCALLTYPE Clear(DWORD a0, const D3DRECT * a1, DWORD a2, D3DCOLOR a3, float a4, DWORD a5) override { return Usable() ? real->Clear(a0, a1, a2, a3, a4, a5) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE a0, const D3DMATRIX * a1) override { return Usable() ? real->SetTransform(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE a0, D3DMATRIX* a1) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetTransform(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE a0, const D3DMATRIX * a1) override { return Usable() ? real->MultiplyTransform(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9 * a0) override { return Usable() ? real->SetViewport(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* a0) override { return Usable() ? real->GetViewport(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9 * a0) override { return Usable() ? real->SetMaterial(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetMaterial(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetLight(DWORD a0, const D3DLIGHT9 * a1) override { return Usable() ? real->SetLight(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetLight(DWORD a0, D3DLIGHT9* a1) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetLight(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD a0, WINBOOL a1) override { return Usable() ? real->LightEnable(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD a0, WINBOOL* a1) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetLightEnable(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD a0, const float * a1) override { return Usable() ? real->SetClipPlane(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD a0, float* a1) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetClipPlane(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE a0, DWORD a1) override { return Usable() ? real->SetRenderState(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE a0, DWORD* a1) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetRenderState(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE a0, IDirect3DStateBlock9** a1) override { return Usable() ? WrapStateBlock(real->CreateStateBlock(a0, a1), a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override { return Usable() ? real->BeginStateBlock() : Unavailable(); }
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** a0) override { return Usable() ? WrapStateBlock(real->EndStateBlock(a0), a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9 * a0) override { return Usable() ? real->SetClipStatus(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9* a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetClipStatus(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD a0, IDirect3DBaseTexture9** a1) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetTexture(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD a0, IDirect3DBaseTexture9* a1) override { return Usable() ? real->SetTexture(a0, ledger.Unwrap(a1)) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD a0, D3DTEXTURESTAGESTATETYPE a1, DWORD* a2) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetTextureStageState(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD a0, D3DTEXTURESTAGESTATETYPE a1, DWORD a2) override { return Usable() ? real->SetTextureStageState(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD a0, D3DSAMPLERSTATETYPE a1, DWORD* a2) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetSamplerState(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD a0, D3DSAMPLERSTATETYPE a1, DWORD a2) override { return Usable() ? real->SetSamplerState(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* a0) override { return Usable() ? real->ValidateDevice(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT a0, const PALETTEENTRY * a1) override { return Usable() ? real->SetPaletteEntries(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT a0, PALETTEENTRY* a1) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetPaletteEntries(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT a0) override { return Usable() ? real->SetCurrentTexturePalette(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT * a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetCurrentTexturePalette(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT * a0) override { return Usable() ? real->SetScissorRect(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetScissorRect(RECT* a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetScissorRect(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(WINBOOL a0) override { return Usable() ? real->SetSoftwareVertexProcessing(a0) : Unavailable(); }
    WINBOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() override { return Usable() ? real->GetSoftwareVertexProcessing() : 0; }
    HRESULT STDMETHODCALLTYPE SetNPatchMode(float a0) override { return Usable() ? real->SetNPatchMode(a0) : Unavailable(); }
    float STDMETHODCALLTYPE GetNPatchMode() override { return Usable() ? real->GetNPatchMode() : 0; }
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE a0, UINT a1, UINT a2) override
    {
        if (!Usable()) return Unavailable();
        NoteDrawn(a0, a1, a2);
        return real->DrawPrimitive(a0, a1, a2);
    }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE a0, INT a1, UINT a2, UINT a3, UINT a4, UINT a5) override { return Usable() ? real->DrawIndexedPrimitive(a0, a1, a2, a3, a4, a5) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE a0, UINT a1, const void * a2, UINT a3) override { return Usable() ? real->DrawPrimitiveUP(a0, a1, a2, a3) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE a0, UINT a1, UINT a2, UINT a3, const void * a4, D3DFORMAT a5, const void * a6, UINT a7) override { return Usable() ? real->DrawIndexedPrimitiveUP(a0, a1, a2, a3, a4, a5, a6, a7) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE ProcessVertices(UINT a0, UINT a1, UINT a2, IDirect3DVertexBuffer9* a3, IDirect3DVertexDeclaration9* a4, DWORD a5) override { return Usable() ? real->ProcessVertices(a0, a1, a2, ledger.Unwrap(a3), a4, a5) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(const D3DVERTEXELEMENT9 * a0, IDirect3DVertexDeclaration9 ** a1) override { return Usable() ? real->CreateVertexDeclaration(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9* a0) override { return Usable() ? real->SetVertexDeclaration(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetVertexDeclaration(IDirect3DVertexDeclaration9** a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetVertexDeclaration(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD a0) override { return Usable() ? real->SetFVF(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD* a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetFVF(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD * a0, IDirect3DVertexShader9 ** a1) override { return Usable() ? real->CreateVertexShader(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* a0) override { return Usable() ? real->SetVertexShader(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetVertexShader(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT a0, const float * a1, UINT a2) override { return Usable() ? real->SetVertexShaderConstantF(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT a0, float* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetVertexShaderConstantF(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT a0, const int * a1, UINT a2) override { return Usable() ? real->SetVertexShaderConstantI(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT a0, int* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetVertexShaderConstantI(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT a0, const WINBOOL * a1, UINT a2) override { return Usable() ? real->SetVertexShaderConstantB(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT a0, WINBOOL* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetVertexShaderConstantB(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT a0, IDirect3DVertexBuffer9* a1, UINT a2, UINT a3) override
    {
        if (!Usable()) return Unavailable();
        if (a0 == 0) {
            ledger.streamSource = ledger.realOf.count(a1) ? a1 : nullptr;
            ledger.streamOffset = a2;
            ledger.streamStride = a3;
        }
        return real->SetStreamSource(a0, ledger.Unwrap(a1), a2, a3);
    }
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT a0, IDirect3DVertexBuffer9** a1, UINT* a2, UINT* a3) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetStreamSource(a0, a1, a2, a3) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT a0, UINT a1) override { return Usable() ? real->SetStreamSourceFreq(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT a0, UINT* a1) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetStreamSourceFreq(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* a0) override { return Usable() ? real->SetIndices(ledger.Unwrap(a0)) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetIndices(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD * a0, IDirect3DPixelShader9 ** a1) override { return Usable() ? real->CreatePixelShader(a0, a1) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* a0) override { return Usable() ? real->SetPixelShader(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** a0) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetPixelShader(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT a0, const float * a1, UINT a2) override { return Usable() ? real->SetPixelShaderConstantF(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT a0, float* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetPixelShaderConstantF(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT a0, const int * a1, UINT a2) override { return Usable() ? real->SetPixelShaderConstantI(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT a0, int* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetPixelShaderConstantI(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT a0, const WINBOOL * a1, UINT a2) override { return Usable() ? real->SetPixelShaderConstantB(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT a0, WINBOOL* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return Usable() ? real->GetPixelShaderConstantB(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT a0, const float * a1, const D3DRECTPATCH_INFO * a2) override { return Usable() ? real->DrawRectPatch(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT a0, const float * a1, const D3DTRIPATCH_INFO * a2) override { return Usable() ? real->DrawTriPatch(a0, a1, a2) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE DeletePatch(UINT a0) override { return Usable() ? real->DeletePatch(a0) : Unavailable(); }
    HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE a0, IDirect3DQuery9** a1) override { return Usable() ? real->CreateQuery(a0, a1) : Unavailable(); }

protected:
    /// D3DERR_INVALIDCALL, counted, while a default-pool resource, a surface of the swap chain or
    /// a state block handed out by the stand-in is alive: what a Reset meets on Windows (stand-ins
    /// that script Reset ask first).
    HRESULT ResetRefusal() { return ledger.resetBlockers > 0 ? ledger.Refuse() : S_OK; }
    /// D3DERR_INVALIDCALL, counted.
    HRESULT Refuse() { return ledger.Refuse(); }
    /// Whether a call may go on to the real device; after a refused Reset it may not, and the call
    /// is counted as refused.
    bool Usable()
    {
        if (awaitingReset) {
            ledger.Refuse();
            return false;
        }
        return real != nullptr;
    }
    /// The answer of a call that did not go on to the real device.
    HRESULT Unavailable() const { return awaitingReset ? D3DERR_INVALIDCALL : E_NOTIMPL; }
    template <class Interface> Interface* Unwrap(Interface* object) const { return ledger.Unwrap(object); }
    /// Set by a refused Reset, cleared by a good one.
    bool awaitingReset = false;

private:
    /// A managed resource cannot be dynamic.
    static bool UsageFitsPool(DWORD usage, D3DPOOL pool) { return !(pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC)); }
    /// Tells the dynamic vertex buffer of stream 0 which of its bytes a draw reads.
    void NoteDrawn(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitives)
    {
        if (!ledger.streamSource) return;
        auto* buffer = static_cast<stand_in::VertexBufferWrapper*>(
            static_cast<IDirect3DVertexBuffer9*>(const_cast<void*>(ledger.streamSource)));
        const UINT start = ledger.streamOffset + startVertex * ledger.streamStride;
        buffer->NoteDrawn(start, start + VerticesOf(type, primitives) * ledger.streamStride);
    }
    static UINT VerticesOf(D3DPRIMITIVETYPE type, UINT primitives)
    {
        switch (type) {
        case D3DPT_LINELIST:
            return 2 * primitives;
        case D3DPT_LINESTRIP:
            return primitives + 1;
        case D3DPT_TRIANGLELIST:
            return 3 * primitives;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            return primitives + 2;
        default:
            return primitives;
        }
    }
    HRESULT WrapSurface(HRESULT hr, IDirect3DSurface9** surface, bool blocksReset = true)
    {
        if (SUCCEEDED(hr) && *surface) *surface = new stand_in::SurfaceWrapper(this, ledger, *surface, blocksReset);
        return hr;
    }
    HRESULT WrapStateBlock(HRESULT hr, IDirect3DStateBlock9** block)
    {
        if (SUCCEEDED(hr) && *block) *block = new stand_in::StateBlockWrapper(this, ledger, *block);
        return hr;
    }
    HRESULT RefuseStateRead()
    {
        ++refusedStateReads;
        return D3DERR_INVALIDCALL;
    }

    ULONG references = 0; ///< references handed out; the test's own object is not counted
    DWORD creationFlags = 0;
    int refusedStateReads = 0;
    stand_in::Ledger ledger;
};
