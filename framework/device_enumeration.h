#pragma once
// What the Direct3D object offers, asked once at start: adapters → device types → format
// combinations (adapter format, back-buffer format, windowed) with their depth/stencil
// formats, multisample types, vertex-processing kinds and present intervals, filtered by
// the application's minimum requirements. The settings choice picks from this tree.

#include "shell/grow_array.h"

#include <d3d9.h>

#include <memory>

enum class VertexProcessing : UINT { Software = 0, Mixed = 1, Hardware = 2, PureHardware = 3 };

/// Bits of one colour channel, of alpha, of depth and of stencil, by format (0 for others).
UINT ColorChannelBits(D3DFORMAT format);
UINT AlphaChannelBits(D3DFORMAT format);
UINT DepthBits(D3DFORMAT format);
UINT StencilBits(D3DFORMAT format);

/// One usable adapter format / back-buffer format / mode combination of a device type.
struct FormatCombo {
    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
    D3DFORMAT adapterFormat = D3DFMT_UNKNOWN;
    D3DFORMAT backBufferFormat = D3DFMT_UNKNOWN;
    bool windowed = false;
    GrowArray depthStencilFormats{GrowArray::Mode::Value, sizeof(UINT)};   ///< D3DFORMAT values
    GrowArray multiSampleTypes{GrowArray::Mode::Value, sizeof(UINT)};      ///< D3DMULTISAMPLE_TYPE values
    GrowArray vertexProcessingKinds{GrowArray::Mode::Value, sizeof(UINT)}; ///< VertexProcessing values
    GrowArray presentIntervals{GrowArray::Mode::Value, sizeof(UINT)};
};

/// One device type of an adapter; owns its combos.
struct DeviceEntry {
    DeviceEntry() = default;
    ~DeviceEntry();
    DeviceEntry(const DeviceEntry&) = delete;
    DeviceEntry& operator=(const DeviceEntry&) = delete;

    UINT adapterOrdinal = 0;
    D3DDEVTYPE deviceType = D3DDEVTYPE_HAL;
    D3DCAPS9 caps{};
    GrowArray formatCombos{GrowArray::Mode::Pointer, 0}; ///< FormatCombo*, owned
};

/// One adapter with its sorted display modes; owns its device entries.
struct AdapterEntry {
    AdapterEntry() = default;
    ~AdapterEntry();
    AdapterEntry(const AdapterEntry&) = delete;
    AdapterEntry& operator=(const AdapterEntry&) = delete;

    UINT adapterOrdinal = 0;
    D3DADAPTER_IDENTIFIER9 identifier{};
    GrowArray displayModes{GrowArray::Mode::Value, sizeof(D3DDISPLAYMODE)}; ///< D3DDISPLAYMODE values
    GrowArray deviceEntries{GrowArray::Mode::Pointer, 0};                   ///< DeviceEntry*, owned
};

class CDeviceEnumeration {
  public:
    /// Asked for each vertex-processing kind of each combo; true accepts.
    using AcceptCallback = bool (*)(const D3DCAPS9& caps, VertexProcessing kind, D3DFORMAT backBufferFormat);

    CDeviceEnumeration() = default;
    ~CDeviceEnumeration() { Destroy(); }
    CDeviceEnumeration(const CDeviceEnumeration&) = delete;
    CDeviceEnumeration& operator=(const CDeviceEnumeration&) = delete;

    /// Builds the tree (a previous one is destroyed first). E_FAIL without a Direct3D object,
    /// E_OUTOFMEMORY when an allocation fails.
    HRESULT Enumerate();
    /// Frees every entry, combo and list.
    void Destroy();

    UINT AdapterCount() const { return adapters ? adapters->Count() : 0; }
    AdapterEntry* Adapter(UINT index) const { return adapters->PointerAt<AdapterEntry>(index); }

    IDirect3D9* d3d = nullptr;             ///< not owned
    std::unique_ptr<GrowArray> adapters;   ///< AdapterEntry*, owned; null until Enumerate
    AcceptCallback acceptDevice = nullptr; ///< may be null: accept everything
    UINT minFullScreenWidth = 640;
    UINT minFullScreenHeight = 480;
    UINT minColorChannelBits = 5;
    UINT minAlphaChannelBits = 0;
    UINT minDepthBits = 15;
    UINT minStencilBits = 0;
    bool usesDepthBuffer = false;
    bool usesMixedVertexProcessing = false;
    bool requiresWindowed = false;
    bool requiresFullScreen = false;
    std::unique_ptr<GrowArray> allowedAdapterFormats; ///< D3DFORMAT values; null until Enumerate

  private:
    HRESULT EnumerateAdapter(UINT ordinal);
    HRESULT EnumerateDevices(AdapterEntry& adapter, const GrowArray& adapterFormats);
    HRESULT EnumerateCombos(DeviceEntry& device, const GrowArray& adapterFormats);
    HRESULT BuildDepthStencilList(FormatCombo& combo);
    HRESULT BuildMultiSampleList(FormatCombo& combo);
    HRESULT BuildVertexProcessingList(const DeviceEntry& device, FormatCombo& combo);
    HRESULT BuildPresentIntervalList(const DeviceEntry& device, FormatCombo& combo);
    bool Accepts(const D3DCAPS9& caps, VertexProcessing kind, D3DFORMAT backBufferFormat) const;
};
