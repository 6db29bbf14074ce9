#include "puzzle/turn_targets.h"

#include "framework/mesh_intersect.h"
#include "framework/scene_mesh.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr float kTargetPlane = 9.06f; // just above the facet edges
constexpr float kEdge = 9.05f;        // the facet edges on the cube's outline
constexpr float kFacetCentre = 6.05f;
// The three facets along an edge: where each one's base starts and ends, and its centre.
constexpr float kBaseStart[3] = {-9.05f, -3.05f, 3.05f};
constexpr float kBaseEnd[3] = {-3.05f, 3.05f, 9.05f};
constexpr float kApexAlong[3] = {-kFacetCentre, 0.0f, kFacetCentre};

enum Axis { X, Y, Z };

/// One edge of one face: the face's outward normal, the edge that holds the bases, the axis the
/// edge runs along (the turn axis), and the targets and turn codes of its three facets, from the
/// facet at -6.05 along the edge to the one at +6.05. Target numbers start at 1.
struct EdgeRow {
    Axis normalAxis;
    int normalSign;
    Axis crossAxis;
    int crossSign;
    Axis alongAxis;
    int target[3];
    TurnCode code[3];
};

constexpr EdgeRow kEdgeRows[] = {
    {Y, +1, X, -1, Z, {1, 2, 3}, {1, 2, 3}},       {Y, +1, Z, +1, X, {4, 5, 6}, {4, 5, 6}},
    {Y, +1, X, +1, Z, {9, 8, 7}, {9, 8, 7}},       {Y, +1, Z, -1, X, {12, 11, 10}, {12, 11, 10}},
    {Z, -1, X, -1, Y, {13, 14, 15}, {13, 14, 15}}, {Z, -1, Y, +1, X, {16, 17, 18}, {4, 5, 6}},
    {Z, -1, X, +1, Y, {21, 20, 19}, {18, 17, 16}}, {Z, -1, Y, -1, X, {24, 23, 22}, {12, 11, 10}},
    {X, -1, Z, +1, Y, {25, 26, 27}, {13, 14, 15}}, {X, -1, Y, +1, Z, {30, 29, 28}, {9, 8, 7}},
    {X, -1, Z, -1, Y, {33, 32, 31}, {18, 17, 16}}, {X, -1, Y, -1, Z, {34, 35, 36}, {1, 2, 3}},
    {Y, -1, X, -1, Z, {37, 38, 39}, {9, 8, 7}},    {Y, -1, Z, +1, X, {40, 41, 42}, {12, 11, 10}},
    {Y, -1, X, +1, Z, {45, 44, 43}, {1, 2, 3}},    {Y, -1, Z, -1, X, {48, 47, 46}, {4, 5, 6}},
    {Z, +1, X, -1, Y, {49, 50, 51}, {18, 17, 16}}, {Z, +1, Y, +1, X, {52, 53, 54}, {12, 11, 10}},
    {Z, +1, X, +1, Y, {57, 56, 55}, {13, 14, 15}}, {Z, +1, Y, -1, X, {60, 59, 58}, {4, 5, 6}},
    {X, +1, Z, +1, Y, {61, 62, 63}, {18, 17, 16}}, {X, +1, Y, +1, Z, {66, 65, 64}, {1, 2, 3}},
    {X, +1, Z, -1, Y, {69, 68, 67}, {13, 14, 15}}, {X, +1, Y, -1, Z, {70, 71, 72}, {9, 8, 7}},
};
static_assert(sizeof kEdgeRows / sizeof kEdgeRows[0] * 3 == CTurnTargets::kTargetCount);

D3DXVECTOR3 Point(const EdgeRow& row, float cross, float along)
{
    float c[3] = {0, 0, 0};
    c[row.normalAxis] = row.normalSign * kTargetPlane;
    c[row.crossAxis] = row.crossSign * cross;
    c[row.alongAxis] = along;
    return D3DXVECTOR3(c[0], c[1], c[2]);
}

std::array<D3DXVECTOR3, CTurnTargets::kVertexCount> TargetCorners()
{
    std::array<D3DXVECTOR3, CTurnTargets::kVertexCount> corners{};
    for (const EdgeRow& row : kEdgeRows)
        for (int facet = 0; facet < 3; ++facet) {
            const int first = 3 * (row.target[facet] - 1);
            corners[first] = Point(row, kEdge, kBaseStart[facet]);
            corners[first + 1] = Point(row, kEdge, kBaseEnd[facet]);
            corners[first + 2] = Point(row, kFacetCentre, kApexAlong[facet]);
        }
    return corners;
}

struct PickHit {
    float distance;
    TurnCode code;
};

} // namespace

TurnCode CTurnTargets::Code(int target)
{
    for (const EdgeRow& row : kEdgeRows)
        for (int facet = 0; facet < 3; ++facet)
            if (row.target[facet] == target + 1) return row.code[facet];
    return 0;
}

HRESULT CTurnTargets::BuildTurnTargets(IDirect3DDevice9* device)
{
    const std::array<D3DXVECTOR3, kVertexCount> corners = TargetCorners();
    constexpr UINT kBytes = kVertexCount * sizeof(D3DXVECTOR3);
    vertexBuffer.Reset();
    if (FAILED(device->CreateVertexBuffer(kBytes, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vertexBuffer, nullptr)))
        return E_FAIL;
    void* data = nullptr;
    if (FAILED(vertexBuffer->Lock(0, 0, &data, 0))) return E_FAIL;
    std::memcpy(data, corners.data(), kBytes);
    if (FAILED(vertexBuffer->Unlock())) return E_FAIL;
    positions = corners;
    built = true;
    return S_OK;
}

D3DXVECTOR2 CursorInBackBuffer(POINT cursor, SIZE area, UINT backBufferWidth, UINT backBufferHeight)
{
    D3DXVECTOR2 pixel(static_cast<float>(cursor.x), static_cast<float>(cursor.y));
    if (area.cx > 0) pixel.x *= static_cast<float>(backBufferWidth) / static_cast<float>(area.cx);
    if (area.cy > 0) pixel.y *= static_cast<float>(backBufferHeight) / static_cast<float>(area.cy);
    return pixel;
}

bool PointInBackBuffer(HWND window, POINT screen, UINT backBufferWidth, UINT backBufferHeight,
                       D3DXVECTOR2& cursor)
{
    // Client coordinates in both modes: a full-screen popup need not sit at the primary
    // monitor's corner.
    RECT client;
    if (!ScreenToClient(window, &screen) || !GetClientRect(window, &client)) return false;
    cursor = CursorInBackBuffer(screen, {client.right - client.left, client.bottom - client.top},
                                backBufferWidth, backBufferHeight);
    return true;
}

bool ReadCursorInBackBuffer(HWND window, UINT backBufferWidth, UINT backBufferHeight, D3DXVECTOR2& cursor)
{
    POINT screen;
    return GetCursorPos(&screen) &&
           PointInBackBuffer(window, screen, backBufferWidth, backBufferHeight, cursor);
}

bool PickTurnTarget(const CTurnTargets& targets, CSceneMesh* pickMesh, const PickView& view, TurnCode& code)
{
    const float width = static_cast<float>(view.backBufferWidth);
    const float height = static_cast<float>(view.backBufferHeight);
    const float vx = (2.0f * view.cursorX / width - 1.0f) / view.projection._11;
    const float vy = -(2.0f * view.cursorY / height - 1.0f) / view.projection._22;
    const float vz = 1.0f;

    D3DXMATRIX worldView, n;
    D3DXMatrixMultiply(&worldView, &view.world, &view.view);
    D3DXMatrixInverse(&n, nullptr, &worldView);
    const D3DXVECTOR3 direction(vx * n._11 + vy * n._21 + vz * n._31, vx * n._12 + vy * n._22 + vz * n._32,
                                vx * n._13 + vy * n._23 + vz * n._33);
    const D3DXVECTOR3 origin(n._41, n._42, n._43);

    std::vector<PickHit> hits;
    // The system-memory copy: the device copy is write-only, made for drawing.
    if (pickMesh && pickMesh->SystemMesh()) {
        bool hit = false;
        float distance = 0;
        if (SUCCEEDED(IntersectMesh(pickMesh->SystemMesh(), origin, direction, hit, distance)) && hit)
            hits.push_back({distance, 0});
    }
    if (targets.Built())
        for (int t = 0; t < CTurnTargets::kTargetCount; ++t) {
            float u = 0, v = 0, distance = 0;
            if (D3DXIntersectTri(&targets.Corner(t, 0), &targets.Corner(t, 1), &targets.Corner(t, 2), &origin,
                                 &direction, &u, &v, &distance))
                hits.push_back({distance, CTurnTargets::Code(t)});
        }
    // Among equal distances the body, then the lower target number, stays first.
    std::stable_sort(hits.begin(), hits.end(),
                     [](const PickHit& a, const PickHit& b) { return a.distance < b.distance; });
    if (hits.empty()) return false;
    code = hits.front().code;
    return code != 0;
}
