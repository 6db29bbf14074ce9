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
// a Reset is refused while a default-pool resource or a state block it made is alive. Every
// refusal is counted.
//
// The method list follows mingw-w64's d3d9.h declaration order.

#include "support/device_resources.h"

#include <d3d9.h>
#include <wrl/client.h>

#include <functional>

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
    /// Runs as the last reference goes, before the real device is let go.
    std::function<void()> atLastRelease;

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
        if (--references == 0 && atLastRelease) atLastRelease();
        if (references == 0 && real) realReferencesLeft = real.Reset();
        return references;
    }
    ULONG References() const { return references; }

    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override { return real ? real->TestCooperativeLevel() : E_NOTIMPL; }
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override { return real ? real->GetAvailableTextureMem() : 0; }
    HRESULT STDMETHODCALLTYPE EvictManagedResources() override { return real ? real->EvictManagedResources() : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** a0) override { return real ? real->GetDirect3D(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* a0) override { return real ? real->GetDeviceCaps(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT a0, D3DDISPLAYMODE* a1) override { return real ? real->GetDisplayMode(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS * a0) override { return real ? real->GetCreationParameters(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT a0, UINT a1, IDirect3DSurface9* a2) override { return real ? real->SetCursorProperties(a0, a1, a2) : E_NOTIMPL; }
    void STDMETHODCALLTYPE SetCursorPosition(int a0, int a1, DWORD a2) override { if (real) real->SetCursorPosition(a0, a1, a2); }
    WINBOOL STDMETHODCALLTYPE ShowCursor(WINBOOL a0) override { return real ? real->ShowCursor(a0) : 0; }
    HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* a0, IDirect3DSwapChain9** a1) override { return real ? real->CreateAdditionalSwapChain(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSwapChain(UINT a0, IDirect3DSwapChain9** a1) override { return real ? real->GetSwapChain(a0, a1) : E_NOTIMPL; }
    UINT STDMETHODCALLTYPE GetNumberOfSwapChains() override { return real ? real->GetNumberOfSwapChains() : 0; }
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* a0) override
    {
        const HRESULT refused = ResetRefusal();
        if (FAILED(refused)) return refused;
        return real ? real->Reset(a0) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Present(const RECT * a0, const RECT * a1, HWND a2, const RGNDATA * a3) override { return real ? real->Present(a0, a1, a2, a3) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT a0, UINT a1, D3DBACKBUFFER_TYPE a2, IDirect3DSurface9** a3) override { return real ? real->GetBackBuffer(a0, a1, a2, a3) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT a0, D3DRASTER_STATUS* a1) override { return real ? real->GetRasterStatus(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDialogBoxMode(WINBOOL a0) override { return real ? real->SetDialogBoxMode(a0) : E_NOTIMPL; }
    void STDMETHODCALLTYPE SetGammaRamp(UINT a0, DWORD a1, const D3DGAMMARAMP * a2) override { if (real) real->SetGammaRamp(a0, a1, a2); }
    void STDMETHODCALLTYPE GetGammaRamp(UINT a0, D3DGAMMARAMP* a1) override { if (real) real->GetGammaRamp(a0, a1); }
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override
    {
        if (!real) return E_NOTIMPL;
        if (!UsageFitsPool(usage, pool)) return ledger.Refuse();
        const HRESULT hr = real->CreateTexture(width, height, levels, usage, format, pool, texture, shared);
        if (SUCCEEDED(hr)) *texture = new stand_in::TextureWrapper(this, ledger, *texture, usage, pool);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT a0, UINT a1, UINT a2, UINT a3, DWORD a4, D3DFORMAT a5, D3DPOOL a6, IDirect3DVolumeTexture9** a7, HANDLE* a8) override { return real ? real->CreateVolumeTexture(a0, a1, a2, a3, a4, a5, a6, a7, a8) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT a0, UINT a1, DWORD a2, D3DFORMAT a3, D3DPOOL a4, IDirect3DCubeTexture9** a5, HANDLE* a6) override { return real ? real->CreateCubeTexture(a0, a1, a2, a3, a4, a5, a6) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer, HANDLE* shared) override
    {
        if (!real) return E_NOTIMPL;
        if (!UsageFitsPool(usage, pool)) return ledger.Refuse();
        const HRESULT hr = real->CreateVertexBuffer(length, usage, fvf, pool, buffer, shared);
        if (SUCCEEDED(hr)) *buffer = new stand_in::VertexBufferWrapper(this, ledger, *buffer, usage, pool);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** buffer, HANDLE* shared) override
    {
        if (!real) return E_NOTIMPL;
        if (!UsageFitsPool(usage, pool)) return ledger.Refuse();
        const HRESULT hr = real->CreateIndexBuffer(length, usage, format, pool, buffer, shared);
        if (SUCCEEDED(hr)) *buffer = new stand_in::IndexBufferWrapper(this, ledger, *buffer, usage, pool);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT a0, UINT a1, D3DFORMAT a2, D3DMULTISAMPLE_TYPE a3, DWORD a4, WINBOOL a5, IDirect3DSurface9** a6, HANDLE* a7) override { return real ? real->CreateRenderTarget(a0, a1, a2, a3, a4, a5, a6, a7) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT a0, UINT a1, D3DFORMAT a2, D3DMULTISAMPLE_TYPE a3, DWORD a4, WINBOOL a5, IDirect3DSurface9** a6, HANDLE* a7) override { return real ? real->CreateDepthStencilSurface(a0, a1, a2, a3, a4, a5, a6, a7) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9 * a0, const RECT * a1, IDirect3DSurface9 * a2, const POINT * a3) override { return real ? real->UpdateSurface(a0, a1, a2, a3) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9* a0, IDirect3DBaseTexture9* a1) override { return real ? real->UpdateTexture(ledger.Unwrap(a0), ledger.Unwrap(a1)) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* a0, IDirect3DSurface9* a1) override { return real ? real->GetRenderTargetData(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT a0, IDirect3DSurface9* a1) override { return real ? real->GetFrontBufferData(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StretchRect(IDirect3DSurface9 * a0, const RECT * a1, IDirect3DSurface9 * a2, const RECT * a3, D3DTEXTUREFILTERTYPE a4) override { return real ? real->StretchRect(a0, a1, a2, a3, a4) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9 * a0, const RECT * a1, D3DCOLOR a2) override { return real ? real->ColorFill(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT a0, UINT a1, D3DFORMAT a2, D3DPOOL a3, IDirect3DSurface9** a4, HANDLE* a5) override { return real ? real->CreateOffscreenPlainSurface(a0, a1, a2, a3, a4, a5) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD a0, IDirect3DSurface9* a1) override { return real ? real->SetRenderTarget(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD a0, IDirect3DSurface9** a1) override { return real ? real->GetRenderTarget(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9* a0) override { return real ? real->SetDepthStencilSurface(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9** a0) override { return real ? real->GetDepthStencilSurface(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginScene() override { return real ? real->BeginScene() : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndScene() override { return real ? real->EndScene() : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear(DWORD a0, const D3DRECT * a1, DWORD a2, D3DCOLOR a3, float a4, DWORD a5) override { return real ? real->Clear(a0, a1, a2, a3, a4, a5) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE a0, const D3DMATRIX * a1) override { return real ? real->SetTransform(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE a0, D3DMATRIX* a1) override { if (Pure()) return RefuseStateRead(); return real ? real->GetTransform(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE a0, const D3DMATRIX * a1) override { return real ? real->MultiplyTransform(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9 * a0) override { return real ? real->SetViewport(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* a0) override { return real ? real->GetViewport(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9 * a0) override { return real ? real->SetMaterial(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetMaterial(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLight(DWORD a0, const D3DLIGHT9 * a1) override { return real ? real->SetLight(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLight(DWORD a0, D3DLIGHT9* a1) override { if (Pure()) return RefuseStateRead(); return real ? real->GetLight(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD a0, WINBOOL a1) override { return real ? real->LightEnable(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD a0, WINBOOL* a1) override { if (Pure()) return RefuseStateRead(); return real ? real->GetLightEnable(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD a0, const float * a1) override { return real ? real->SetClipPlane(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD a0, float* a1) override { if (Pure()) return RefuseStateRead(); return real ? real->GetClipPlane(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE a0, DWORD a1) override { return real ? real->SetRenderState(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE a0, DWORD* a1) override { if (Pure()) return RefuseStateRead(); return real ? real->GetRenderState(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE a0, IDirect3DStateBlock9** a1) override { return real ? WrapStateBlock(real->CreateStateBlock(a0, a1), a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override { return real ? real->BeginStateBlock() : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** a0) override { return real ? WrapStateBlock(real->EndStateBlock(a0), a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9 * a0) override { return real ? real->SetClipStatus(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9* a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetClipStatus(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD a0, IDirect3DBaseTexture9** a1) override { if (Pure()) return RefuseStateRead(); return real ? real->GetTexture(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD a0, IDirect3DBaseTexture9* a1) override { return real ? real->SetTexture(a0, ledger.Unwrap(a1)) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD a0, D3DTEXTURESTAGESTATETYPE a1, DWORD* a2) override { if (Pure()) return RefuseStateRead(); return real ? real->GetTextureStageState(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD a0, D3DTEXTURESTAGESTATETYPE a1, DWORD a2) override { return real ? real->SetTextureStageState(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD a0, D3DSAMPLERSTATETYPE a1, DWORD* a2) override { if (Pure()) return RefuseStateRead(); return real ? real->GetSamplerState(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD a0, D3DSAMPLERSTATETYPE a1, DWORD a2) override { return real ? real->SetSamplerState(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* a0) override { return real ? real->ValidateDevice(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT a0, const PALETTEENTRY * a1) override { return real ? real->SetPaletteEntries(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT a0, PALETTEENTRY* a1) override { if (Pure()) return RefuseStateRead(); return real ? real->GetPaletteEntries(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT a0) override { return real ? real->SetCurrentTexturePalette(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT * a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetCurrentTexturePalette(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT * a0) override { return real ? real->SetScissorRect(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScissorRect(RECT* a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetScissorRect(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(WINBOOL a0) override { return real ? real->SetSoftwareVertexProcessing(a0) : E_NOTIMPL; }
    WINBOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() override { return real ? real->GetSoftwareVertexProcessing() : 0; }
    HRESULT STDMETHODCALLTYPE SetNPatchMode(float a0) override { return real ? real->SetNPatchMode(a0) : E_NOTIMPL; }
    float STDMETHODCALLTYPE GetNPatchMode() override { return real ? real->GetNPatchMode() : 0; }
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE a0, UINT a1, UINT a2) override { return real ? real->DrawPrimitive(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE a0, INT a1, UINT a2, UINT a3, UINT a4, UINT a5) override { return real ? real->DrawIndexedPrimitive(a0, a1, a2, a3, a4, a5) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE a0, UINT a1, const void * a2, UINT a3) override { return real ? real->DrawPrimitiveUP(a0, a1, a2, a3) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE a0, UINT a1, UINT a2, UINT a3, const void * a4, D3DFORMAT a5, const void * a6, UINT a7) override { return real ? real->DrawIndexedPrimitiveUP(a0, a1, a2, a3, a4, a5, a6, a7) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ProcessVertices(UINT a0, UINT a1, UINT a2, IDirect3DVertexBuffer9* a3, IDirect3DVertexDeclaration9* a4, DWORD a5) override { return real ? real->ProcessVertices(a0, a1, a2, ledger.Unwrap(a3), a4, a5) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(const D3DVERTEXELEMENT9 * a0, IDirect3DVertexDeclaration9 ** a1) override { return real ? real->CreateVertexDeclaration(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9* a0) override { return real ? real->SetVertexDeclaration(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVertexDeclaration(IDirect3DVertexDeclaration9** a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetVertexDeclaration(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD a0) override { return real ? real->SetFVF(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD* a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetFVF(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD * a0, IDirect3DVertexShader9 ** a1) override { return real ? real->CreateVertexShader(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* a0) override { return real ? real->SetVertexShader(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetVertexShader(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT a0, const float * a1, UINT a2) override { return real ? real->SetVertexShaderConstantF(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT a0, float* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return real ? real->GetVertexShaderConstantF(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT a0, const int * a1, UINT a2) override { return real ? real->SetVertexShaderConstantI(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT a0, int* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return real ? real->GetVertexShaderConstantI(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT a0, const WINBOOL * a1, UINT a2) override { return real ? real->SetVertexShaderConstantB(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT a0, WINBOOL* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return real ? real->GetVertexShaderConstantB(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT a0, IDirect3DVertexBuffer9* a1, UINT a2, UINT a3) override { return real ? real->SetStreamSource(a0, ledger.Unwrap(a1), a2, a3) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT a0, IDirect3DVertexBuffer9** a1, UINT* a2, UINT* a3) override { if (Pure()) return RefuseStateRead(); return real ? real->GetStreamSource(a0, a1, a2, a3) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT a0, UINT a1) override { return real ? real->SetStreamSourceFreq(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT a0, UINT* a1) override { if (Pure()) return RefuseStateRead(); return real ? real->GetStreamSourceFreq(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* a0) override { return real ? real->SetIndices(ledger.Unwrap(a0)) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetIndices(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD * a0, IDirect3DPixelShader9 ** a1) override { return real ? real->CreatePixelShader(a0, a1) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* a0) override { return real ? real->SetPixelShader(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** a0) override { if (Pure()) return RefuseStateRead(); return real ? real->GetPixelShader(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT a0, const float * a1, UINT a2) override { return real ? real->SetPixelShaderConstantF(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT a0, float* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return real ? real->GetPixelShaderConstantF(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT a0, const int * a1, UINT a2) override { return real ? real->SetPixelShaderConstantI(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT a0, int* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return real ? real->GetPixelShaderConstantI(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT a0, const WINBOOL * a1, UINT a2) override { return real ? real->SetPixelShaderConstantB(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT a0, WINBOOL* a1, UINT a2) override { if (Pure()) return RefuseStateRead(); return real ? real->GetPixelShaderConstantB(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT a0, const float * a1, const D3DRECTPATCH_INFO * a2) override { return real ? real->DrawRectPatch(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT a0, const float * a1, const D3DTRIPATCH_INFO * a2) override { return real ? real->DrawTriPatch(a0, a1, a2) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeletePatch(UINT a0) override { return real ? real->DeletePatch(a0) : E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE a0, IDirect3DQuery9** a1) override { return real ? real->CreateQuery(a0, a1) : E_NOTIMPL; }

protected:
    /// D3DERR_INVALIDCALL, counted, while a default-pool resource or a state block made through the
    /// stand-in is alive: what a Reset meets on Windows (stand-ins that script Reset ask first).
    HRESULT ResetRefusal() { return ledger.resetBlockers > 0 ? ledger.Refuse() : S_OK; }

private:
    /// A managed resource cannot be dynamic.
    static bool UsageFitsPool(DWORD usage, D3DPOOL pool) { return !(pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC)); }
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
