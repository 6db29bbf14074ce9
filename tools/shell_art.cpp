// Draws the game's start-up picture, its window shape and the program icon, all from one
// painter of the cube seen corner-on (flat-shaded stickers on dark cubies), and writes them
// for the resource compiler:
//   splash.bmp         401 × 244, 8 bits per pixel: the cube with a band of lettering across it
//   splash_region.bin  region data (RGNDATA, horizontal bands) of the picture's silhouette
//   tessaron.ico       the cube alone at 16, 32 and 48 pixels, 32-bit with alpha
//   tessaron-large.ico the same cube at 64, 128 and 256 pixels, for the Linux desktop's menus
//                      (kept out of the program: its resource stays small)
// Usage: shell_art <output folder>. Runs at build time (under Wine on Linux); GDI draws
// into memory bitmaps only, so no display is needed.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kSplashWidth = 401;
constexpr int kSplashHeight = 244;
constexpr int kSplashSupersample = 3;
constexpr int kIconSupersample = 8;
constexpr COLORREF kKeyColour = RGB(255, 0, 255); // never used by the painting itself

struct Point {
    float x, y;
};

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
Point operator*(Point a, float s) { return {a.x * s, a.y * s}; }

/// The six sticker colours of the cube.
const std::array<COLORREF, 6> kStickerColours = {
    RGB(250, 250, 250), RGB(255, 212, 0), RGB(200, 24, 40), RGB(255, 110, 0), RGB(0, 80, 190), RGB(0, 160, 80)};
const COLORREF kCubieColour = RGB(30, 30, 34);

/// A scrambled-looking pattern: sticker colours of the top, left and right faces.
const int kFacePattern[3][9] = {
    {0, 2, 0, 4, 0, 1, 0, 5, 3},
    {2, 3, 2, 5, 2, 2, 4, 2, 0},
    {4, 4, 1, 4, 4, 3, 2, 4, 5},
};
const float kFaceShade[3] = {1.0f, 0.84f, 0.66f}; // top, left and right faces lit from above left

COLORREF Shade(COLORREF colour, float factor)
{
    return RGB(static_cast<int>(GetRValue(colour) * factor), static_cast<int>(GetGValue(colour) * factor),
               static_cast<int>(GetBValue(colour) * factor));
}

void FillQuad(HDC dc, const Point (&corners)[4], COLORREF colour)
{
    POINT points[4];
    for (int i = 0; i < 4; ++i)
        points[i] = {static_cast<LONG>(corners[i].x + 0.5f), static_cast<LONG>(corners[i].y + 0.5f)};
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ previous = SelectObject(dc, brush);
    Polygon(dc, points, 4);
    SelectObject(dc, previous);
    DeleteObject(brush);
}

/// One face: the parallelogram origin + u·a + v·b (u, v in 0..1), dark, with nine stickers.
void PaintFace(HDC dc, Point origin, Point a, Point b, int face)
{
    const Point outline[4] = {origin, origin + a, origin + a + b, origin + b};
    FillQuad(dc, outline, Shade(kCubieColour, kFaceShade[face]));
    const float margin = 0.08f;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            float u0 = (i + margin) / 3, u1 = (i + 1 - margin) / 3;
            float v0 = (j + margin) / 3, v1 = (j + 1 - margin) / 3;
            const Point sticker[4] = {origin + a * u0 + b * v0, origin + a * u1 + b * v0, origin + a * u1 + b * v1,
                                      origin + a * u0 + b * v1};
            FillQuad(dc, sticker, Shade(kStickerColours[kFacePattern[face][j * 3 + i]], kFaceShade[face]));
        }
    }
}

/// The cube seen corner-on: a hexagon with its top corner at `top`, `halfWidth` to each side,
/// top edges rising one pixel per two across, vertical edges `edge` long.
void PaintCube(HDC dc, Point top, float halfWidth, float edge)
{
    const float slope = halfWidth / 2;
    Point upperLeft = top + Point{-halfWidth, slope};
    Point upperRight = top + Point{halfWidth, slope};
    Point centre = top + Point{0, 2 * slope};
    Point down{0, edge};
    PaintFace(dc, top, upperRight - top, upperLeft - top, 0);
    PaintFace(dc, upperLeft, centre - upperLeft, down, 1);
    PaintFace(dc, centre, upperRight - centre, down, 2);
}

/// A 32-bit top-down drawing surface cleared to the key colour.
struct Canvas {
    int width = 0, height = 0;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    std::uint32_t* pixels = nullptr;

    Canvas(int w, int h) : width(w), height(h)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<std::uint32_t*>(bits);
        if (!dc || !bitmap) return;
        previous = SelectObject(dc, bitmap);
        SelectObject(dc, GetStockObject(NULL_PEN));
        RECT all{0, 0, w, h};
        HBRUSH key = CreateSolidBrush(kKeyColour);
        FillRect(dc, &all, key);
        DeleteObject(key);
        GdiFlush();
    }
    ~Canvas()
    {
        if (previous) SelectObject(dc, previous);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    bool Ok() const { return dc && bitmap && pixels; }
};

/// A downsampled pixel: colour (0xRRGGBB) and the share of the block that was painted.
struct Sample {
    std::uint32_t rgb;
    float coverage;
};

std::vector<Sample> Downsample(const Canvas& canvas, int factor)
{
    GdiFlush();
    const std::uint32_t key = (GetRValue(kKeyColour) << 16) | (GetGValue(kKeyColour) << 8) | GetBValue(kKeyColour);
    int w = canvas.width / factor, h = canvas.height / factor;
    std::vector<Sample> samples(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned r = 0, g = 0, b = 0, n = 0;
            for (int sy = 0; sy < factor; ++sy) {
                for (int sx = 0; sx < factor; ++sx) {
                    std::uint32_t p = canvas.pixels[(y * factor + sy) * canvas.width + x * factor + sx] & 0xFFFFFF;
                    if (p == key) continue;
                    r += (p >> 16) & 0xFF;
                    g += (p >> 8) & 0xFF;
                    b += p & 0xFF;
                    ++n;
                }
            }
            Sample& s = samples[y * w + x];
            s.coverage = static_cast<float>(n) / (factor * factor);
            s.rgb = n ? ((r / n) << 16) | ((g / n) << 8) | (b / n) : 0;
        }
    }
    return samples;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

template <class T>
void Append(std::vector<std::uint8_t>& out, const T& value)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

// --- splash ------------------------------------------------------------------------------

constexpr float kCubeCentreX = 198;
constexpr float kCubeTop = 5;
constexpr float kCubeHalfWidth = 110;
constexpr float kCubeEdge = 122;
constexpr RECT kBand{4, 95, 395, 137}; // the lettering band across the cube
const wchar_t kLettering[] = L"ТЕССАРОН";

void PaintSplash(HDC dc, float s)
{
    PaintCube(dc, Point{kCubeCentreX, kCubeTop} * s, kCubeHalfWidth * s, kCubeEdge * s);

    HBRUSH border = CreateSolidBrush(RGB(230, 180, 60));
    HBRUSH inner = CreateSolidBrush(RGB(24, 34, 92));
    int round = static_cast<int>(18 * s);
    HGDIOBJ previous = SelectObject(dc, border);
    RoundRect(dc, static_cast<int>(kBand.left * s), static_cast<int>(kBand.top * s),
              static_cast<int>(kBand.right * s), static_cast<int>(kBand.bottom * s), round, round);
    SelectObject(dc, inner);
    int inset = static_cast<int>(3 * s);
    RoundRect(dc, static_cast<int>(kBand.left * s) + inset, static_cast<int>(kBand.top * s) + inset,
              static_cast<int>(kBand.right * s) - inset, static_cast<int>(kBand.bottom * s) - inset, round, round);
    SelectObject(dc, previous);
    DeleteObject(border);
    DeleteObject(inner);

    HFONT font = CreateFontW(-static_cast<int>(32 * s), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                             VARIABLE_PITCH | FF_SWISS, L"Arial");
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 214, 90));
    SetTextCharacterExtra(dc, static_cast<int>(6 * s));
    RECT text{static_cast<LONG>(kBand.left * s), static_cast<LONG>(kBand.top * s), static_cast<LONG>(kBand.right * s),
              static_cast<LONG>(kBand.bottom * s)};
    DrawTextW(dc, kLettering, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previousFont);
    DeleteObject(font);
}

/// Up to 256 palette colours: the most used 5-bit-per-channel bins, each as its average colour.
std::vector<std::uint32_t> ChoosePalette(const std::vector<std::uint32_t>& rgb)
{
    struct Bin {
        unsigned count = 0;
        unsigned long long r = 0, g = 0, b = 0;
    };
    std::map<std::uint32_t, Bin> bins;
    for (std::uint32_t p : rgb) {
        std::uint32_t key = ((p >> 19) & 0x1F) << 10 | ((p >> 11) & 0x1F) << 5 | ((p >> 3) & 0x1F);
        Bin& bin = bins[key];
        ++bin.count;
        bin.r += (p >> 16) & 0xFF;
        bin.g += (p >> 8) & 0xFF;
        bin.b += p & 0xFF;
    }
    std::vector<Bin> ordered;
    for (auto& entry : bins) ordered.push_back(entry.second);
    std::sort(ordered.begin(), ordered.end(), [](const Bin& a, const Bin& b) { return a.count > b.count; });
    if (ordered.size() > 256) ordered.resize(256);
    std::vector<std::uint32_t> palette;
    for (const Bin& bin : ordered)
        palette.push_back(static_cast<std::uint32_t>((bin.r / bin.count) << 16 | (bin.g / bin.count) << 8 |
                                                     (bin.b / bin.count)));
    return palette;
}

std::uint8_t NearestIndex(const std::vector<std::uint32_t>& palette, std::uint32_t p)
{
    int best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        long dr = static_cast<long>((p >> 16) & 0xFF) - static_cast<long>((palette[i] >> 16) & 0xFF);
        long dg = static_cast<long>((p >> 8) & 0xFF) - static_cast<long>((palette[i] >> 8) & 0xFF);
        long db = static_cast<long>(p & 0xFF) - static_cast<long>(palette[i] & 0xFF);
        long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::vector<std::uint8_t> EightBitBmp(const std::vector<std::uint32_t>& rgb, int width, int height)
{
    std::vector<std::uint32_t> palette = ChoosePalette(rgb);
    palette.resize(256, 0);
    const int stride = (width + 3) & ~3;
    const DWORD paletteBytes = 256 * 4;
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + paletteBytes;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfSize = offset + stride * height;
    file.bfOffBits = offset;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height; // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 8;
    info.biCompression = BI_RGB;
    info.biSizeImage = stride * height;
    info.biClrUsed = 256;

    std::vector<std::uint8_t> out;
    Append(out, file);
    Append(out, info);
    for (std::uint32_t colour : palette) {
        RGBQUAD quad{static_cast<BYTE>(colour & 0xFF), static_cast<BYTE>((colour >> 8) & 0xFF),
                     static_cast<BYTE>((colour >> 16) & 0xFF), 0};
        Append(out, quad);
    }
    std::map<std::uint32_t, std::uint8_t> cache;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = rgb[y * width + x];
            auto found = cache.find(p);
            if (found == cache.end()) found = cache.emplace(p, NearestIndex(palette, p)).first;
            out.push_back(found->second);
        }
        out.insert(out.end(), stride - width, 0);
    }
    return out;
}

/// Region data of the painted pixels: runs of each row, equal neighbouring rows joined into bands.
std::vector<std::uint8_t> RegionData(const std::vector<bool>& inside, int width, int height)
{
    using Runs = std::vector<std::pair<int, int>>;
    std::vector<RECT> rects;
    RECT bounds{width, height, 0, 0};
    Runs bandRuns;
    int bandTop = 0;
    auto closeBand = [&](int bottom) {
        for (auto [left, right] : bandRuns) {
            rects.push_back(RECT{left, bandTop, right, bottom});
            bounds.left = std::min<LONG>(bounds.left, left);
            bounds.right = std::max<LONG>(bounds.right, right);
            bounds.top = std::min<LONG>(bounds.top, bandTop);
            bounds.bottom = std::max<LONG>(bounds.bottom, bottom);
        }
    };
    for (int y = 0; y <= height; ++y) {
        Runs runs;
        for (int x = 0; y < height && x < width;) {
            if (!inside[y * width + x]) {
                ++x;
                continue;
            }
            int start = x;
            while (x < width && inside[y * width + x]) ++x;
            runs.emplace_back(start, x);
        }
        if (y == 0 || runs != bandRuns) {
            if (y > 0) closeBand(y);
            bandRuns = runs;
            bandTop = y;
        }
    }
    RGNDATAHEADER header{};
    header.dwSize = sizeof header;
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(rects.size());
    header.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    header.rcBound = bounds;
    std::vector<std::uint8_t> out;
    Append(out, header);
    for (const RECT& r : rects) Append(out, r);
    return out;
}

bool MakeSplash(const std::string& folder)
{
    const int s = kSplashSupersample;
    Canvas canvas(kSplashWidth * s, kSplashHeight * s);
    if (!canvas.Ok()) return false;
    PaintSplash(canvas.dc, static_cast<float>(s));
    std::vector<Sample> samples = Downsample(canvas, s);

    std::vector<std::uint32_t> rgb(samples.size());
    std::vector<bool> inside(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        inside[i] = samples[i].coverage >= 0.5f;
        rgb[i] = inside[i] ? samples[i].rgb : 0; // outside the shape nothing is ever seen
    }
    return WriteFile(folder + "/splash.bmp", EightBitBmp(rgb, kSplashWidth, kSplashHeight)) &&
           WriteFile(folder + "/splash_region.bin", RegionData(inside, kSplashWidth, kSplashHeight));
}

// --- icon --------------------------------------------------------------------------------

/// One icon image: BITMAPINFOHEADER (double height), 32-bit BGRA rows bottom-up, then the AND mask.
std::vector<std::uint8_t> IconImage(int size)
{
    const int s = kIconSupersample;
    Canvas canvas(size * s, size * s);
    if (!canvas.Ok()) return {};
    float halfWidth = size * 0.47f * s;
    float edge = halfWidth * 1.08f;
    float height = halfWidth + edge;
    PaintCube(canvas.dc, Point{size * s / 2.0f, (size * s - height) / 2}, halfWidth, edge);
    std::vector<Sample> samples = Downsample(canvas, s);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = size;
    info.biHeight = size * 2;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    std::vector<std::uint8_t> out;
    Append(out, info);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const Sample& sample = samples[y * size + x];
            std::uint32_t alpha = static_cast<std::uint32_t>(sample.coverage * 255 + 0.5f);
            Append(out, static_cast<std::uint32_t>(alpha << 24 | sample.rgb));
        }
    }
    const int maskStride = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < size; ++x)
            if (samples[y * size + x].coverage < 0.5f) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool MakeIcon(const std::string& path, const std::vector<int>& sizes)
{
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) {
        images.push_back(IconImage(size));
        if (images.back().empty()) return false;
    }
    std::vector<std::uint8_t> out;
    Append(out, static_cast<std::uint16_t>(0));
    Append(out, static_cast<std::uint16_t>(1)); // icon
    Append(out, static_cast<std::uint16_t>(images.size()));
    DWORD offset = static_cast<DWORD>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(sizes[i])); // 256 is written as 0
        out.push_back(static_cast<std::uint8_t>(sizes[i]));
        out.push_back(0); // no palette
        out.push_back(0);
        Append(out, static_cast<std::uint16_t>(1));  // planes
        Append(out, static_cast<std::uint16_t>(32)); // bits per pixel
        Append(out, static_cast<std::uint32_t>(images[i].size()));
        Append(out, static_cast<std::uint32_t>(offset));
        offset += static_cast<DWORD>(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    return WriteFile(path, out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: shell_art <output folder>\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!MakeSplash(folder)) {
        std::fprintf(stderr, "shell_art: could not write the splash picture into %s\n", folder.c_str());
        return 1;
    }
    if (!MakeIcon(folder + "/tessaron.ico", {16, 32, 48}) ||
        !MakeIcon(folder + "/tessaron-large.ico", {64, 128, 256})) {
        std::fprintf(stderr, "shell_art: could not write the icon into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
