#include "framework/child_window_presenter.h"

using Microsoft::WRL::ComPtr;

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool CChildWindowPresenter::NeededFor(HWND renderWindow, bool windowed)
{
    static const bool underWine = RunningUnderWine();
    return underWine && windowed && renderWindow && (GetWindowLongW(renderWindow, GWL_STYLE) & WS_CHILD);
}

HRESULT CChildWindowPresenter::CopyToWindow(IDirect3DDevice9* device, HWND window)
{
    ComPtr<IDirect3DSurface9> backBuffer;
    HRESULT hr = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, backBuffer.GetAddressOf());
    if (FAILED(hr)) return hr;
    D3DSURFACE_DESC desc;
    hr = backBuffer->GetDesc(&desc);
    if (FAILED(hr)) return hr;

    if (!copySurface || desc.Width != copyDesc.Width || desc.Height != copyDesc.Height ||
        desc.Format != copyDesc.Format) {
        copySurface.Reset();
        hr = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                 copySurface.GetAddressOf(), nullptr);
        if (FAILED(hr)) return hr;
        copyDesc = desc;
    }
    hr = device->GetRenderTargetData(backBuffer.Get(), copySurface.Get());
    if (FAILED(hr)) return hr;

    HDC source = nullptr;
    hr = copySurface->GetDC(&source);
    if (FAILED(hr)) return hr;
    HDC target = GetDC(window);
    const BOOL copied = target && BitBlt(target, 0, 0, static_cast<int>(desc.Width), static_cast<int>(desc.Height),
                                         source, 0, 0, SRCCOPY);
    if (target) ReleaseDC(window, target);
    copySurface->ReleaseDC(source);
    return copied ? S_OK : E_FAIL;
}
