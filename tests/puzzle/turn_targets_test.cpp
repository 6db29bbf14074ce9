// The turn targets' table and the pick through the cursor at the game's start view.

#include "framework/scene_mesh.h"
#include "puzzle/turn_targets.h"
#include "support/scene_test_support.h"

#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

/// Axis (0 x, 1 y, 2 z), layer centre and step direction of each turn code, as the cube model turns them.
struct Turn {
    int axis;
    float layer;
    float sign;
};
Turn TurnOf(TurnCode code)
{
    static const Turn turns[19] = {{},           {2, -6, +1}, {2, 0, +1},  {2, 6, +1},  {0, -6, +1}, {0, 0, +1},
                                   {0, 6, +1},   {2, 6, -1},  {2, 0, -1},  {2, -6, -1}, {0, 6, -1},  {0, 0, -1},
                                   {0, -6, -1},  {1, -6, +1}, {1, 0, +1},  {1, 6, +1},  {1, 6, -1},  {1, 0, -1},
                                   {1, -6, -1}};
    return turns[code];
}

float Component(const D3DXVECTOR3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

/// The face a target lies on: the axis whose coordinate is ±9.06 on all three corners.
int FaceAxis(const CTurnTargets& targets, int t)
{
    for (int axis = 0; axis < 3; ++axis)
        if (std::fabs(std::fabs(Component(targets.Corner(t, 0), axis)) - 9.06f) < 1e-5f &&
            std::fabs(Component(targets.Corner(t, 0), axis) - Component(targets.Corner(t, 2), axis)) < 1e-5f)
            return axis;
    return -1;
}

class TurnTargets : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(device.Device(), nullptr);
        ASSERT_EQ(targets.BuildTurnTargets(device.Device()), S_OK);
    }
    TestDevice device{320, 240};
    CTurnTargets targets;
};

TEST_F(TurnTargets, TableGivesTheFirstTargetAndStoresAllInOrder)
{
    EXPECT_EQ(targets.Corner(0, 0), D3DXVECTOR3(-9.05f, 9.06f, -9.05f));
    EXPECT_EQ(targets.Corner(0, 1), D3DXVECTOR3(-9.05f, 9.06f, -3.05f));
    EXPECT_EQ(targets.Corner(0, 2), D3DXVECTOR3(-6.05f, 9.06f, -6.05f));
    // Target 72: on +X, base along z on the edge y = -9.05, facet at z = +6.05.
    EXPECT_EQ(targets.Corner(71, 0), D3DXVECTOR3(9.06f, -9.05f, 3.05f));
    EXPECT_EQ(targets.Corner(71, 1), D3DXVECTOR3(9.06f, -9.05f, 9.05f));
    EXPECT_EQ(targets.Corner(71, 2), D3DXVECTOR3(9.06f, -6.05f, 6.05f));

    void* data = nullptr;
    ASSERT_EQ(targets.VertexBuffer()->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    D3DVERTEXBUFFER_DESC desc;
    targets.VertexBuffer()->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 2592u);
    EXPECT_EQ(desc.FVF, static_cast<DWORD>(D3DFVF_XYZ));
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    const D3DXVECTOR3* stored = static_cast<const D3DXVECTOR3*>(data);
    for (int t = 0; t < CTurnTargets::kTargetCount; ++t)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(stored[3 * t + k], targets.Corner(t, k)) << t;
    targets.VertexBuffer()->Unlock();
}

TEST_F(TurnTargets, EveryTargetPullsItsFacetOverItsEdge)
{
    std::set<int> facesOfCode[19];
    for (int t = 0; t < CTurnTargets::kTargetCount; ++t) {
        const TurnCode code = CTurnTargets::Code(t);
        ASSERT_GE(code, 1);
        ASSERT_LE(code, 18);
        const Turn turn = TurnOf(code);
        const D3DXVECTOR3 apex = targets.Corner(t, 2);
        // The base runs along the turn axis over one facet's width, and the facet is in the turned layer.
        for (int other = 0; other < 3; ++other) {
            if (other != turn.axis) {
                EXPECT_FLOAT_EQ(Component(targets.Corner(t, 0), other), Component(targets.Corner(t, 1), other));
            }
        }
        // Outer facets span 6.0 (from 3.05 to 9.05), middle ones 6.1 (from -3.05 to 3.05).
        EXPECT_NEAR(Component(targets.Corner(t, 1), turn.axis) - Component(targets.Corner(t, 0), turn.axis), 6.05f,
                    0.051f);
        EXPECT_NEAR(Component(apex, turn.axis), turn.layer * 6.05f / 6.0f, 1e-4f) << t + 1;
        // The facet centre moves along axis x p (scaled by the step's sign) towards the base's edge.
        D3DXVECTOR3 axis(0, 0, 0), motion;
        (turn.axis == 0 ? axis.x : turn.axis == 1 ? axis.y : axis.z) = 1;
        D3DXVec3Cross(&motion, &axis, &apex);
        const D3DXVECTOR3 baseMiddle = (targets.Corner(t, 0) + targets.Corner(t, 1)) * 0.5f;
        const D3DXVECTOR3 towardsEdge = baseMiddle - apex;
        EXPECT_GT(turn.sign * D3DXVec3Dot(&motion, &towardsEdge), 0.0f) << "target " << t + 1;
        facesOfCode[code].insert(FaceAxis(targets, t) * 2 + (Component(apex, FaceAxis(targets, t)) > 0));
    }
    for (TurnCode code = 1; code <= 18; ++code) EXPECT_EQ(facesOfCode[code].size(), 4u) << "code " << code;
    // The corner facet of targets 1 and 12 turns about two different axes.
    EXPECT_NE(TurnOf(CTurnTargets::Code(0)).axis, TurnOf(CTurnTargets::Code(11)).axis);
}

/// The game's start view: the cube seen corner-on, the camera 50 units in front.
class StartViewPick : public TurnTargets {
protected:
    void SetUp() override
    {
        TurnTargets::SetUp();
        ASSERT_EQ(pickMesh.Create(device.Device(), "cube.x"), S_OK);
        ASSERT_EQ(pickMesh.OnDeviceReset(device.Device()), S_OK);
        D3DXMATRIX yaw, pitch;
        const D3DXVECTOR3 yAxis(0, 1, 0), xAxis(1, 0, 0);
        D3DXMatrixRotationAxis(&yaw, &yAxis, -D3DX_PI / 4);
        D3DXMatrixRotationAxis(&pitch, &xAxis, -D3DX_PI / 4);
        D3DXMatrixMultiply(&view.world, &yaw, &pitch);
        const D3DXVECTOR3 eye(0, 0, -50), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view.view, &eye, &at, &up);
        view.backBufferWidth = device.Width();
        view.backBufferHeight = device.Height();
        D3DXMatrixPerspectiveFovLH(&view.projection, D3DX_PI / 4,
                                   static_cast<float>(view.backBufferWidth) / view.backBufferHeight, 1, 100);
    }

    /// Puts the cursor over scene point p and picks.
    bool PickAt(const D3DXVECTOR3& p, TurnCode& code, CSceneMesh* mesh)
    {
        const D3DVIEWPORT9 viewport{0, 0, device.Width(), device.Height(), 0, 1};
        D3DXVECTOR3 screen;
        D3DXVec3Project(&screen, &p, &viewport, &view.projection, &view.view, &view.world);
        view.cursorX = screen.x;
        view.cursorY = screen.y;
        code = 0;
        return PickTurnTarget(targets, mesh, view, code);
    }
    bool PickAt(const D3DXVECTOR3& p, TurnCode& code) { return PickAt(p, code, &pickMesh); }

    /// Whether target t's face looks towards the eye.
    bool FacesEye(int t)
    {
        const int axis = FaceAxis(targets, t);
        D3DXVECTOR3 normal(0, 0, 0), centre = (targets.Corner(t, 0) + targets.Corner(t, 1) + targets.Corner(t, 2)) / 3;
        (axis == 0 ? normal.x : axis == 1 ? normal.y : normal.z) = Component(centre, axis) > 0 ? 1.0f : -1.0f;
        D3DXMATRIX worldView;
        D3DXMatrixMultiply(&worldView, &view.world, &view.view);
        D3DXVECTOR3 viewNormal, viewCentre;
        D3DXVec3TransformNormal(&viewNormal, &normal, &worldView);
        D3DXVec3TransformCoord(&viewCentre, &centre, &worldView);
        return D3DXVec3Dot(&viewNormal, &viewCentre) < 0;
    }

    CSceneMesh pickMesh{"CD3DFile_Mesh"};
    PickView view{};
};

TEST_F(StartViewPick, EdgesOfTheTopCornerFacetTurnTheirRows)
{
    TurnCode code = 0;
    EXPECT_TRUE(PickAt({-8.6f, 9.06f, -6.05f}, code));
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(PickAt({-6.05f, 9.06f, -8.6f}, code));
    EXPECT_EQ(code, 12);
    EXPECT_TRUE(PickAt({-8.6f, 9.06f, 0.0f}, code)) << "edge facet of the top face";
    EXPECT_EQ(code, 2);
}

TEST_F(StartViewPick, OnAScaledDisplayAClickTurnsTheRowUnderTheCursor)
{
    // Cursor and area in logical units at 150 % and 200 %, the back buffer in physical pixels.
    const D3DVIEWPORT9 viewport{0, 0, device.Width(), device.Height(), 0, 1};
    const D3DXVECTOR3 target1(-8.3f, 9.06f, -6.05f);
    D3DXVECTOR3 pixel;
    D3DXVec3Project(&pixel, &target1, &viewport, &view.projection, &view.view, &view.world);
    for (const float scale : {1.5f, 2.0f}) {
        const SIZE area{std::lround(device.Width() / scale), std::lround(device.Height() / scale)};
        const POINT logical{std::lround(pixel.x / scale), std::lround(pixel.y / scale)};
        const D3DXVECTOR2 cursor = CursorInBackBuffer(logical, area, device.Width(), device.Height());
        view.cursorX = cursor.x;
        view.cursorY = cursor.y;
        TurnCode code = 0;
        EXPECT_TRUE(PickTurnTarget(targets, &pickMesh, view, code)) << scale;
        EXPECT_EQ(code, 1) << scale;
    }
}

TEST_F(StartViewPick, FacetMiddlesAndTheSpaceBesideTheCubeTurnNothing)
{
    TurnCode code = 0;
    EXPECT_FALSE(PickAt({0.0f, 9.04f, 0.0f}, code)) << "centre facet";
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(PickAt({-4.5f, 9.04f, -6.05f}, code)) << "inner part of a corner facet";
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(PickAt({-3.0f, 9.0f, 3.0f}, code)) << "the dark gap between facets";
    view.cursorX = 3;
    view.cursorY = 3;
    code = 0;
    EXPECT_FALSE(PickTurnTarget(targets, &pickMesh, view, code)) << "beside the cube";
    EXPECT_EQ(code, 0);
}

TEST_F(StartViewPick, TargetsOnFacesTurnedAwayAreHiddenByTheBody)
{
    int hidden = 0, shownWithoutBody = 0;
    for (int t = 0; t < CTurnTargets::kTargetCount; ++t) {
        if (FacesEye(t)) continue;
        ++hidden;
        // Aim at a point inside the target, near its base.
        const D3DXVECTOR3 aim = targets.Corner(t, 0) * 0.35f + targets.Corner(t, 1) * 0.35f + targets.Corner(t, 2) * 0.3f;
        TurnCode withBody = 0, withoutBody = 0;
        const bool picked = PickAt(aim, withBody);
        if (PickAt(aim, withoutBody, nullptr) && withoutBody == CTurnTargets::Code(t)) ++shownWithoutBody;
        if (!picked) continue;
        // Whatever was picked must be a target on the near side under the same cursor.
        bool nearTarget = false;
        for (int front = 0; front < CTurnTargets::kTargetCount; ++front)
            if (FacesEye(front) && CTurnTargets::Code(front) == withBody) nearTarget = true;
        EXPECT_TRUE(nearTarget) << "target " << t + 1 << " picked through the body";
    }
    EXPECT_EQ(hidden, 36) << "three faces look away from the eye";
    EXPECT_GT(shownWithoutBody, 0) << "without the body the far targets would be picked";
}

TEST_F(StartViewPick, WithoutTargetsOnlyTheBodyIsHit)
{
    CTurnTargets none;
    TurnCode code = 0;
    const D3DVIEWPORT9 viewport{0, 0, device.Width(), device.Height(), 0, 1};
    D3DXVECTOR3 screen, p(-8.6f, 9.06f, -6.05f);
    D3DXVec3Project(&screen, &p, &viewport, &view.projection, &view.view, &view.world);
    view.cursorX = screen.x;
    view.cursorY = screen.y;
    EXPECT_FALSE(PickTurnTarget(none, &pickMesh, view, code));
    EXPECT_EQ(code, 0);
}

} // namespace
