#pragma once
// Ray against mesh, in place of D3DXIntersect (E_NOTIMPL in Wine): every triangle is tested with
// D3DXIntersectTri, which works there, and the nearest hit is kept.

#include <d3dx9mesh.h>

/// Sets hit and, on a hit, the distance along direction (in units of its length) to the nearest
/// triangle. Positions are the first three floats of each vertex.
HRESULT IntersectMesh(ID3DXMesh* mesh, const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, bool& hit,
                      float& distance);
