#include "framework/mesh_intersect.h"

HRESULT IntersectMesh(ID3DXMesh* mesh, const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, bool& hit,
                      float& distance)
{
    hit = false;
    distance = 0;
    if (!mesh) return E_INVALIDARG;
    const DWORD stride = mesh->GetNumBytesPerVertex(), vertexCount = mesh->GetNumVertices();
    const DWORD faceCount = mesh->GetNumFaces();
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    void* vertexData = nullptr;
    void* indexData = nullptr;
    HRESULT hr = mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertexData);
    if (FAILED(hr)) return hr;
    hr = mesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData);
    if (FAILED(hr)) {
        mesh->UnlockVertexBuffer();
        return hr;
    }
    const BYTE* vertices = static_cast<const BYTE*>(vertexData);
    auto position = [&](DWORD index) { return reinterpret_cast<const D3DXVECTOR3*>(vertices + index * stride); };
    for (DWORD face = 0; face < faceCount; ++face) {
        DWORD corner[3];
        for (int k = 0; k < 3; ++k)
            corner[k] = wide ? static_cast<const DWORD*>(indexData)[3 * face + k]
                             : static_cast<const WORD*>(indexData)[3 * face + k];
        if (corner[0] >= vertexCount || corner[1] >= vertexCount || corner[2] >= vertexCount) continue;
        float u = 0, v = 0, along = 0;
        if (D3DXIntersectTri(position(corner[0]), position(corner[1]), position(corner[2]), &origin, &direction, &u,
                             &v, &along) &&
            (!hit || along < distance)) {
            hit = true;
            distance = along;
        }
    }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    return S_OK;
}
