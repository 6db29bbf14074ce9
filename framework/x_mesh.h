#pragma once
// Meshes from X-file data, built without D3DXLoadMeshFromXof (missing in Wine, where calling it
// aborts the process): the parsed data objects are read as whole blocks, every count is checked
// against the block's real size, and the mesh is made with the D3DX creation calls.
// Also the parser set-up shared by every X reader of the game.

#include <d3dx9.h>
#include <dxfile.h>
#include <wrl/client.h>

#include <string>
#include <vector>

/// The code for model data that is malformed (wrong counts, indices out of range).
constexpr HRESULT kBadModelData = static_cast<HRESULT>(D3DXERR_INVALIDDATA);

/// One material as the model gives it; textureName is empty when the material has none.
struct XMaterial {
    D3DMATERIAL9 material;
    std::string textureName;
};

/// A mesh as read from the model: polygons of any size, with optional normals and coordinates.
struct XMeshData {
    std::vector<D3DXVECTOR3> positions;
    std::vector<DWORD> faceSizes;      ///< corners per face
    std::vector<DWORD> faceIndices;    ///< all faces' position indices, in order
    std::vector<D3DXVECTOR3> normals;  ///< empty when the model has none
    std::vector<DWORD> normalIndices;  ///< per corner, parallel to faceIndices
    std::vector<D3DXVECTOR2> texCoords; ///< one per position, or empty
    std::vector<DWORD> faceMaterials;  ///< one per face
    std::vector<XMaterial> materials;
};

/// Creates the parser with the standard templates registered and enumerates the X data in memory.
/// The bytes must stay valid until the enumerator has been released.
HRESULT OpenXData(const void* bytes, DWORD size, Microsoft::WRL::ComPtr<IDirectXFile>& file,
                  Microsoft::WRL::ComPtr<IDirectXFileEnumObject>& objects);

/// Template type of a data object, GUID_NULL when it cannot be read.
GUID XObjectType(IDirectXFileData* object);

/// Reads a Mesh data object and its normals, texture coordinates and material list.
HRESULT ReadXMesh(IDirectXFileData* meshObject, XMeshData& mesh);

/// Reads the 16 floats of a FrameTransformMatrix data object.
HRESULT ReadXMatrix(IDirectXFileData* matrixObject, D3DXMATRIX& matrix);

/// Appends part to whole, its positions and normals carried through transform.
void AppendXMesh(XMeshData& whole, const XMeshData& part, const D3DXMATRIX& transform);

/// Builds a system-memory D3DX mesh: polygons as triangle fans, faces sorted by material, the
/// attribute table set. Normals are computed from the faces when the model has none.
HRESULT CreateMeshFromXData(IDirect3DDevice9* device, const XMeshData& data, ID3DXMesh** mesh);
