#pragma once
// Screen-space text from one glyph texture. The printable ASCII characters and the 66 Russian
// letters are rendered once per device with GDI; a string is then only a run of textured quads.
// Text bytes are Windows-1251. Glyphs are drawn with the wide GDI calls after an explicit
// conversion from code page 1251, so Russian letters come out right whatever the system's ANSI
// code page is. Wine serves "Times New Roman" with its metric-compatible serif face only when the
// font request says roman, hence FF_ROMAN in the pitch-and-family.
// The height is in points: the glyphs are drawn at the display's pixels per inch, and the texture
// is the smallest square (512 at least) that holds every glyph at that size, so a scaled display
// (150 %, 200 %) gets a larger texture rather than glyphs running off its edge.

#include "framework/stream_buffer.h"

#include <d3d9.h>
#include <wrl/client.h>

class CTextFont {
  public:
    // Font flags.
    static constexpr DWORD TextBold = 1;
    static constexpr DWORD TextItalic = 2;
    static constexpr DWORD TextDepthTest = 4;

    // Draw flags.
    static constexpr DWORD CenterX = 1;
    static constexpr DWORD CenterY = 2;
    static constexpr DWORD Filtered = 8;
    static constexpr DWORD AlignRight = 0x10;     ///< x is the distance of the text end from the right edge
    static constexpr DWORD FromRightEdge = 0x100; ///< the text starts x pixels left of the right edge

    static constexpr int kFirstGlyph = 32;
    static constexpr int kLastGlyph = 192;
    static constexpr int kGlyphCount = kLastGlyph - kFirstGlyph + 1;
    static constexpr int kMaxFaceName = 79;

    /// Glyph of a Windows-1251 text byte; values outside kFirstGlyph..kLastGlyph are not drawn.
    static int GlyphIndex(unsigned char textByte);
    /// The Windows-1251 byte drawn into the texture for a glyph index.
    static unsigned char GlyphByte(int glyph);

    CTextFont(const char* faceName, DWORD height, DWORD flags = 0);
    virtual ~CTextFont();
    CTextFont(const CTextFont&) = delete;
    CTextFont& operator=(const CTextFont&) = delete;

    /// Builds the glyph texture; the device is kept, not owned.
    HRESULT OnDeviceCreated(IDirect3DDevice9* device);
    HRESULT OnDeviceDestroyed();
    /// Vertex buffer (a stream buffer: dynamic, write-only, default pool) and the two state blocks.
    HRESULT OnDeviceReset();
    HRESULT OnDeviceLost();
    void Destroy();

    HRESULT DrawString(float x, float y, DWORD color, const char* text, DWORD flags = 0);

    /// Width in pixels of the first line of text, as the alignment flags see it.
    float TextWidth(const char* text) const;
    /// Pixel width of one glyph's quad without the spacing around it.
    float GlyphWidth(int glyph) const;
    DWORD TextureSize() const { return textureWidth; }
    float TextScale() const { return textScale; }
    /// The glyph's place in the texture, in texels (empty before the texture is built).
    RECT GlyphTexels(int glyph) const;
    /// The drawn text's size relative to its size at 96 pixels per inch (1 on an unscaled display).
    float DisplayScale() const;
    IDirect3DTexture9* GlyphTexture() const { return texture.Get(); }

  protected:
    /// The device's largest texture width (overridable where a rule depends on what a device reports).
    virtual DWORD MaxTextureWidth(IDirect3DDevice9* device) const;
    /// The display's pixels per inch (overridable: a test's display is unscaled).
    virtual int PixelsPerInch() const;
    /// Draws one batch of glyph triangles from the vertex buffer.
    virtual HRESULT DrawBatch(UINT triangleCount);

  private:
    struct GlyphRect {
        float left, top, right, bottom;
    };

    struct GlyphLayout;

    /// Chooses the texture size and text scale in which every glyph fits the device's limit.
    HRESULT ChooseTextureSize(DWORD maxWidth);
    HRESULT RenderGlyphTexture();
    /// The glyphs' pixel height at the display's pixels per inch and the text scale.
    int PixelHeight() const;
    HRESULT LockBatch(void** vertices);
    HRESULT RecordState(Microsoft::WRL::ComPtr<IDirect3DStateBlock9>& block);
    const GlyphRect* Glyph(int glyph) const;
    float LineHeight() const;
    float ScreenSpacing() const;

    char faceName[kMaxFaceName + 1];
    DWORD fontHeight;
    DWORD fontFlags;

    IDirect3DDevice9* device = nullptr;
    Microsoft::WRL::ComPtr<IDirect3DTexture9> texture;
    CStreamBuffer glyphStream;
    UINT batchStart = 0; ///< the first vertex of the batch being drawn

    int pixelsPerInch = 0; ///< the display's, read when the texture is built
    DWORD textureWidth = 0;
    DWORD textureHeight = 0;
    float textScale = 1.0f;
    GlyphRect glyphs[kGlyphCount] = {};
    DWORD spacing = 0;

    Microsoft::WRL::ComPtr<IDirect3DStateBlock9> savedState; ///< the caller's state, captured per call
    Microsoft::WRL::ComPtr<IDirect3DStateBlock9> drawState;  ///< the font's own state
};
