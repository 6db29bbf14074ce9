#pragma once
// The one table of the cube's 81 pieces: the frame names the cube core looks up and
// where each piece sits in the solved cube. The model generator writes its frames
// from this table, and the tests build scene trees from it.

#include <array>

namespace cube_layout {

constexpr int kCubieCount = 27;
constexpr int kFacetCount = 54;
constexpr int kPieceCount = kCubieCount + kFacetCount;

constexpr float kLayerSpacing = 6.0f;  // layer centres at -6, 0, +6 on every axis
constexpr float kFacetDistance = 9.0f; // facet centres lie on the faces, this far out

enum class PieceKind { Cubie, Facet };

struct Vec3 {
    float x, y, z;
};

struct Piece {
    const char* frameName; // "ChamferBoxNN" or "GengonNN"
    PieceKind kind;
    Vec3 position; // solved centre in scene-root space
    Vec3 normal;   // outward face normal for facets, zero for cubies
};

// Entries in piece-table order: 27 cubies ("ChamferBox01".."ChamferBox28", no 05),
// then 54 facets ("Gengon01".."Gengon54").
const std::array<Piece, kPieceCount>& Pieces();

// Faces in the order their facets are numbered, nine facets each.
enum class Face { PosX, NegX, PosY, NegY, PosZ, NegZ };
constexpr int kFaceCount = 6;
Face FacetFace(int facetIndex); // facetIndex 0..53
Vec3 FaceNormal(Face face);

} // namespace cube_layout
