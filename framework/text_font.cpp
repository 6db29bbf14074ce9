#include "framework/text_font.h"

#include <cmath>
#include <cstring>

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT kCodePage1251 = 1251;

struct GlyphVertex {
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
static_assert(sizeof(GlyphVertex) == 28, "glyph vertex layout");

constexpr DWORD kGlyphFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr UINT kMaxVertices = 300; ///< one batch
/// Batches follow each other through the stream buffer, a round of 16 batches between discards.
constexpr UINT kStreamBytes = kMaxVertices * 16 * sizeof(GlyphVertex);
constexpr UINT kVerticesPerGlyph = 6;
constexpr float kGlyphZ = 0.9f;
constexpr int kLineFeed = 10;
constexpr int kSpaceGlyph = 32;
constexpr DWORD kAlphaReference = 8;
constexpr int kPointsPerInch = 72;
// Spacing is this fraction of a space's height; the single-precision constant is widened unrounded.
constexpr float kSpacingFactor = 0.3f;

constexpr DWORD kSmallestTexture = 512;
constexpr DWORD kLargestTexture = 16384; ///< no font of the game comes near it
constexpr int kUnscaledPixelsPerInch = 96;
/// A texture reduced to the device's limit draws the glyphs smaller; when rounding still leaves
/// them too large for it, they shrink by this step until they fit.
constexpr float kShrinkStep = 0.95f;
constexpr int kShrinkAttempts = 16;

wchar_t WideCharOf(unsigned char byte)
{
    const char narrow = static_cast<char>(byte);
    wchar_t wide = L'?';
    MultiByteToWideChar(kCodePage1251, 0, &narrow, 1, &wide, 1);
    return wide;
}

// RAII holders for the GDI objects of the glyph rendering.
class MemoryDc {
  public:
    MemoryDc() : dc(CreateCompatibleDC(nullptr)) {}
    ~MemoryDc()
    {
        if (dc) DeleteDC(dc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc; }

  private:
    HDC dc;
};

template <typename Handle> class GdiObject {
  public:
    explicit GdiObject(Handle handle) : handle(handle) {}
    ~GdiObject()
    {
        if (handle) DeleteObject(handle);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    Handle get() const { return handle; }

  private:
    Handle handle;
};

/// Selects an object into a DC and puts the previous one back on scope exit.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc(dc), previous(SelectObject(dc, object)) {}
    ~SelectedObject()
    {
        if (previous) SelectObject(dc, previous);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc;
    HGDIOBJ previous;
};

HFONT CreateGlyphFont(const char* faceName, DWORD flags, int pixelHeight)
{
    wchar_t wideFace[CTextFont::kMaxFaceName + 1] = {};
    MultiByteToWideChar(kCodePage1251, 0, faceName, -1, wideFace, CTextFont::kMaxFaceName + 1);
    return CreateFontW(-pixelHeight, 0, 0, 0, (flags & CTextFont::TextBold) ? FW_BOLD : FW_NORMAL,
                       (flags & CTextFont::TextItalic) ? TRUE : FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_ROMAN | VARIABLE_PITCH,
                       wideFace);
}

/// A memory DC with the glyph font selected: what measures and draws the glyphs.
class GlyphDc {
  public:
    GlyphDc(const char* faceName, DWORD flags, int pixelHeight)
        : font(CreateGlyphFont(faceName, flags, pixelHeight)), selectedFont(dc.get(), font.get())
    {
        SetMapMode(dc.get(), MM_TEXT);
    }
    bool Valid() const { return dc.get() && font.get(); }
    HDC get() const { return dc.get(); }

  private:
    MemoryDc dc;
    GdiObject<HFONT> font;
    SelectedObject selectedFont;
};

} // namespace

/// Where each glyph goes in a texture of a given size: rows filled left to right, each glyph
/// with the spacing on both sides.
struct CTextFont::GlyphLayout {
    SIZE extents[kGlyphCount] = {};
    POINT origins[kGlyphCount] = {};
    LONG spacing = 0;

    void Measure(HDC dc)
    {
        SIZE space{};
        GetTextExtentPoint32W(dc, L" ", 1, &space);
        spacing = static_cast<LONG>(std::ceil(space.cy * static_cast<double>(kSpacingFactor)));
        for (int c = kFirstGlyph; c <= kLastGlyph; ++c) {
            const wchar_t letter = WideCharOf(GlyphByte(c));
            GetTextExtentPoint32W(dc, &letter, 1, &extents[c - kFirstGlyph]);
        }
    }

    /// Places the glyphs; true when every one lies inside the size × size texture.
    bool Place(DWORD size)
    {
        const LONG edge = static_cast<LONG>(size);
        LONG x = spacing;
        LONG y = 0;
        bool fits = true;
        for (int i = 0; i < kGlyphCount; ++i) {
            const SIZE& extent = extents[i];
            if (x + extent.cx + spacing > edge) {
                x = spacing;
                y += extent.cy + 1;
            }
            origins[i] = {x, y};
            fits = fits && x + extent.cx + spacing <= edge && y + extent.cy <= edge;
            x += extent.cx + 2 * spacing;
        }
        return fits;
    }
};

int CTextFont::GlyphIndex(unsigned char b)
{
    if (b >= 0xC0 && b <= 0xC5) return 127 + (b - 0xC0); // А … Е
    if (b == 0xA8) return 133;                           // Ё
    if (b >= 0xC6 && b <= 0xDF) return 134 + (b - 0xC6); // Ж … Я
    if (b >= 0xE0 && b <= 0xE5) return 160 + (b - 0xE0); // а … е
    if (b == 0xB8) return 166;                           // ё
    if (b >= 0xE6) return 167 + (b - 0xE6);              // ж … я
    return static_cast<signed char>(b);
}

unsigned char CTextFont::GlyphByte(int glyph)
{
    if (glyph >= 127 && glyph <= 132) return static_cast<unsigned char>(0xC0 + (glyph - 127));
    if (glyph == 133) return 0xA8;
    if (glyph >= 134 && glyph <= 159) return static_cast<unsigned char>(0xC6 + (glyph - 134));
    if (glyph >= 160 && glyph <= 165) return static_cast<unsigned char>(0xE0 + (glyph - 160));
    if (glyph == 166) return 0xB8;
    if (glyph >= 167 && glyph <= 192) return static_cast<unsigned char>(0xE6 + (glyph - 167));
    return static_cast<unsigned char>(glyph);
}

CTextFont::CTextFont(const char* face, DWORD height, DWORD flags)
    : fontHeight(height), fontFlags(flags), glyphStream(kStreamBytes)
{
    faceName[0] = '\0';
    if (face) {
        std::strncpy(faceName, face, kMaxFaceName);
        faceName[kMaxFaceName] = '\0';
    }
}

CTextFont::~CTextFont()
{
    Destroy();
}

DWORD CTextFont::MaxTextureWidth(IDirect3DDevice9* dev) const
{
    D3DCAPS9 caps{};
    if (FAILED(dev->GetDeviceCaps(&caps))) return 0;
    return caps.MaxTextureWidth;
}

HRESULT CTextFont::OnDeviceCreated(IDirect3DDevice9* newDevice)
{
    device = newDevice;
    pixelsPerInch = PixelsPerInch();
    HRESULT hr = ChooseTextureSize(MaxTextureWidth(device));
    if (FAILED(hr)) return hr;

    texture.Reset();
    hr = device->CreateTexture(textureWidth, textureHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture,
                               nullptr);
    if (FAILED(hr)) return hr;
    hr = RenderGlyphTexture();
    if (FAILED(hr)) texture.Reset();
    return hr;
}

int CTextFont::PixelsPerInch() const
{
    const HDC screen = GetDC(nullptr);
    const int perInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return perInch > 0 ? perInch : kUnscaledPixelsPerInch;
}

float CTextFont::DisplayScale() const
{
    if (pixelsPerInch <= 0) return 1.0f;
    return static_cast<float>(pixelsPerInch) / static_cast<float>(kUnscaledPixelsPerInch);
}

int CTextFont::PixelHeight() const
{
    // The integer part of the scaled pixels per inch, as the glyphs have always been sized.
    const int scaledPerInch = static_cast<int>(pixelsPerInch * textScale);
    return MulDiv(static_cast<int>(fontHeight), scaledPerInch, kPointsPerInch);
}

HRESULT CTextFont::ChooseTextureSize(DWORD maxWidth)
{
    textScale = 1.0f;
    GlyphLayout layout;
    {
        GlyphDc dc(faceName, fontFlags, PixelHeight());
        if (!dc.Valid()) return E_FAIL;
        layout.Measure(dc.get());
    }
    DWORD size = kSmallestTexture;
    while (!layout.Place(size) && size < kLargestTexture)
        size *= 2;
    textureWidth = textureHeight = size;

    // A device without caps (0) keeps the wanted size; CreateTexture then decides.
    if (maxWidth == 0 || size <= maxWidth) return S_OK;
    textureWidth = textureHeight = maxWidth;
    textScale = static_cast<float>(maxWidth) / static_cast<float>(size);
    for (int attempt = 1;; ++attempt) {
        GlyphDc dc(faceName, fontFlags, PixelHeight());
        if (!dc.Valid()) return E_FAIL;
        layout.Measure(dc.get());
        if (layout.Place(maxWidth)) return S_OK;
        if (attempt == kShrinkAttempts) return S_OK; // drawn as they are: most glyphs still fit
        textScale *= kShrinkStep;
    }
}

HRESULT CTextFont::OnDeviceDestroyed()
{
    texture.Reset();
    device = nullptr;
    return S_OK;
}

HRESULT CTextFont::RenderGlyphTexture()
{
    GlyphDc dc(faceName, fontFlags, PixelHeight());
    if (!dc.Valid()) return E_FAIL;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(textureWidth);
    info.bmiHeader.biHeight = -static_cast<LONG>(textureHeight); // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap.get() || !bits) return E_FAIL;

    SelectedObject selectedBitmap(dc.get(), bitmap.get());
    SetTextColor(dc.get(), RGB(255, 255, 255));
    SetBkColor(dc.get(), RGB(0, 0, 0));
    SetTextAlign(dc.get(), TA_TOP | TA_LEFT);

    GlyphLayout layout;
    layout.Measure(dc.get());
    layout.Place(textureWidth);
    spacing = static_cast<DWORD>(layout.spacing);

    const float size = static_cast<float>(textureWidth);
    for (int c = kFirstGlyph; c <= kLastGlyph; ++c) {
        const wchar_t letter = WideCharOf(GlyphByte(c));
        const POINT& at = layout.origins[c - kFirstGlyph];
        const SIZE& extent = layout.extents[c - kFirstGlyph];
        ExtTextOutW(dc.get(), at.x, at.y, ETO_OPAQUE, nullptr, &letter, 1, nullptr);
        GlyphRect& g = glyphs[c - kFirstGlyph];
        g.left = static_cast<float>(at.x - layout.spacing) / size;
        g.top = static_cast<float>(at.y) / size;
        g.right = static_cast<float>(at.x + extent.cx + layout.spacing) / size;
        g.bottom = static_cast<float>(at.y + extent.cy) / size;
    }
    GdiFlush();

    D3DLOCKED_RECT locked{};
    HRESULT hr = texture->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    const DWORD* source = static_cast<const DWORD*>(bits);
    auto* row = static_cast<BYTE*>(locked.pBits);
    for (DWORD py = 0; py < textureHeight; ++py, row += locked.Pitch) {
        auto* texel = reinterpret_cast<WORD*>(row);
        for (DWORD px = 0; px < textureWidth; ++px) {
            // White text on black: the blue byte's high nibble is the coverage.
            const WORD alpha = static_cast<WORD>((*source++ & 0xFF) >> 4);
            texel[px] = alpha > 0 ? static_cast<WORD>((alpha << 12) | 0x0FFF) : 0;
        }
    }
    return texture->UnlockRect(0);
}

HRESULT CTextFont::OnDeviceReset()
{
    if (!device) return E_FAIL;
    HRESULT hr = glyphStream.OnDeviceReset(device);
    if (FAILED(hr)) return hr;
    // The same state twice: one block captures the caller's values, the other sets the font's.
    hr = RecordState(savedState);
    if (SUCCEEDED(hr)) hr = RecordState(drawState);
    if (FAILED(hr)) OnDeviceLost();
    return hr;
}

HRESULT CTextFont::OnDeviceLost()
{
    glyphStream.OnDeviceLost();
    savedState.Reset();
    drawState.Reset();
    return S_OK;
}

void CTextFont::Destroy()
{
    OnDeviceLost();
    OnDeviceDestroyed();
}

HRESULT CTextFont::RecordState(ComPtr<IDirect3DStateBlock9>& block)
{
    block.Reset();
    HRESULT hr = device->BeginStateBlock();
    if (FAILED(hr)) return hr;
    IDirect3DDevice9* d = device;
    d->SetTexture(0, texture.Get());
    d->SetRenderState(D3DRS_ZENABLE, (fontFlags & TextDepthTest) ? D3DZB_TRUE : D3DZB_FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, kAlphaReference);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d->SetRenderState(D3DRS_CLIPPING, TRUE);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    d->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    d->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN |
                                                  D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    return device->EndStateBlock(&block);
}

const CTextFont::GlyphRect* CTextFont::Glyph(int glyph) const
{
    if (glyph < kFirstGlyph || glyph > kLastGlyph) return nullptr;
    return &glyphs[glyph - kFirstGlyph];
}

RECT CTextFont::GlyphTexels(int glyph) const
{
    const GlyphRect* g = Glyph(glyph);
    if (!g || !texture) return {};
    const float size = static_cast<float>(textureWidth);
    return {std::lround(g->left * size), std::lround(g->top * size), std::lround(g->right * size),
            std::lround(g->bottom * size)};
}

float CTextFont::GlyphWidth(int glyph) const
{
    const GlyphRect* g = Glyph(glyph);
    if (!g) return 0.0f;
    return (g->right - g->left) * textureWidth / textScale - 2.0f * ScreenSpacing();
}

float CTextFont::ScreenSpacing() const
{
    // The spacing is measured in texels; a reduced texture is drawn enlarged, and so is its spacing.
    return spacing / textScale;
}

float CTextFont::TextWidth(const char* text) const
{
    float width = 0.0f;
    for (const char* p = text; p && *p; ++p) {
        const int c = GlyphIndex(static_cast<unsigned char>(*p));
        if (c == kLineFeed) break;
        width += GlyphWidth(c);
    }
    return width;
}

float CTextFont::LineHeight() const
{
    // Scaled like the glyphs, so lines of a reduced texture do not overlap.
    const GlyphRect& space = glyphs[kSpaceGlyph - kFirstGlyph];
    return (space.bottom - space.top) * textureHeight / textScale;
}

HRESULT CTextFont::LockBatch(void** vertices)
{
    return glyphStream.Lock(kMaxVertices, sizeof(GlyphVertex), vertices, batchStart);
}

HRESULT CTextFont::DrawBatch(UINT triangleCount)
{
    return device->DrawPrimitive(D3DPT_TRIANGLELIST, batchStart, triangleCount);
}

HRESULT CTextFont::DrawString(float x, float y, DWORD color, const char* text, DWORD flags)
{
    if (!device || !glyphStream.Buffer() || !savedState || !drawState) return E_FAIL;
    if (!text) text = "";

    savedState->Capture();
    drawState->Apply();
    device->SetFVF(kGlyphFvf);
    device->SetPixelShader(nullptr);
    device->SetStreamSource(0, glyphStream.Buffer(), 0, sizeof(GlyphVertex));
    if (flags & Filtered) {
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    }

    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    const float viewWidth = static_cast<float>(viewport.Width);
    const float viewHeight = static_cast<float>(viewport.Height);
    if (flags & (CenterX | AlignRight)) {
        const float width = TextWidth(text);
        if (flags & CenterX) x = (viewWidth - width) * 0.5f;
        if (flags & AlignRight) x = viewWidth - width - x;
    }
    if (flags & FromRightEdge) x = viewWidth - x;
    if (flags & CenterY) y = (viewHeight - LineHeight()) * 0.5f;

    const float gap = ScreenSpacing();
    x -= gap;
    const float lineStart = x;

    GlyphVertex* vertices = nullptr;
    HRESULT hr = LockBatch(reinterpret_cast<void**>(&vertices));
    UINT triangles = 0;
    for (const char* p = text; SUCCEEDED(hr) && *p; ++p) {
        const int c = GlyphIndex(static_cast<unsigned char>(*p));
        if (c == kLineFeed) {
            x = lineStart;
            y += LineHeight();
        }
        const GlyphRect* g = Glyph(c);
        if (!g) continue;
        const float w = (g->right - g->left) * textureWidth / textScale;
        const float h = (g->bottom - g->top) * textureHeight / textScale;
        if (c != kSpaceGlyph) {
            const float left = x - 0.5f, top = y - 0.5f, right = x + w - 0.5f, bottom = y + h - 0.5f;
            *vertices++ = {left, bottom, kGlyphZ, 1.0f, color, g->left, g->bottom};
            *vertices++ = {left, top, kGlyphZ, 1.0f, color, g->left, g->top};
            *vertices++ = {right, bottom, kGlyphZ, 1.0f, color, g->right, g->bottom};
            *vertices++ = {right, top, kGlyphZ, 1.0f, color, g->right, g->top};
            *vertices++ = {right, bottom, kGlyphZ, 1.0f, color, g->right, g->bottom};
            *vertices++ = {left, top, kGlyphZ, 1.0f, color, g->left, g->top};
            triangles += 2;
            if (triangles * 3 > kMaxVertices - kVerticesPerGlyph) {
                glyphStream.Unlock(triangles * 3);
                DrawBatch(triangles); // a failed batch only loses those glyphs
                triangles = 0;
                hr = LockBatch(reinterpret_cast<void**>(&vertices));
            }
        }
        x += w - 2.0f * gap;
    }
    if (SUCCEEDED(hr)) {
        glyphStream.Unlock(triangles * 3);
        if (triangles > 0) DrawBatch(triangles);
    }

    savedState->Apply();
    return hr;
}
