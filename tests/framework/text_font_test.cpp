#include "framework/text_font.h"
#include "support/hidden_window_device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using test_support::HiddenWindowDevice;

namespace {

constexpr UINT kWidth = 320;
constexpr UINT kHeight = 120;
constexpr DWORD kWhite = 0xFFFFFFFF;

/// The game's font with an observable flush, an optional texture-width limit and the display's
/// pixels per inch (96 unless a test scales the display).
class ObservedFont : public CTextFont {
  public:
    explicit ObservedFont(DWORD height = 14, DWORD widthLimit = 0, int perInch = 96)
        : CTextFont("Times New Roman", height, TextBold), widthLimit(widthLimit), perInch(perInch)
    {
    }
    std::vector<UINT> batches;

  protected:
    DWORD MaxTextureWidth(IDirect3DDevice9* device) const override
    {
        return widthLimit ? widthLimit : CTextFont::MaxTextureWidth(device);
    }
    int PixelsPerInch() const override { return perInch; }
    HRESULT DrawBatch(UINT triangleCount) override
    {
        batches.push_back(triangleCount);
        return CTextFont::DrawBatch(triangleCount);
    }

  private:
    DWORD widthLimit;
    int perInch;
};

/// Every glyph lies inside the texture and no two glyphs share a texel.
void ExpectGlyphsInsideTheTexture(const CTextFont& font, const char* what)
{
    const LONG size = static_cast<LONG>(font.TextureSize());
    for (int c = CTextFont::kFirstGlyph; c <= CTextFont::kLastGlyph; ++c) {
        const RECT g = font.GlyphTexels(c);
        ASSERT_TRUE(g.left >= 0 && g.top >= 0 && g.right <= size && g.bottom <= size && g.bottom > g.top)
            << what << ": glyph " << c << " at " << g.left << "," << g.top << "-" << g.right << "," << g.bottom
            << " in a texture of " << size;
        for (int d = CTextFont::kFirstGlyph; d < c; ++d) {
            const RECT h = font.GlyphTexels(d);
            const bool apart = g.top >= h.bottom || h.top >= g.bottom || g.left >= h.right || h.left >= g.right;
            ASSERT_TRUE(apart) << what << ": glyphs " << d << " and " << c << " overlap";
        }
    }
}

class TextFontTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(device) << "no Direct3D device"; }

    void Start(ObservedFont& font)
    {
        ASSERT_EQ(font.OnDeviceCreated(device.get()), S_OK);
        ASSERT_EQ(font.OnDeviceReset(), S_OK);
    }

    /// Draws one string on black and returns the picture.
    std::vector<DWORD> Render(ObservedFont& font, float x, float y, const std::string& text, DWORD flags = 0)
    {
        device.get()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device.get()->BeginScene();
        EXPECT_EQ(font.DrawString(x, y, kWhite, text.c_str(), flags), S_OK);
        device.get()->EndScene();
        return device.ReadBackBuffer();
    }

    static bool Lit(DWORD pixel) { return test_support::Red(pixel) > 128; }

    /// Leftmost and rightmost columns holding a bright pixel; (-1, -1) when none.
    static std::pair<int, int> LitColumns(const std::vector<DWORD>& pixels)
    {
        int first = -1, last = -1;
        for (UINT y = 0; y < kHeight; ++y)
            for (UINT x = 0; x < kWidth; ++x)
                if (Lit(pixels[y * kWidth + x])) {
                    if (first < 0 || static_cast<int>(x) < first) first = static_cast<int>(x);
                    if (static_cast<int>(x) > last) last = static_cast<int>(x);
                }
        return {first, last};
    }

    static int LitCount(const std::vector<DWORD>& pixels)
    {
        int count = 0;
        for (DWORD p : pixels)
            count += Lit(p) ? 1 : 0;
        return count;
    }

    HiddenWindowDevice device{kWidth, kHeight};
};

} // namespace

TEST(TextFontGlyphs, Windows1251BytesMapToTheGlyphTable)
{
    const unsigned char yolka[] = {0xA8, 0xEB, 0xEA, 0xE0}; // Ёлка
    const int expected[] = {133, 172, 171, 160};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(CTextFont::GlyphIndex(yolka[i]), expected[i]) << i;

    EXPECT_EQ(CTextFont::GlyphIndex('A'), 'A');
    EXPECT_EQ(CTextFont::GlyphIndex(0xC0), 127); // А
    EXPECT_EQ(CTextFont::GlyphIndex(0xC6), 134); // Ж
    EXPECT_EQ(CTextFont::GlyphIndex(0xDF), 159); // Я
    EXPECT_EQ(CTextFont::GlyphIndex(0xB8), 166); // ё
    EXPECT_EQ(CTextFont::GlyphIndex(0xFF), 192); // я
    EXPECT_EQ(CTextFont::GlyphIndex(0x7F), 127);
    EXPECT_EQ(CTextFont::GlyphIndex('\n'), 10);
    for (int b = 0x80; b <= 0xBF; ++b) {
        if (b != 0xA8 && b != 0xB8) {
            EXPECT_LT(CTextFont::GlyphIndex(static_cast<unsigned char>(b)), 0) << b;
        }
    }

    // Every glyph of the texture is drawn from the byte that maps back to it.
    for (int c = CTextFont::kFirstGlyph; c <= CTextFont::kLastGlyph; ++c)
        EXPECT_EQ(CTextFont::GlyphIndex(CTextFont::GlyphByte(c)), c) << c;
}

TEST_F(TextFontTest, TextureHoldsEveryGlyphAtTheDisplaysPixelsPerInch)
{
    // Unscaled, the game's font keeps its 512 texture; larger fonts get larger ones.
    ObservedFont small(14), medium(31), large(61);
    Start(small);
    Start(medium);
    Start(large);
    EXPECT_EQ(small.TextureSize(), 512u);
    EXPECT_EQ(medium.TextureSize(), 1024u);
    EXPECT_EQ(large.TextureSize(), 2048u);
    EXPECT_FLOAT_EQ(small.TextScale(), 1.0f);
    EXPECT_FLOAT_EQ(small.DisplayScale(), 1.0f);
    ExpectGlyphsInsideTheTexture(small, "96 per inch");
    ExpectGlyphsInsideTheTexture(large, "61 points");

    // At 150 % and 200 % the glyphs are drawn at the display's size, and all of them still fit.
    const char text[] = "\xD0\xE5\xEA\xEE\xF0\xE4\xF1\xEC\xE5\xED\xFB \xFF"; // Рекордсмены я
    for (int perInch : {144, 192}) {
        ObservedFont scaled(14, 0, perInch);
        Start(scaled);
        const std::string what = std::to_string(perInch) + " per inch";
        ExpectGlyphsInsideTheTexture(scaled, what.c_str());
        EXPECT_FLOAT_EQ(scaled.TextScale(), 1.0f) << what;
        EXPECT_FLOAT_EQ(scaled.DisplayScale(), perInch / 96.0f) << what;
        EXPECT_NEAR(scaled.TextWidth(text), small.TextWidth(text) * perInch / 96.0f,
                    small.TextWidth(text) * 0.1f)
            << what;
    }

    ObservedFont limited(14, 256);
    Start(limited);
    EXPECT_EQ(limited.TextureSize(), 256u);
    EXPECT_FLOAT_EQ(limited.TextScale(), 0.5f);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(limited.GlyphTexture()->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(desc.Format, D3DFMT_A4R4G4B4);

    ExpectGlyphsInsideTheTexture(limited, "limited to 256");

    // Glyphs of the halved texture are drawn at twice their texel size: about as wide as full-size ones.
    const char latin[] = "The quick brown fox jumps";
    const float full = small.TextWidth(latin);
    const float halved = limited.TextWidth(latin);
    EXPECT_GT(halved, full * 0.75f);
    EXPECT_LT(halved, full * 1.25f);
    const auto pixels = Render(limited, 10, 10, latin);
    const auto columns = LitColumns(pixels);
    EXPECT_GT(columns.second - columns.first, static_cast<int>(full * 0.7f));

    // Lines of the enlarged glyphs do not overlap: an unlit row separates them.
    const auto lines = Render(limited, 10, 10, "HH\nHH");
    std::vector<bool> litRows(kHeight, false);
    for (UINT y = 0; y < kHeight; ++y)
        for (UINT x = 0; x < kWidth; ++x)
            litRows[y] = litRows[y] || Lit(lines[y * kWidth + x]);
    int runs = 0;
    for (UINT y = 0; y < kHeight; ++y)
        runs += (litRows[y] && (y == 0 || !litRows[y - 1])) ? 1 : 0;
    EXPECT_EQ(runs, 2);
}

TEST_F(TextFontTest, RussianLettersAreRenderedAsRussianLetters)
{
    ObservedFont font;
    Start(font);
    // A wrong code page would turn every letter into the same replacement character.
    EXPECT_GT(font.GlyphWidth(CTextFont::GlyphIndex(0xC6)),
              font.GlyphWidth(CTextFont::GlyphIndex(0xE3)));                       // Ж, г
    EXPECT_NE(font.GlyphWidth(CTextFont::GlyphIndex(0xD8)), font.GlyphWidth('?')); // Ш

    const auto russian = Render(font, 10, 10, "\xD0\xE5\xEA\xEE\xF0\xE4\xF1\xEC\xE5\xED\xFB"); // Рекордсмены
    EXPECT_GT(LitCount(russian), 100);
    const auto zhe = Render(font, 10, 10, "\xC6");
    const auto question = Render(font, 10, 10, "?");
    EXPECT_GT(LitCount(zhe), 10);
    EXPECT_NE(zhe, question);
}

TEST_F(TextFontTest, GlyphsAreBatchedFiftyAtATime)
{
    ObservedFont font;
    Start(font);
    device.get()->BeginScene();
    font.DrawString(0, 0, kWhite, std::string(50, 'A').c_str());
    EXPECT_EQ(font.batches, (std::vector<UINT>{100}));

    font.batches.clear();
    font.DrawString(0, 0, kWhite, std::string(51, 'A').c_str());
    EXPECT_EQ(font.batches, (std::vector<UINT>{100, 2}));

    // Spaces advance but draw nothing; line feeds start a new line.
    font.batches.clear();
    font.DrawString(0, 0, kWhite, "A B  C\nD");
    EXPECT_EQ(font.batches, (std::vector<UINT>{8}));

    font.batches.clear();
    font.DrawString(0, 0, kWhite, "\xA8\xEB\xEA\xE0"); // Ёлка
    EXPECT_EQ(font.batches, (std::vector<UINT>{8}));
    device.get()->EndScene();
}

// The overlay draws several strings every frame, hundreds of frames a second: each string must
// keep showing its own glyphs in its own place however far the batches have moved through the
// vertex buffer, and after it starts again from the beginning.
TEST_F(TextFontTest, StringsKeepTheirGlyphsFrameAfterFrame)
{
    ObservedFont font;
    Start(font);
    const std::string longLine(51, 'A'); // two batches
    auto frame = [&] {
        device.get()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device.get()->BeginScene();
        font.DrawString(0, 0, kWhite, longLine.c_str());
        font.DrawString(200, 60, kWhite, "MWM");
        device.get()->EndScene();
        return device.ReadBackBuffer();
    };
    const auto first = frame();
    std::vector<DWORD> lowerBand(first.begin() + 50 * kWidth, first.end());
    lowerBand.resize(kWidth * kHeight, 0); // as a whole picture for LitColumns, black below
    const auto shortLine = LitColumns(lowerBand);
    EXPECT_GE(shortLine.first, 199) << "the short string drawn from another string's glyphs";
    EXPECT_LE(shortLine.second, 200 + static_cast<int>(font.TextWidth("MWM")) + 2);

    for (int i = 1; i < 40; ++i) ASSERT_EQ(frame(), first) << "frame " << i;
}

TEST_F(TextFontTest, BytesWithoutGlyphAreSkippedWithoutAdvancing)
{
    ObservedFont font;
    Start(font);
    const auto plain = Render(font, 10, 10, "ab");
    font.batches.clear();
    const auto quoted = Render(font, 10, 10,
                               "a\x93\xAB\x01"
                               "b"); // typographic quotes and a control byte
    EXPECT_EQ(font.batches, (std::vector<UINT>{4}));
    EXPECT_EQ(plain, quoted);
    EXPECT_FLOAT_EQ(font.TextWidth("a\x93"
                                   "b"),
                    font.TextWidth("ab"));
}

TEST_F(TextFontTest, AlignmentFlagsPlaceTheText)
{
    ObservedFont font;
    Start(font);
    const std::string text = "MWM 09";

    const auto right = LitColumns(Render(font, 20, 10, text, CTextFont::AlignRight));
    ASSERT_GE(right.second, 0) << "nothing drawn";
    EXPECT_LE(right.second, static_cast<int>(kWidth) - 20);
    EXPECT_GE(right.second, static_cast<int>(kWidth) - 20 - 4);

    const auto left = LitColumns(Render(font, 20, 10, text));
    EXPECT_GE(left.first, 20 - 1);
    EXPECT_LE(left.first, 20 + 3);

    const auto fromRight = LitColumns(Render(font, 100, 10, text, CTextFont::FromRightEdge));
    EXPECT_GE(fromRight.first, static_cast<int>(kWidth) - 100 - 1);
    EXPECT_LE(fromRight.first, static_cast<int>(kWidth) - 100 + 3);

    const auto centred = LitColumns(Render(font, 0, 0, text, CTextFont::CenterX | CTextFont::CenterY));
    const int middle = (centred.first + centred.second) / 2;
    EXPECT_NEAR(middle, static_cast<int>(kWidth) / 2, 3);
}

TEST_F(TextFontTest, CallerStateIsRestoredAndNothingDrawsWithoutDeviceObjects)
{
    ObservedFont font;
    EXPECT_EQ(font.DrawString(0, 0, kWhite, "A"), E_FAIL);
    Start(font);

    IDirect3DDevice9* d = device.get();
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetTexture(0, nullptr);
    auto expectCallerState = [&](const char* what) {
        DWORD value = 0;
        d->GetRenderState(D3DRS_CULLMODE, &value);
        EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_NONE)) << what;
        d->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
        EXPECT_EQ(value, static_cast<DWORD>(FALSE)) << what;
        d->GetRenderState(D3DRS_ALPHATESTENABLE, &value);
        EXPECT_EQ(value, static_cast<DWORD>(FALSE)) << what;
        d->GetTextureStageState(0, D3DTSS_COLOROP, &value);
        EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_SELECTARG2)) << what;
        d->GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
        EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_LINEAR)) << what;
        IDirect3DBaseTexture9* bound = nullptr;
        d->GetTexture(0, &bound);
        EXPECT_EQ(bound, nullptr) << what;
        if (bound) bound->Release();
    };

    d->BeginScene();
    EXPECT_EQ(font.DrawString(0, 0, kWhite, ""), S_OK);
    EXPECT_TRUE(font.batches.empty());
    expectCallerState("empty string");
    EXPECT_EQ(font.DrawString(0, 0, kWhite, "Text", CTextFont::Filtered), S_OK);
    EXPECT_FALSE(font.batches.empty());
    expectCallerState("drawn string");
    d->EndScene();

    // Between lost and reset, and after destruction, nothing is drawn.
    font.OnDeviceLost();
    font.batches.clear();
    EXPECT_EQ(font.DrawString(0, 0, kWhite, "A"), E_FAIL);
    EXPECT_EQ(font.OnDeviceReset(), S_OK);
    EXPECT_EQ(font.DrawString(0, 0, kWhite, "A"), S_OK);
    font.Destroy();
    EXPECT_EQ(font.DrawString(0, 0, kWhite, "A"), E_FAIL);
    EXPECT_EQ(font.GlyphTexture(), nullptr);
    EXPECT_EQ(font.batches, (std::vector<UINT>{2}));
}
