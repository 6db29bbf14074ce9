#pragma once
// The cube's state: the transforms of the 81 scene frames it is drawn from (27 cubies,
// 54 facets). A quarter turn multiplies the transforms of the pieces in the turned layer
// by a 15-degree rotation about a world axis, six times; the solved test looks only at
// where the cubies are.

#include <d3dx9math.h>

#include <array>
#include <cstdint>

class CSceneFrame;

/// A quarter turn of one layer in one direction, 1..18; 0 means no turn.
using TurnCode = std::int32_t;

constexpr TurnCode kNoTurn = 0;
constexpr TurnCode kFirstTurnCode = 1;
constexpr TurnCode kLastTurnCode = 18;

/// The code that undoes code (same layer, opposite direction); 0 for anything outside 1..18.
TurnCode InverseTurn(TurnCode code);

class CubeModel {
  public:
    static constexpr int kPieceCount = 81;
    static constexpr float kStepAngle = 0.2617994f; ///< 15 degrees; six steps make a quarter turn

    CubeModel();

    /// Looks up all 81 pieces below root and snapshots their transforms as the solved cube.
    /// All or nothing: if any frame is missing the model is left unbound and false is returned.
    bool BindPieces(CSceneFrame& root);
    /// Forgets the pieces, e.g. before the scene they point into is destroyed.
    void Unbind();
    bool IsBound() const { return bound; }

    /// One 15-degree step of the turn; codes outside 1..18 and an unbound model rotate nothing.
    void RotateLayerStep(TurnCode code);
    /// True when the three test groups of cubies each lie in one plane; false while unbound.
    bool IsSolved() const;
    /// Puts every piece back to the transform it had when bound.
    void RestoreSolved();

    using Arrangement = std::array<D3DXMATRIX, kPieceCount>;
    /// The pieces' current transforms (meaningful only while bound).
    Arrangement CurrentArrangement() const;
    /// Gives every piece the transform of `arrangement`; nothing while unbound.
    void ApplyArrangement(const Arrangement& arrangement);

    std::array<D3DXMATRIX*, kPieceCount> PieceTable;    ///< references into the scene's frames
    std::array<D3DXMATRIX, kPieceCount> SolvedSnapshot; ///< transforms right after binding

  private:
    bool bound = false;
};
