#include "puzzle/cube_model.h"

#include "framework/scene_frame.h"
#include "puzzle/cube_layout.h"

namespace {

enum class Axis { X, Y, Z };
enum class Layer { Negative, Middle, Positive };

struct TurnSpec {
    Axis axis;
    Layer layer;
    float stepAngle;
    TurnCode inverse;
};

constexpr float kPlus = CubeModel::kStepAngle;
constexpr float kMinus = -CubeModel::kStepAngle;

// Indexed by code - 1. The numbering is historical, not a pattern: codes 7-12 and 16-18
// run from the positive layer to the negative one.
constexpr TurnSpec kTurns[kLastTurnCode] = {
    {Axis::Z, Layer::Negative, kPlus, 9},   // 1
    {Axis::Z, Layer::Middle, kPlus, 8},     // 2
    {Axis::Z, Layer::Positive, kPlus, 7},   // 3
    {Axis::X, Layer::Negative, kPlus, 12},  // 4
    {Axis::X, Layer::Middle, kPlus, 11},    // 5
    {Axis::X, Layer::Positive, kPlus, 10},  // 6
    {Axis::Z, Layer::Positive, kMinus, 3},  // 7
    {Axis::Z, Layer::Middle, kMinus, 2},    // 8
    {Axis::Z, Layer::Negative, kMinus, 1},  // 9
    {Axis::X, Layer::Positive, kMinus, 6},  // 10
    {Axis::X, Layer::Middle, kMinus, 5},    // 11
    {Axis::X, Layer::Negative, kMinus, 4},  // 12
    {Axis::Y, Layer::Negative, kPlus, 18},  // 13
    {Axis::Y, Layer::Middle, kPlus, 17},    // 14
    {Axis::Y, Layer::Positive, kPlus, 16},  // 15
    {Axis::Y, Layer::Positive, kMinus, 15}, // 16
    {Axis::Y, Layer::Middle, kMinus, 14},   // 17
    {Axis::Y, Layer::Negative, kMinus, 13}, // 18
};

// Layer bounds leave margins for the float error the turns accumulate: layer centres
// are at -6, 0 and +6.
constexpr float kOuterBound = 5.5f;
constexpr float kMiddleBound = 3.0f;

const TurnSpec* FindTurn(TurnCode code)
{
    if (code < kFirstTurnCode || code > kLastTurnCode) return nullptr;
    return &kTurns[code - kFirstTurnCode];
}

float AlongAxis(const D3DXMATRIX& m, Axis axis)
{
    switch (axis) {
    case Axis::X:
        return m._41;
    case Axis::Y:
        return m._42;
    case Axis::Z:
        return m._43;
    }
    return 0.0f;
}

bool InLayer(float t, Layer layer)
{
    switch (layer) {
    case Layer::Negative:
        return t <= -kOuterBound;
    case Layer::Middle:
        return -kMiddleBound < t && t <= kMiddleBound;
    case Layer::Positive:
        return t > kOuterBound;
    }
    return false;
}

D3DXMATRIX StepRotation(const TurnSpec& turn)
{
    D3DXMATRIX r;
    switch (turn.axis) {
    case Axis::X:
        D3DXMatrixRotationX(&r, turn.stepAngle);
        break;
    case Axis::Y:
        D3DXMatrixRotationY(&r, turn.stepAngle);
        break;
    case Axis::Z:
        D3DXMatrixRotationZ(&r, turn.stepAngle);
        break;
    }
    return r;
}

// Three groups of nine cubies (piece-table entries) with their reference member first.
// In the solved cube they are the layers y = -6, x = +6 and z = +6.
constexpr int kGroupSize = 9;
constexpr int kSolvedGroups[3][kGroupSize] = {
    {2, 3, 4, 11, 12, 13, 20, 21, 22},
    {4, 5, 6, 13, 14, 15, 22, 23, 24},
    {0, 1, 2, 3, 4, 5, 6, 7, 8},
};
constexpr float kFlatTolerance = 0.1f;

} // namespace

TurnCode InverseTurn(TurnCode code)
{
    const TurnSpec* turn = FindTurn(code);
    return turn ? turn->inverse : kNoTurn;
}

CubeModel::CubeModel()
{
    PieceTable.fill(nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    SolvedSnapshot.fill(identity);
}

bool CubeModel::BindPieces(CSceneFrame& root)
{
    Unbind();
    std::array<D3DXMATRIX*, kPieceCount> found{};
    const auto& pieces = cube_layout::Pieces();
    static_assert(cube_layout::kPieceCount == kPieceCount, "the layout table lists every piece");
    for (int i = 0; i < kPieceCount; ++i) {
        CSceneFrame* frame = root.FindFrame(pieces[i].frameName);
        if (!frame) return false;
        found[i] = &frame->matrix;
    }
    PieceTable = found;
    for (int i = 0; i < kPieceCount; ++i)
        SolvedSnapshot[i] = *PieceTable[i];
    bound = true;
    return true;
}

void CubeModel::Unbind()
{
    PieceTable.fill(nullptr);
    bound = false;
}

void CubeModel::RotateLayerStep(TurnCode code)
{
    const TurnSpec* turn = FindTurn(code);
    if (!turn || !bound) return;
    const D3DXMATRIX rotation = StepRotation(*turn);
    for (D3DXMATRIX* m : PieceTable) {
        // The layer is chosen afresh at every step; a rotation about the axis keeps the
        // component along it, so all six steps select the same pieces.
        if (InLayer(AlongAxis(*m, turn->axis), turn->layer)) D3DXMatrixMultiply(m, m, &rotation);
    }
}

bool CubeModel::IsSolved() const
{
    if (!bound) return false;
    for (const auto& group : kSolvedGroups) {
        const D3DXMATRIX& reference = *PieceTable[group[0]];
        bool flat = false;
        for (Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
            const float r = AlongAxis(reference, axis);
            int inPlane = 0;
            for (int entry : group) {
                const float m = AlongAxis(*PieceTable[entry], axis);
                if (m - kFlatTolerance < r && r < m + kFlatTolerance) ++inPlane;
            }
            if (inPlane == kGroupSize) flat = true;
        }
        if (!flat) return false;
    }
    return true;
}

void CubeModel::RestoreSolved()
{
    if (!bound) return;
    for (int i = 0; i < kPieceCount; ++i)
        *PieceTable[i] = SolvedSnapshot[i];
}

CubeModel::Arrangement CubeModel::CurrentArrangement() const
{
    Arrangement arrangement = SolvedSnapshot;
    if (bound)
        for (int i = 0; i < kPieceCount; ++i) arrangement[i] = *PieceTable[i];
    return arrangement;
}

void CubeModel::ApplyArrangement(const Arrangement& arrangement)
{
    if (!bound) return;
    for (int i = 0; i < kPieceCount; ++i) *PieceTable[i] = arrangement[i];
}
