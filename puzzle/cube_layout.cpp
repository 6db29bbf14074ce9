#include "puzzle/cube_layout.h"

#include <cstdio>

namespace cube_layout {
namespace {

// Where cubie k of one layer (k = entry mod 9) sits in that layer's 3x3 grid, as
// (x index, z index). Entries {2,3,4} form one row and {4,5,6} one column, so the
// three groups of the solved test - entries 0..8, entries 2..4 of every layer and
// entries 4..6 of every layer - are the planes y = -6, x = +6 and z = +6.
constexpr int kGridX[9] = {0, 1, 2, 2, 2, 1, 0, 0, 1};
constexpr int kGridZ[9] = {0, 0, 0, 1, 2, 2, 2, 1, 1};

float Coordinate(int index) { return (index - 1) * kLayerSpacing; }

char g_names[kPieceCount][16];

std::array<Piece, kPieceCount> Build()
{
    std::array<Piece, kPieceCount> pieces{};
    for (int entry = 0; entry < kCubieCount; ++entry) {
        const int number = entry < 4 ? entry + 1 : entry + 2; // frame 05 does not exist
        std::snprintf(g_names[entry], sizeof g_names[entry], "ChamferBox%02d", number);
        const int layer = entry / 9, cell = entry % 9;
        pieces[entry] = {g_names[entry], PieceKind::Cubie,
                         {Coordinate(kGridX[cell]), Coordinate(layer), Coordinate(kGridZ[cell])},
                         {0, 0, 0}};
    }
    for (int facet = 0; facet < kFacetCount; ++facet) {
        const int entry = kCubieCount + facet;
        std::snprintf(g_names[entry], sizeof g_names[entry], "Gengon%02d", facet + 1);
        const Vec3 n = FaceNormal(FacetFace(facet));
        const float a = Coordinate((facet % 9) % 3), b = Coordinate((facet % 9) / 3);
        Vec3 p{};
        if (n.x != 0) p = {n.x * kFacetDistance, a, b};
        else if (n.y != 0) p = {a, n.y * kFacetDistance, b};
        else p = {a, b, n.z * kFacetDistance};
        pieces[entry] = {g_names[entry], PieceKind::Facet, p, n};
    }
    return pieces;
}

} // namespace

const std::array<Piece, kPieceCount>& Pieces()
{
    static const std::array<Piece, kPieceCount> pieces = Build();
    return pieces;
}

Face FacetFace(int facetIndex) { return static_cast<Face>(facetIndex / 9); }

Vec3 FaceNormal(Face face)
{
    switch (face) {
    case Face::PosX: return {1, 0, 0};
    case Face::NegX: return {-1, 0, 0};
    case Face::PosY: return {0, 1, 0};
    case Face::NegY: return {0, -1, 0};
    case Face::PosZ: return {0, 0, 1};
    case Face::NegZ: return {0, 0, -1};
    }
    return {0, 0, 0};
}

} // namespace cube_layout
