#include "puzzle/cube_model.h"

#include "puzzle/cube_layout.h"
#include "support/cube_scene_builder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>

namespace {

using test_support::BuildCubeScene;

struct BoundCube {
    std::unique_ptr<CSceneFrame> scene = BuildCubeScene();
    CubeModel model;
    BoundCube() { EXPECT_TRUE(model.BindPieces(*scene)); }

    std::array<D3DXMATRIX, CubeModel::kPieceCount> Transforms() const
    {
        std::array<D3DXMATRIX, CubeModel::kPieceCount> out;
        for (int i = 0; i < CubeModel::kPieceCount; ++i)
            out[i] = *model.PieceTable[i];
        return out;
    }
    void QuarterTurn(TurnCode code)
    {
        for (int step = 0; step < 6; ++step)
            model.RotateLayerStep(code);
    }
};

bool Near(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(a(r, c) - b(r, c)) > tolerance) return false;
    return true;
}

float Along(const cube_layout::Vec3& v, char axis)
{
    return axis == 'X' ? v.x : axis == 'Y' ? v.y : v.z;
}

// What each code turns, written out independently of the model: axis and which side.
struct ExpectedTurn {
    char axis;
    int side; // -1, 0, +1
    float angle;
};
constexpr float kA = 0.2617994f;
const ExpectedTurn kExpected[19] = {
    {},
    {'Z', -1, kA},
    {'Z', 0, kA},
    {'Z', 1, kA},
    {'X', -1, kA},
    {'X', 0, kA},
    {'X', 1, kA},
    {'Z', 1, -kA},
    {'Z', 0, -kA},
    {'Z', -1, -kA},
    {'X', 1, -kA},
    {'X', 0, -kA},
    {'X', -1, -kA},
    {'Y', -1, kA},
    {'Y', 0, kA},
    {'Y', 1, kA},
    {'Y', 1, -kA},
    {'Y', 0, -kA},
    {'Y', -1, -kA},
};

std::set<int> PiecesMovedByOneStep(TurnCode code)
{
    BoundCube cube;
    const auto before = cube.Transforms();
    cube.model.RotateLayerStep(code);
    std::set<int> moved;
    for (int i = 0; i < CubeModel::kPieceCount; ++i)
        if (std::memcmp(&before[i], cube.model.PieceTable[i], sizeof(D3DXMATRIX)) != 0) moved.insert(i);
    return moved;
}

} // namespace

TEST(CubeModel, InverseTurnFollowsTheTable)
{
    const TurnCode inverse[19] = {0, 9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4, 18, 17, 16, 15, 14, 13};
    for (TurnCode c = 0; c <= 18; ++c)
        EXPECT_EQ(InverseTurn(c), inverse[c]) << c;
    EXPECT_EQ(InverseTurn(19), 0);
    EXPECT_EQ(InverseTurn(-1), 0);
}

TEST(CubeModel, BindingTakesEveryPieceByNameAndStartsSolved)
{
    BoundCube cube;
    EXPECT_TRUE(cube.model.IsBound());
    EXPECT_EQ(cube.model.PieceTable[4], &cube.scene->FindFrame("ChamferBox06")->matrix);
    EXPECT_EQ(cube.model.PieceTable[27], &cube.scene->FindFrame("Gengon01")->matrix);
    EXPECT_EQ(cube.model.PieceTable[80], &cube.scene->FindFrame("Gengon54")->matrix);
    for (int i = 0; i < CubeModel::kPieceCount; ++i)
        EXPECT_EQ(std::memcmp(&cube.model.SolvedSnapshot[i], cube.model.PieceTable[i], sizeof(D3DXMATRIX)),
                  0);
    EXPECT_TRUE(cube.model.IsSolved());
}

TEST(CubeModel, MissingFrameLeavesTheModelUnboundAndHarmless)
{
    // A bound, turned model that then meets an incomplete scene must not keep its old pieces.
    BoundCube cube;
    cube.QuarterTurn(1);
    auto incomplete = BuildCubeScene("Gengon37");
    EXPECT_FALSE(cube.model.BindPieces(*incomplete));
    EXPECT_FALSE(cube.model.IsBound());
    for (D3DXMATRIX* piece : cube.model.PieceTable)
        EXPECT_EQ(piece, nullptr);

    CSceneFrame* some = cube.scene->FindFrame("ChamferBox01");
    const D3DXMATRIX before = some->matrix;
    for (TurnCode c = 1; c <= 18; ++c)
        cube.model.RotateLayerStep(c);
    cube.model.RestoreSolved();
    EXPECT_FALSE(cube.model.IsSolved());
    EXPECT_EQ(std::memcmp(&before, &some->matrix, sizeof before), 0);
}

TEST(CubeModel, EveryCodeTurnsExactlyItsLayer)
{
    const auto& pieces = cube_layout::Pieces();
    for (TurnCode code = 1; code <= 18; ++code) {
        const ExpectedTurn& e = kExpected[code];
        const std::set<int> moved = PiecesMovedByOneStep(code);
        EXPECT_EQ(moved.size(), e.side == 0 ? 21u : 30u) << code;
        int cubies = 0;
        for (int i : moved) {
            const float t = Along(pieces[i].position, e.axis);
            EXPECT_TRUE(e.side == 0 ? t == 0 : t * e.side >= 6) << "code " << code << " piece " << i;
            if (i < cube_layout::kCubieCount) ++cubies;
        }
        EXPECT_EQ(cubies, 9) << code;
        EXPECT_EQ(moved, PiecesMovedByOneStep(InverseTurn(code))) << code;
    }
    // The three layers of one axis share no piece and together hold the whole cube.
    for (const auto& axisCodes : {std::array<int, 3>{1, 2, 3}, {4, 5, 6}, {13, 14, 15}}) {
        std::set<int> all;
        size_t total = 0;
        for (int code : axisCodes) {
            const auto moved = PiecesMovedByOneStep(code);
            total += moved.size();
            all.insert(moved.begin(), moved.end());
        }
        EXPECT_EQ(total, 81u);
        EXPECT_EQ(all.size(), 81u);
    }
}

TEST(CubeModel, StepIsTheLeftHandedRotationAboutTheWorldAxis)
{
    for (TurnCode code = 1; code <= 18; ++code) {
        const ExpectedTurn& e = kExpected[code];
        BoundCube cube;
        // A corner cubie of the turned layer: along the axis at the layer, -6 elsewhere.
        int corner = -1;
        for (int i = 0; i < cube_layout::kCubieCount && corner < 0; ++i) {
            const auto p = cube_layout::Pieces()[i].position;
            const float t = Along(p, e.axis);
            const int others = (p.x == -6) + (p.y == -6) + (p.z == -6) - (t == -6 ? 1 : 0);
            if (t == 6.0f * e.side && others == 2) corner = i;
        }
        ASSERT_GE(corner, 0) << code;
        const D3DXMATRIX m = *cube.model.PieceTable[corner];
        cube.model.RotateLayerStep(code);
        const D3DXMATRIX& r = *cube.model.PieceTable[corner];
        const float c = std::cos(e.angle), s = std::sin(e.angle);
        // Row vector times the D3DX rotation: about Z (x,y) -> (xc - ys, xs + yc), about X
        // (y,z) -> (yc - zs, ys + zc), about Y (x,z) -> (xc + zs, -xs + zc).
        float x = m._41, y = m._42, z = m._43;
        if (e.axis == 'Z') {
            const float nx = x * c - y * s;
            y = x * s + y * c;
            x = nx;
        }
        if (e.axis == 'X') {
            const float ny = y * c - z * s;
            z = y * s + z * c;
            y = ny;
        }
        if (e.axis == 'Y') {
            const float nx = x * c + z * s;
            z = -x * s + z * c;
            x = nx;
        }
        EXPECT_NEAR(r._41, x, 1e-4f) << code;
        EXPECT_NEAR(r._42, y, 1e-4f) << code;
        EXPECT_NEAR(r._43, z, 1e-4f) << code;
    }
}

TEST(CubeModel, LayerBoundsAreExact)
{
    // Entry 0 sits at (-6, -6, -6); moving it along Z shows which Z layers take it.
    struct Case {
        float z;
        TurnCode code;
        bool turns;
    };
    const Case cases[] = {
        {-5.5f, 1, true}, {-5.5f, 2, false}, {5.5f, 3, false},  {5.5f, 2, false},   {3.0f, 2, true},
        {3.0f, 3, false}, {-3.0f, 2, false}, {-3.0f, 1, false}, {5.5001f, 3, true}, {-5.4999f, 1, false},
    };
    for (const Case& k : cases) {
        BoundCube cube;
        D3DXMATRIX& piece = *cube.model.PieceTable[0];
        piece._43 = k.z;
        const float x = piece._41;
        cube.model.RotateLayerStep(k.code);
        EXPECT_EQ(piece._41 != x, k.turns) << "z " << k.z << " code " << k.code;
        EXPECT_EQ(piece._43, k.z);
    }
}

TEST(CubeModel, FourQuarterTurnsGiveBackEveryPosition)
{
    for (TurnCode code = 1; code <= 18; ++code) {
        BoundCube cube;
        const auto start = cube.Transforms();
        cube.QuarterTurn(code);
        EXPECT_FALSE(cube.model.IsSolved()) << code;
        for (int turn = 1; turn < 4; ++turn)
            cube.QuarterTurn(code);
        for (int i = 0; i < CubeModel::kPieceCount; ++i) {
            EXPECT_NEAR(cube.model.PieceTable[i]->_41, start[i]._41, 1e-3f) << code << " " << i;
            EXPECT_NEAR(cube.model.PieceTable[i]->_42, start[i]._42, 1e-3f) << code << " " << i;
            EXPECT_NEAR(cube.model.PieceTable[i]->_43, start[i]._43, 1e-3f) << code << " " << i;
        }
        EXPECT_TRUE(cube.model.IsSolved()) << code;
    }
}

TEST(CubeModel, TurnThenItsInverseGivesBackEveryTransform)
{
    for (TurnCode code = 1; code <= 18; ++code) {
        BoundCube cube;
        const auto start = cube.Transforms();
        cube.QuarterTurn(code);
        cube.QuarterTurn(InverseTurn(code));
        for (int i = 0; i < CubeModel::kPieceCount; ++i)
            EXPECT_TRUE(Near(*cube.model.PieceTable[i], start[i], 1e-4f)) << code << " " << i;
        EXPECT_TRUE(cube.model.IsSolved()) << code;
    }
}

TEST(CubeModel, TurningTheWholeCubeKeepsItSolved)
{
    for (const auto& axisCodes : {std::array<int, 3>{1, 2, 3}, {4, 5, 6}, {13, 14, 15}, {7, 8, 9}}) {
        BoundCube cube;
        const auto start = cube.Transforms();
        for (int code : axisCodes)
            cube.QuarterTurn(code);
        EXPECT_FALSE(Near(*cube.model.PieceTable[0], start[0], 1.0f));
        EXPECT_TRUE(cube.model.IsSolved()) << axisCodes[0];
    }
}

TEST(CubeModel, SolvedTestLooksOnlyAtCubiePositions)
{
    BoundCube cube;
    // Two corner cubies twisted in place: orientation changes, position does not.
    D3DXMATRIX twist;
    const D3DXVECTOR3 diagonal(1, 1, 1);
    D3DXMatrixRotationAxis(&twist, &diagonal, 2.0943951f);
    for (int corner : {0, 2}) {
        D3DXMATRIX& m = *cube.model.PieceTable[corner];
        D3DXMatrixMultiply(&m, &twist, &m);
    }
    EXPECT_FALSE(Near(*cube.model.PieceTable[0], cube.model.SolvedSnapshot[0], 0.5f));
    // Facets swapped between faces are not looked at either.
    std::swap(*cube.model.PieceTable[27], *cube.model.PieceTable[80]);
    EXPECT_TRUE(cube.model.IsSolved());

    // Two cubies swapping places is not solved.
    std::swap(*cube.model.PieceTable[0], *cube.model.PieceTable[26]);
    EXPECT_FALSE(cube.model.IsSolved());
}

TEST(CubeModel, RestoreSolvedUndoesAnyTurnsExactly)
{
    BoundCube cube;
    for (TurnCode code : {1, 5, 14, 10, 3})
        cube.QuarterTurn(code);
    cube.model.RotateLayerStep(17); // a turn left half-way
    EXPECT_FALSE(cube.model.IsSolved());
    cube.model.RestoreSolved();
    for (int i = 0; i < CubeModel::kPieceCount; ++i)
        EXPECT_EQ(std::memcmp(&cube.model.SolvedSnapshot[i], cube.model.PieceTable[i], sizeof(D3DXMATRIX)),
                  0);
    EXPECT_TRUE(cube.model.IsSolved());
}

TEST(CubeModel, CodesOutsideTheTableRotateNothing)
{
    BoundCube cube;
    const auto start = cube.Transforms();
    for (TurnCode code : {0, 19, -1, 1000})
        cube.model.RotateLayerStep(code);
    for (int i = 0; i < CubeModel::kPieceCount; ++i)
        EXPECT_EQ(std::memcmp(&start[i], cube.model.PieceTable[i], sizeof(D3DXMATRIX)), 0);
}

TEST(CubeModelArrangement, SurvivesBindingAFreshScene)
{
    auto first = BuildCubeScene();
    CubeModel cube;
    ASSERT_TRUE(cube.BindPieces(*first));
    for (int step = 0; step < 6; ++step) cube.RotateLayerStep(6);
    const CubeModel::Arrangement turned = cube.CurrentArrangement();
    ASSERT_FALSE(cube.IsSolved());

    cube.Unbind();
    auto second = BuildCubeScene(); // a reload puts every piece back in its solved place
    ASSERT_TRUE(cube.BindPieces(*second));
    cube.ApplyArrangement(turned);
    EXPECT_FALSE(cube.IsSolved());
    for (int step = 0; step < 6; ++step) cube.RotateLayerStep(InverseTurn(6));
    EXPECT_TRUE(cube.IsSolved()) << "the history's inverse turn undoes the kept arrangement";
}
