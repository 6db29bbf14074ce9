// Writes the cube model "cube.x" (a text X file) and its sticker texture "sticker.bmp" into the
// current directory. Frame names and solved positions come from the cube core's layout table, so
// the model and the core cannot disagree. Every frame is a direct child of the scene root and its
// transform is a pure translation to the piece's centre; each mesh is written in scene-root
// orientation around that centre.
//
// Picking relies on the invisible turn targets floating at 9.06 over the facet edges at 9.05, so
// nothing here may reach beyond 9.05 from the centre along any axis.

#include "framework/x_templates.h"
#include "puzzle/cube_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
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

    const int count = static_cast<int>(foot.size());
    for (int k = 0; k < count; ++k) {
        const int next = (k + 1) % count;
        auto rimNormal = [&](int index) {
            const Vec out = Normalized(a * foot[index].first + b * foot[index].second);
            return Normalized(out + n * 1.2f);
        };
        const int t0 = mesh.AddVertex(at(top[k], kStickerTop), rimNormal(k), texU(top[k].first), texV(top[k].second));
        const int f0 = mesh.AddVertex(at(foot[k], kStickerBase), rimNormal(k), texU(foot[k].first), texV(foot[k].second));
        const int f1 = mesh.AddVertex(at(foot[next], kStickerBase), rimNormal(next), texU(foot[next].first),
                                      texV(foot[next].second));
        const int t1 = mesh.AddVertex(at(top[next], kStickerTop), rimNormal(next), texU(top[next].first),
                                      texV(top[next].second));
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

void WriteVector(std::string& out, Vec p, const char* end)
{
    char line[96];
    std::snprintf(line, sizeof line, "  %.6f;%.6f;%.6f;%s\n", p.x, p.y, p.z, end);
    out += line;
}

void WriteFaces(std::string& out, const MeshOut& mesh)
{
    char line[32];
    std::snprintf(line, sizeof line, "  %zu;\n", mesh.polygons.size());
    out += line;
    for (std::size_t f = 0; f < mesh.polygons.size(); ++f) {
        const auto& polygon = mesh.polygons[f];
        out += "  " + std::to_string(polygon.size()) + ";";
        for (std::size_t k = 0; k < polygon.size(); ++k)
            out += std::to_string(polygon[k]) + (k + 1 < polygon.size() ? "," : ";");
        out += f + 1 < mesh.polygons.size() ? ",\n" : ";\n";
    }
}

void WriteMesh(std::string& out, const char* name, const MeshOut& mesh, Colour colour, float power,
               Colour specular, const char* texture)
{
    char line[160];
    const std::size_t n = mesh.positions.size();
    out += std::string(" Mesh ") + name + " {\n  " + std::to_string(n) + ";\n";
    for (std::size_t k = 0; k < n; ++k) WriteVector(out, mesh.positions[k], k + 1 < n ? "," : ";");
    WriteFaces(out, mesh);
    out += "  MeshNormals {\n  " + std::to_string(n) + ";\n";
    for (std::size_t k = 0; k < n; ++k) WriteVector(out, mesh.normals[k], k + 1 < n ? "," : ";");
    WriteFaces(out, mesh);
    out += "  }\n";
    if (texture) {
        out += "  MeshTextureCoords {\n  " + std::to_string(n) + ";\n";
        for (std::size_t k = 0; k < n; ++k) {
            std::snprintf(line, sizeof line, "  %.6f;%.6f;%s\n", mesh.u[k], mesh.v[k], k + 1 < n ? "," : ";");
            out += line;
        }
        out += "  }\n";
    }
    out += "  MeshMaterialList {\n  1;\n  " + std::to_string(mesh.polygons.size()) + ";\n";
    for (std::size_t f = 0; f < mesh.polygons.size(); ++f) out += f + 1 < mesh.polygons.size() ? "  0,\n" : "  0;\n";
    std::snprintf(line, sizeof line,
                  "  Material {\n   %.6f;%.6f;%.6f;1.000000;;\n   %.6f;\n   %.6f;%.6f;%.6f;;\n"
                  "   0.000000;0.000000;0.000000;;\n",
                  colour.r, colour.g, colour.b, power, specular.r, specular.g, specular.b);
    out += line;
    if (texture) out += std::string("   TextureFilename {\n    \"") + texture + "\";\n   }\n";
    out += "  }\n  }\n }\n";
}

void WriteFrame(std::string& out, const cube_layout::Piece& piece, const MeshOut& mesh, Colour colour,
                const char* texture)
{
    char line[200];
    out += std::string("Frame ") + piece.frameName + " {\n FrameTransformMatrix {\n";
    std::snprintf(line, sizeof line,
                  "  1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,\n"
                  "  0.000000,0.000000,1.000000,0.000000,%.6f,%.6f,%.6f,1.000000;;\n }\n",
                  piece.position.x, piece.position.y, piece.position.z);
    out += line;
    const std::string meshName = std::string(piece.frameName) + "Mesh";
    if (piece.kind == cube_layout::PieceKind::Cubie)
        WriteMesh(out, meshName.c_str(), mesh, colour, 24.0f, {0.25f, 0.25f, 0.25f}, nullptr);
    else
        WriteMesh(out, meshName.c_str(), mesh, colour, 12.0f, {0.15f, 0.15f, 0.15f}, texture);
    out += "}\n";
}

std::string CubeModel()
{
    std::string out = "xof 0302txt 0032\n";
    out += x_templates::Definitions();
    out += "Header {\n 1;\n 0;\n 1;\n}\n";
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
    return out;
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
