#pragma once
// The 72 invisible turn targets over the border facets and the pick that maps a click to a turn:
// a ray from the eye through the cursor is tested against the cube's body (the pick mesh) and the
// targets, and the nearest hit decides. The body hides targets on the far side and the inner part
// of every facet.

#include "puzzle/cube_model.h"

#include <d3d9.h>
#include <d3dx9math.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>

class CSceneMesh;


class CTurnTargets {
public:
    static constexpr int kTargetCount = 72;
    static constexpr int kVertexCount = 3 * kTargetCount;

    /// Writes the 216 target corners, in target order, into a managed vertex buffer and keeps them
    /// in memory for picking. E_FAIL when the buffer cannot be created, locked or unlocked; the
    /// targets then hold no positions.
    HRESULT BuildTurnTargets(IDirect3DDevice9* device);
    /// Releases the vertex buffer (with the other device objects); the positions stay.
    void ReleaseBuffer() { vertexBuffer.Reset(); }

    bool Built() const { return built; }
    /// Corner k (0..2) of target t (0-based, table order): base start, base end, apex.
    const D3DXVECTOR3& Corner(int target, int k) const { return positions[3 * target + k]; }
    static TurnCode Code(int target);
    IDirect3DVertexBuffer9* VertexBuffer() const { return vertexBuffer.Get(); }

private:
    Microsoft::WRL::ComPtr<IDirect3DVertexBuffer9> vertexBuffer;
    std::array<D3DXVECTOR3, kVertexCount> positions{};
    bool built = false;
};

/// What the pick needs of the view: the cursor in back-buffer pixels, the back buffer's size and
/// the matrices the cube is drawn with.
struct PickView {
    float cursorX, cursorY;
    UINT backBufferWidth, backBufferHeight;
    D3DXMATRIX projection, world, view;
};

/// The cursor in back-buffer pixels, from its place in the 3D area's client coordinates and the size
/// of that area. On a scaled display a program without DPI awareness reads logical cursor and window
/// coordinates while a full-screen back buffer has the physical pixels, and a windowed back buffer
/// can lag a resize; Present stretches the back buffer over the whole area, so each axis scales on
/// its own. An empty area leaves the cursor as it is.
D3DXVECTOR2 CursorInBackBuffer(POINT cursor, SIZE area, UINT backBufferWidth, UINT backBufferHeight);
/// A point on the screen (a press where it was made) over window (the one rendered into) as
/// CursorInBackBuffer gives it; false when the window cannot tell.
bool PointInBackBuffer(HWND window, POINT screen, UINT backBufferWidth, UINT backBufferHeight,
                       D3DXVECTOR2& cursor);
/// Reads the cursor over window (the one rendered into) as CursorInBackBuffer gives it; false when
/// the window cannot tell.
bool ReadCursorInBackBuffer(HWND window, UINT backBufferWidth, UINT backBufferHeight, D3DXVECTOR2& cursor);

/// True when the nearest thing under the cursor is a turn target; code then holds its turn.
/// A body hit nearer than every target, or no hit at all, gives false (code is set to 0 by the
/// caller). Without a loaded pick mesh only the targets are tested.
bool PickTurnTarget(const CTurnTargets& targets, CSceneMesh* pickMesh, const PickView& view, TurnCode& code);
