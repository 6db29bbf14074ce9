// Writes the cube model "cube.x" (a binary X file, 32-bit floats) and its sticker texture
// "sticker.bmp" into the current directory. Binary, because the platform's X parser reads the
// text form of this model (some 9000 vertices) about ten times slower; the parser has the
// standard templates registered, so the file carries none. Frame names and solved positions come from the cube core's layout table, so
// the model and the core cannot disagree. Every frame is a direct child of the scene root and its
// transform is a pure translation to the piece's centre; each mesh is written in scene-root
// orientation around that centre.
//
// Picking relies on the invisible turn targets floating at 9.06 over the facet edges at 9.05, so
// nothing here may reach beyond 9.05 from the centre along any axis.

#include "puzzle/cube_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr float kCubieHalf = 2.98f;      // cubies fill their 6-unit cells, just inside the faces at 9
constexpr float kChamfer = 0.28f;        // bevel on every edge and corner of a cubie
constexpr float kStickerHalf = 2.62f;    // sticker half-width at its foot
constexpr float kStickerBevel = 0.06f;   // the top is this much narrower, a soft rounded rim
constexpr float kStickerCorner = 0.55f;  // corner radius of the sticker outline
constexpr int kCornerSegments = 5;       // arc segments per rounded corner
constexpr float kStickerBase = -0.015f;  // sticker foot, just above the cubie face at 8.98
constexpr float kStickerTop = 0.04f;     // sticker top at 9.04, below the target plane
constexpr int kTextureSize = 64;
const char kModelFile[] = "cube.x";
const char kTextureFile[] = "sticker.bmp";

struct Vec {
    float x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(Vec a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Normalized(Vec a) { return a * (1.0f / std::sqrt(Dot(a, a))); }

struct Colour {
    float r, g, b;
};

/// One mesh as written: per-corner vertices (position, normal, texture coordinate) and polygons.
struct MeshOut {
    std::vector<Vec> positions;
    std::vector<Vec> normals;
    std::vector<float> u, v;
    std::vector<std::vector<int>> polygons;

    int AddVertex(Vec p, Vec n, float tu = 0, float tv = 0)
    {
        positions.push_back(p);
        normals.push_back(Normalized(n));
        u.push_back(tu);
        v.push_back(tv);
        return static_cast<int>(positions.size()) - 1;
    }
};

/// Adds a flat convex polygon, ordered so that the front side faces along normal.
void AddFlatPolygon(MeshOut& mesh, std::vector<Vec> points, Vec normal)
{
    Vec centre{0, 0, 0};
    for (Vec p : points) centre = centre + p;
    centre = centre * (1.0f / points.size());
    const Vec axisU = Normalized(points[0] - centre);
    const Vec axisV = Cross(normal, axisU);
    std::sort(points.begin(), points.end(), [&](Vec a, Vec b) {
        return std::atan2(Dot(a - centre, axisV), Dot(a - centre, axisU)) <
               std::atan2(Dot(b - centre, axisV), Dot(b - centre, axisU));
    });
    std::vector<int> polygon;
    for (Vec p : points) polygon.push_back(mesh.AddVertex(p, normal));
    mesh.polygons.push_back(polygon);
}

/// A box of half-size kCubieHalf with every edge and corner bevelled by kChamfer, flat shaded.
MeshOut ChamferedBox()
{
    MeshOut mesh;
    const float h = kCubieHalf, i = kCubieHalf - kChamfer;
    auto corner = [&](int sx, int sy, int sz, int axis) {
        Vec p{sx * i, sy * i, sz * i};
        (axis == 0 ? p.x : axis == 1 ? p.y : p.z) = (axis == 0 ? sx : axis == 1 ? sy : sz) * h;
        return p;
    };
    for (int axis = 0; axis < 3; ++axis)
        for (int s : {-1, 1}) {
            std::vector<Vec> quad;
            for (int a : {-1, 1})
                for (int b : {-1, 1}) {
                    const int sx = axis == 0 ? s : a, sy = axis == 1 ? s : (axis == 0 ? a : b),
                              sz = axis == 2 ? s : b;
                    quad.push_back(corner(sx, sy, sz, axis));
                }
            Vec n{0, 0, 0};
            (axis == 0 ? n.x : axis == 1 ? n.y : n.z) = static_cast<float>(s);
            AddFlatPolygon(mesh, quad, n);
        }
    // Edge bevels: between the faces of axes a1 and a2, running along the third axis.
    for (int a1 = 0; a1 < 3; ++a1)
        for (int a2 = a1 + 1; a2 < 3; ++a2)
            for (int s1 : {-1, 1})
                for (int s2 : {-1, 1}) {
                    std::vector<Vec> quad;
                    Vec n{0, 0, 0};
                    for (int t : {-1, 1}) {
                        int sign[3] = {t, t, t};
                        sign[a1] = s1;
                        sign[a2] = s2;
                        quad.push_back(corner(sign[0], sign[1], sign[2], a1));
                        quad.push_back(corner(sign[0], sign[1], sign[2], a2));
                    }
                    (a1 == 0 ? n.x : n.y) = static_cast<float>(s1);
                    (a2 == 1 ? n.y : n.z) = static_cast<float>(s2);
                    AddFlatPolygon(mesh, quad, n);
                }
    for (int sx : {-1, 1})
        for (int sy : {-1, 1})
            for (int sz : {-1, 1})
                AddFlatPolygon(mesh, {corner(sx, sy, sz, 0), corner(sx, sy, sz, 1), corner(sx, sy, sz, 2)},
                               Vec{float(sx), float(sy), float(sz)});
    return mesh;
}

/// Outline of a rounded square of half-size half and corner radius radius, counter-clockwise in (a, b).
std::vector<std::pair<float, float>> RoundedSquare(float half, float radius)
{
    std::vector<std::pair<float, float>> outline;
    const float centre = half - radius;
    const float quarter = 1.5707963f;
    const float startAngle[4] = {0, quarter, 2 * quarter, 3 * quarter};
    const float ca[4] = {centre, -centre, -centre, centre}, cb[4] = {centre, centre, -centre, -centre};
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k <= kCornerSegments; ++k) {
            const float angle = startAngle[c] + quarter * k / kCornerSegments;
            outline.push_back({ca[c] + radius * std::cos(angle), cb[c] + radius * std::sin(angle)});
        }
    return outline;
}

/// A thin sticker lying on the face with outward normal n: a flat rounded top and a sloping rim.
MeshOut Sticker(Vec n)
{
    MeshOut mesh;
    // In-face axes with a x b = n, so that counter-clockwise in (a, b) faces along n.
    const Vec a = std::fabs(n.y) > 0.5f ? Vec{1, 0, 0} : Vec{0, 1, 0};
    const Vec b = Cross(n, a);
    const float topHalf = kStickerHalf - kStickerBevel;
    const auto top = RoundedSquare(topHalf, kStickerCorner - kStickerBevel);
    const auto foot = RoundedSquare(kStickerHalf, kStickerCorner);
    auto at = [&](std::pair<float, float> p, float height) { return a * p.first + b * p.second + n * height; };
    auto texU = [&](float pa) { return 0.5f + pa / (2 * kStickerHalf); };
    auto texV = [&](float pb) { return 0.5f - pb / (2 * kStickerHalf); };

    std::vector<int> topPolygon;
    for (auto p : top) topPolygon.push_back(mesh.AddVertex(at(p, kStickerTop), n, texU(p.first), texV(p.second)));
    mesh.polygons.push_back(topPolygon);

    // The rim: one top and one foot vertex per outline point, shared by the two quads beside it.
    const int count = static_cast<int>(foot.size());
    const int firstRim = static_cast<int>(mesh.positions.size());
    for (int k = 0; k < count; ++k) {
        const Vec rimNormal = Normalized(Normalized(a * foot[k].first + b * foot[k].second) + n * 1.2f);
        mesh.AddVertex(at(top[k], kStickerTop), rimNormal, texU(top[k].first), texV(top[k].second));
        mesh.AddVertex(at(foot[k], kStickerBase), rimNormal, texU(foot[k].first), texV(foot[k].second));
    }
    for (int k = 0; k < count; ++k) {
        const int next = (k + 1) % count;
        const int t0 = firstRim + 2 * k, f0 = t0 + 1, t1 = firstRim + 2 * next, f1 = t1 + 1;
        mesh.polygons.push_back({t0, f0, f1, t1});
    }
    return mesh;
}

Colour FaceColour(cube_layout::Face face)
{
    // White top, yellow bottom, green front (towards the eye), blue back, red right, orange left.
    switch (face) {
    case cube_layout::Face::PosY: return {0.95f, 0.95f, 0.95f};
    case cube_layout::Face::NegY: return {1.00f, 0.84f, 0.05f};
    case cube_layout::Face::NegZ: return {0.05f, 0.62f, 0.25f};
    case cube_layout::Face::PosZ: return {0.05f, 0.28f, 0.80f};
    case cube_layout::Face::PosX: return {0.80f, 0.06f, 0.08f};
    case cube_layout::Face::NegX: return {1.00f, 0.42f, 0.02f};
    }
    return {1, 1, 1};
}

/// Tokens of the binary X format.
enum Token : std::uint16_t {
    kName = 1,
    kString = 2,
    kIntegerList = 6,
    kFloatList = 7,
    kOpenBrace = 10,
    kCloseBrace = 11,
    kSemicolon = 20,
};

/// Builds a binary X file: each member list is one integer or float list token.
class BinaryX {
public:
    BinaryX() { bytes.assign(kHeader, kHeader + sizeof kHeader - 1); }
    const std::string& Bytes() const { return bytes; }

    void Open(const char* templateName, const std::string& objectName = "")
    {
        Name(templateName);
        if (!objectName.empty()) Name(objectName.c_str());
        Put16(kOpenBrace);
    }
    void Close() { Put16(kCloseBrace); }
    void Integers(const std::vector<std::uint32_t>& values)
    {
        Put16(kIntegerList);
        Put32(static_cast<std::uint32_t>(values.size()));
        for (std::uint32_t v : values) Put32(v);
    }
    void Floats(const std::vector<float>& values)
    {
        Put16(kFloatList);
        Put32(static_cast<std::uint32_t>(values.size()));
        for (float v : values) {
            std::uint32_t raw;
            std::memcpy(&raw, &v, sizeof raw);
            Put32(raw);
        }
    }
    void String(const char* text)
    {
        Put16(kString);
        Put32(static_cast<std::uint32_t>(std::strlen(text)));
        bytes += text;
        Put16(kSemicolon);
    }

private:
    static constexpr char kHeader[] = "xof 0302bin 0032";
    void Name(const char* name)
    {
        Put16(kName);
        Put32(static_cast<std::uint32_t>(std::strlen(name)));
        bytes += name;
    }
    void Put16(std::uint16_t v)
    {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    }
    void Put32(std::uint32_t v)
    {
        for (int k = 0; k < 4; ++k) bytes += static_cast<char>((v >> (8 * k)) & 0xFF);
    }
    std::string bytes;
};

std::vector<float> Flatten(const std::vector<Vec>& vectors)
{
    std::vector<float> out;
    for (Vec v : vectors) out.insert(out.end(), {v.x, v.y, v.z});
    return out;
}

/// The face count, then each face as its corner count and corner indices.
std::vector<std::uint32_t> Faces(const MeshOut& mesh)
{
    std::vector<std::uint32_t> out{static_cast<std::uint32_t>(mesh.polygons.size())};
    for (const auto& polygon : mesh.polygons) {
        out.push_back(static_cast<std::uint32_t>(polygon.size()));
        out.insert(out.end(), polygon.begin(), polygon.end());
    }
    return out;
}

void WriteMesh(BinaryX& out, const std::string& name, const MeshOut& mesh, Colour colour, float power,
               Colour specular, const char* texture)
{
    const auto n = static_cast<std::uint32_t>(mesh.positions.size());
    out.Open("Mesh", name);
    out.Integers({n});
    out.Floats(Flatten(mesh.positions));
    out.Integers(Faces(mesh));
    out.Open("MeshNormals");
    out.Integers({n});
    out.Floats(Flatten(mesh.normals));
    out.Integers(Faces(mesh));
    out.Close();
    if (texture) {
        std::vector<float> coordinates;
        for (std::uint32_t k = 0; k < n; ++k) coordinates.insert(coordinates.end(), {mesh.u[k], mesh.v[k]});
        out.Open("MeshTextureCoords");
        out.Integers({n});
        out.Floats(coordinates);
        out.Close();
    }
    std::vector<std::uint32_t> materialList{1, static_cast<std::uint32_t>(mesh.polygons.size())};
    materialList.resize(2 + mesh.polygons.size(), 0);
    out.Open("MeshMaterialList");
    out.Integers(materialList);
    out.Open("Material");
    out.Floats({colour.r, colour.g, colour.b, 1.0f, power, specular.r, specular.g, specular.b, 0.0f, 0.0f, 0.0f});
    if (texture) {
        out.Open("TextureFilename");
        out.String(texture);
        out.Close();
    }
    out.Close();
    out.Close();
    out.Close();
}

void WriteFrame(BinaryX& out, const cube_layout::Piece& piece, const MeshOut& mesh, Colour colour,
                const char* texture)
{
    out.Open("Frame", piece.frameName);
    out.Open("FrameTransformMatrix");
    out.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, piece.position.x, piece.position.y, piece.position.z, 1});
    out.Close();
    const std::string meshName = std::string(piece.frameName) + "Mesh";
    if (piece.kind == cube_layout::PieceKind::Cubie)
        WriteMesh(out, meshName, mesh, colour, 24.0f, {0.25f, 0.25f, 0.25f}, nullptr);
    else
        WriteMesh(out, meshName, mesh, colour, 12.0f, {0.15f, 0.15f, 0.15f}, texture);
    out.Close();
}

std::string CubeModel()
{
    BinaryX out;
    const MeshOut box = ChamferedBox();
    const auto& pieces = cube_layout::Pieces();
    for (int k = 0; k < cube_layout::kPieceCount; ++k) {
        const cube_layout::Piece& piece = pieces[k];
        if (piece.kind == cube_layout::PieceKind::Cubie) {
            WriteFrame(out, piece, box, {0.07f, 0.07f, 0.08f}, nullptr);
        } else {
            const Vec n{piece.normal.x, piece.normal.y, piece.normal.z};
            WriteFrame(out, piece, Sticker(n), FaceColour(cube_layout::FacetFace(k - cube_layout::kCubieCount)),
                       kTextureFile);
        }
    }
    return out.Bytes();
}

/// A faint plastic grain, brighter in the middle: it only modulates the sticker colours slightly.
std::vector<std::uint8_t> StickerBitmap()
{
    const int size = kTextureSize, rowBytes = size * 3;
    const std::uint32_t pixelBytes = rowBytes * size, fileBytes = 54 + pixelBytes;
    std::vector<std::uint8_t> bmp(fileBytes, 0);
    auto put32 = [&](int at, std::uint32_t value) {
        for (int k = 0; k < 4; ++k) bmp[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, fileBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, size);
    put32(22, size);
    bmp[26] = 1;
    bmp[28] = 24;
    put32(34, pixelBytes);
    std::uint32_t seed = 12345;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
            const float glow = 1.0f - 0.35f * (dx * dx + dy * dy);
            const float grain = ((seed >> 24) & 0x0F) / 15.0f * 0.06f;
            const int value = std::clamp(static_cast<int>(255 * (glow - grain)), 0, 255);
            const int at = 54 + y * rowBytes + x * 3;
            bmp[at] = bmp[at + 1] = bmp[at + 2] = static_cast<std::uint8_t>(value);
        }
    return bmp;
}

bool WriteFile(const char* name, const void* bytes, std::size_t size)
{
    std::FILE* file = std::fopen(name, "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace

int main()
{
    const std::string model = CubeModel();
    const std::vector<std::uint8_t> texture = StickerBitmap();
    if (!WriteFile(kModelFile, model.data(), model.size()) ||
        !WriteFile(kTextureFile, texture.data(), texture.size())) {
        std::fprintf(stderr, "model_generator: cannot write the model files\n");
        return 1;
    }
    return 0;
}
