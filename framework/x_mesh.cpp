#include "framework/x_mesh.h"

#include "framework/x_templates.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kMaxTextureNameLength = 259;
constexpr DWORD kStringMemberSize = sizeof(char*); // the parser stores a STRING member as a pointer

/// Walks one data block of the parser by template layout; every read is checked against its size.
class BlockReader {
public:
    BlockReader(const void* data, DWORD size) : bytes(static_cast<const BYTE*>(data)), size(data ? size : 0) {}

    bool Dword(DWORD& value) { return Copy(&value, sizeof value); }
    bool Floats(float* values, DWORD count) { return Copy(values, count * sizeof(float)); }
    /// Whether count items of itemSize bytes are still left: guards every array read from the file.
    bool Holds(DWORD count, DWORD itemSize) const
    {
        return static_cast<std::uint64_t>(count) * itemSize <= size - offset;
    }
    bool Pointer(const char*& value) { return Copy(&value, kStringMemberSize); }

private:
    bool Copy(void* out, std::size_t length)
    {
        if (length > size - offset) return false;
        std::memcpy(out, bytes + offset, length);
        offset += static_cast<DWORD>(length);
        return true;
    }

    const BYTE* bytes;
    DWORD size;
    DWORD offset = 0;
};

HRESULT WholeBlock(IDirectXFileData* object, BlockReader& reader)
{
    DWORD size = 0;
    void* data = nullptr;
    const HRESULT hr = object->GetData(nullptr, &size, &data);
    if (FAILED(hr)) return hr;
    reader = BlockReader(data, size);
    return S_OK;
}

bool ReadVectors(BlockReader& block, std::vector<D3DXVECTOR3>& out)
{
    DWORD count = 0;
    if (!block.Dword(count) || !block.Holds(count, sizeof(D3DXVECTOR3))) return false;
    out.resize(count);
    return count == 0 || block.Floats(&out[0].x, count * 3);
}

/// Reads an array of MeshFace records; every index must be below limit.
bool ReadFaces(BlockReader& block, DWORD limit, std::vector<DWORD>& sizes, std::vector<DWORD>& indices)
{
    DWORD faceCount = 0;
    if (!block.Dword(faceCount) || !block.Holds(faceCount, sizeof(DWORD))) return false;
    sizes.clear();
    indices.clear();
    sizes.reserve(faceCount);
    for (DWORD f = 0; f < faceCount; ++f) {
        DWORD corners = 0;
        if (!block.Dword(corners) || corners < 3 || !block.Holds(corners, sizeof(DWORD))) return false;
        sizes.push_back(corners);
        for (DWORD k = 0; k < corners; ++k) {
            DWORD index = 0;
            if (!block.Dword(index) || index >= limit) return false;
            indices.push_back(index);
        }
    }
    return true;
}

/// Runs visit on every child data object, references resolved, binary children skipped.
template <typename Visit> HRESULT ForEachChild(IDirectXFileData* parent, Visit visit)
{
    for (;;) {
        ComPtr<IDirectXFileObject> child;
        if (FAILED(parent->GetNextObject(&child)) || !child) return S_OK;
        ComPtr<IDirectXFileData> data;
        if (FAILED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(data.GetAddressOf())))) {
            ComPtr<IDirectXFileDataReference> reference;
            if (FAILED(child->QueryInterface(IID_IDirectXFileDataReference,
                                             reinterpret_cast<void**>(reference.GetAddressOf()))) ||
                FAILED(reference->Resolve(&data)) || !data)
                continue;
        }
        const HRESULT hr = visit(data.Get());
        if (FAILED(hr)) return hr;
    }
}

HRESULT ReadNormals(IDirectXFileData* object, XMeshData& mesh)
{
    BlockReader block(nullptr, 0);
    HRESULT hr = WholeBlock(object, block);
    if (FAILED(hr)) return hr;
    std::vector<DWORD> sizes;
    if (!ReadVectors(block, mesh.normals) ||
        !ReadFaces(block, static_cast<DWORD>(mesh.normals.size()), sizes, mesh.normalIndices) ||
        sizes != mesh.faceSizes)
        return kBadModelData;
    return S_OK;
}

HRESULT ReadTexCoords(IDirectXFileData* object, XMeshData& mesh)
{
    BlockReader block(nullptr, 0);
    HRESULT hr = WholeBlock(object, block);
    if (FAILED(hr)) return hr;
    DWORD count = 0;
    if (!block.Dword(count) || count != mesh.positions.size() || !block.Holds(count, sizeof(D3DXVECTOR2)))
        return kBadModelData;
    mesh.texCoords.resize(count);
    if (count && !block.Floats(&mesh.texCoords[0].x, count * 2)) return kBadModelData;
    return S_OK;
}

HRESULT ReadTextureName(IDirectXFileData* object, std::string& name)
{
    BlockReader block(nullptr, 0);
    HRESULT hr = WholeBlock(object, block);
    if (FAILED(hr)) return hr;
    const char* text = nullptr;
    if (!block.Pointer(text)) return kBadModelData;
    name.clear();
    if (text) name.assign(text, strnlen(text, kMaxTextureNameLength + 1));
    if (name.size() > kMaxTextureNameLength) return kBadModelData;
    return S_OK;
}

HRESULT ReadMaterial(IDirectXFileData* object, XMaterial& out)
{
    BlockReader block(nullptr, 0);
    HRESULT hr = WholeBlock(object, block);
    if (FAILED(hr)) return hr;
    float values[11];
    if (!block.Floats(values, 11)) return kBadModelData;
    D3DMATERIAL9& m = out.material;
    m = D3DMATERIAL9{};
    m.Diffuse = {values[0], values[1], values[2], values[3]};
    m.Power = values[4];
    m.Specular = {values[5], values[6], values[7], 1.0f};
    m.Emissive = {values[8], values[9], values[10], 1.0f};
    out.textureName.clear();
    return ForEachChild(object, [&](IDirectXFileData* child) {
        return XObjectType(child) == x_templates::kTextureFilename ? ReadTextureName(child, out.textureName) : S_OK;
    });
}

HRESULT ReadMaterialList(IDirectXFileData* object, XMeshData& mesh)
{
    BlockReader block(nullptr, 0);
    HRESULT hr = WholeBlock(object, block);
    if (FAILED(hr)) return hr;
    DWORD materialCount = 0, indexCount = 0;
    if (!block.Dword(materialCount) || !block.Dword(indexCount) || !block.Holds(indexCount, sizeof(DWORD)))
        return kBadModelData;
    const DWORD faceCount = static_cast<DWORD>(mesh.faceSizes.size());
    if (indexCount > faceCount || (indexCount == 0 && faceCount > 0)) return kBadModelData;
    mesh.faceMaterials.resize(faceCount);
    for (DWORD f = 0; f < indexCount; ++f)
        if (!block.Dword(mesh.faceMaterials[f]) || mesh.faceMaterials[f] >= materialCount)
            return kBadModelData;
    // Faces the list leaves out keep the last material listed.
    for (DWORD f = indexCount; f < faceCount; ++f) mesh.faceMaterials[f] = mesh.faceMaterials[indexCount - 1];

    mesh.materials.clear();
    hr = ForEachChild(object, [&](IDirectXFileData* child) {
        if (XObjectType(child) != x_templates::kMaterial) return S_OK;
        if (mesh.materials.size() >= materialCount) return kBadModelData;
        XMaterial material;
        const HRESULT read = ReadMaterial(child, material);
        if (SUCCEEDED(read)) mesh.materials.push_back(material);
        return read;
    });
    if (FAILED(hr)) return hr;
    return mesh.materials.size() == materialCount ? S_OK : kBadModelData;
}

XMaterial DefaultMaterial()
{
    XMaterial material{};
    material.material.Diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    return material;
}

D3DXVECTOR3 FaceNormal(const XMeshData& data, std::size_t first)
{
    const D3DXVECTOR3& a = data.positions[data.faceIndices[first]];
    const D3DXVECTOR3 ab = data.positions[data.faceIndices[first + 1]] - a;
    const D3DXVECTOR3 ac = data.positions[data.faceIndices[first + 2]] - a;
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &ab, &ac);
    return n;
}

struct Triangle {
    DWORD corner[3];
    DWORD material;
};

struct MeshVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR2 texCoord;
};

/// Writes vertices into a locked buffer of the mesh's vertex layout.
void StoreVertices(BYTE* out, DWORD stride, bool textured, const std::vector<MeshVertex>& vertices)
{
    for (const MeshVertex& v : vertices) {
        std::memcpy(out, &v.position, sizeof v.position);
        std::memcpy(out + sizeof v.position, &v.normal, sizeof v.normal);
        if (textured) std::memcpy(out + 2 * sizeof(D3DXVECTOR3), &v.texCoord, sizeof v.texCoord);
        out += stride;
    }
}

} // namespace

HRESULT OpenXData(const void* bytes, DWORD size, ComPtr<IDirectXFile>& file, ComPtr<IDirectXFileEnumObject>& objects)
{
    file.Reset();
    objects.Reset();
    if (FAILED(DirectXFileCreate(&file))) return E_FAIL;
    if (FAILED(file->RegisterTemplates(const_cast<char*>(x_templates::Text()),
                                       static_cast<DWORD>(x_templates::TextSize())))) {
        file.Reset();
        return E_FAIL;
    }
    DXFILELOADMEMORY memory{const_cast<void*>(bytes), size};
    const HRESULT hr = file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &objects);
    if (FAILED(hr)) file.Reset();
    return hr;
}

GUID XObjectType(IDirectXFileData* object)
{
    const GUID* type = nullptr;
    if (FAILED(object->GetType(&type)) || !type) return GUID_NULL;
    return *type;
}

HRESULT ReadXMesh(IDirectXFileData* meshObject, XMeshData& mesh)
{
    mesh = XMeshData{};
    BlockReader block(nullptr, 0);
    HRESULT hr = WholeBlock(meshObject, block);
    if (FAILED(hr)) return hr;
    if (!ReadVectors(block, mesh.positions) ||
        !ReadFaces(block, static_cast<DWORD>(mesh.positions.size()), mesh.faceSizes, mesh.faceIndices))
        return kBadModelData;

    hr = ForEachChild(meshObject, [&](IDirectXFileData* child) {
        const GUID type = XObjectType(child);
        if (type == x_templates::kMeshNormals) return ReadNormals(child, mesh);
        if (type == x_templates::kMeshTextureCoords) return ReadTexCoords(child, mesh);
        if (type == x_templates::kMeshMaterialList) return ReadMaterialList(child, mesh);
        return S_OK;
    });
    if (FAILED(hr)) return hr;
    if (mesh.materials.empty()) {
        mesh.materials.push_back(DefaultMaterial());
        mesh.faceMaterials.assign(mesh.faceSizes.size(), 0);
    }
    return S_OK;
}

HRESULT ReadXMatrix(IDirectXFileData* matrixObject, D3DXMATRIX& matrix)
{
    BlockReader block(nullptr, 0);
    const HRESULT hr = WholeBlock(matrixObject, block);
    if (FAILED(hr)) return hr;
    return block.Floats(&matrix._11, 16) ? S_OK : kBadModelData;
}

void AppendXMesh(XMeshData& whole, const XMeshData& part, const D3DXMATRIX& transform)
{
    const DWORD positionBase = static_cast<DWORD>(whole.positions.size());
    const DWORD normalBase = static_cast<DWORD>(whole.normals.size());
    const DWORD materialBase = static_cast<DWORD>(whole.materials.size());
    // Models mixing meshes with and without normals or coordinates get neutral fill-ins.
    const bool wholeHasNormals = !whole.normals.empty() || whole.faceIndices.empty();
    if (whole.texCoords.empty() && !part.texCoords.empty()) whole.texCoords.resize(positionBase);

    for (const D3DXVECTOR3& p : part.positions) {
        D3DXVECTOR3 moved;
        D3DXVec3TransformCoord(&moved, &p, &transform);
        whole.positions.push_back(moved);
    }
    whole.faceSizes.insert(whole.faceSizes.end(), part.faceSizes.begin(), part.faceSizes.end());
    for (DWORD index : part.faceIndices) whole.faceIndices.push_back(positionBase + index);

    if (!part.normals.empty() && wholeHasNormals) {
        for (const D3DXVECTOR3& n : part.normals) {
            D3DXVECTOR3 turned;
            D3DXVec3TransformNormal(&turned, &n, &transform);
            D3DXVec3Normalize(&turned, &turned);
            whole.normals.push_back(turned);
        }
        for (DWORD index : part.normalIndices) whole.normalIndices.push_back(normalBase + index);
    } else {
        // Without normals for every part, all normals are recomputed from the faces.
        whole.normals.clear();
        whole.normalIndices.clear();
    }
    if (!whole.texCoords.empty()) {
        if (part.texCoords.empty()) whole.texCoords.resize(whole.positions.size(), D3DXVECTOR2(0, 0));
        else whole.texCoords.insert(whole.texCoords.end(), part.texCoords.begin(), part.texCoords.end());
    }
    for (DWORD material : part.faceMaterials) whole.faceMaterials.push_back(materialBase + material);
    whole.materials.insert(whole.materials.end(), part.materials.begin(), part.materials.end());
}

HRESULT CreateMeshFromXData(IDirect3DDevice9* device, const XMeshData& data, ID3DXMesh** result)
{
    *result = nullptr;
    const bool hasNormals = !data.normals.empty() && data.normalIndices.size() == data.faceIndices.size();
    const bool textured = !data.texCoords.empty() && data.texCoords.size() == data.positions.size();
    if (data.faceSizes.size() != data.faceMaterials.size()) return kBadModelData;

    // Corners become vertices: one per distinct (position, normal) pair.
    std::vector<D3DXVECTOR3> smoothNormals;
    if (!hasNormals) smoothNormals.assign(data.positions.size(), D3DXVECTOR3(0, 0, 0));
    std::vector<MeshVertex> vertices;
    std::vector<DWORD> cornerVertex(data.faceIndices.size());
    std::unordered_map<std::uint64_t, DWORD> seen;
    std::vector<Triangle> triangles;
    std::size_t first = 0;
    for (std::size_t f = 0; f < data.faceSizes.size(); ++f) {
        const DWORD corners = data.faceSizes[f];
        if (first + corners > data.faceIndices.size()) return kBadModelData;
        if (data.faceMaterials[f] >= data.materials.size()) return kBadModelData;
        if (!hasNormals) {
            const D3DXVECTOR3 n = FaceNormal(data, first);
            for (DWORD k = 0; k < corners; ++k) smoothNormals[data.faceIndices[first + k]] += n;
        }
        for (DWORD k = 0; k < corners; ++k) {
            const DWORD position = data.faceIndices[first + k];
            const DWORD normal = hasNormals ? data.normalIndices[first + k] : position;
            const std::uint64_t key = (static_cast<std::uint64_t>(position) << 32) | normal;
            auto found = seen.find(key);
            if (found == seen.end()) {
                found = seen.emplace(key, static_cast<DWORD>(vertices.size())).first;
                MeshVertex v{data.positions[position], hasNormals ? data.normals[normal] : D3DXVECTOR3(0, 0, 0),
                             textured ? data.texCoords[position] : D3DXVECTOR2(0, 0)};
                vertices.push_back(v);
            }
            cornerVertex[first + k] = found->second;
        }
        for (DWORD k = 1; k + 1 < corners; ++k)
            triangles.push_back({{cornerVertex[first], cornerVertex[first + k], cornerVertex[first + k + 1]},
                                 data.faceMaterials[f]});
        first += corners;
    }
    if (!hasNormals) {
        std::vector<DWORD> vertexPosition(vertices.size());
        for (const auto& entry : seen) vertexPosition[entry.second] = static_cast<DWORD>(entry.first >> 32);
        for (std::size_t v = 0; v < vertices.size(); ++v)
            D3DXVec3Normalize(&vertices[v].normal, &smoothNormals[vertexPosition[v]]);
    }
    if (triangles.empty() || vertices.empty()) return kBadModelData;
    std::stable_sort(triangles.begin(), triangles.end(),
                     [](const Triangle& a, const Triangle& b) { return a.material < b.material; });

    const bool wide = vertices.size() > 0xFFFF || triangles.size() > 0xFFFF;
    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | (textured ? D3DFVF_TEX1 : 0);
    ComPtr<ID3DXMesh> mesh;
    HRESULT hr = D3DXCreateMeshFVF(static_cast<DWORD>(triangles.size()), static_cast<DWORD>(vertices.size()),
                                   D3DXMESH_SYSTEMMEM | (wide ? D3DXMESH_32BIT : 0), fvf, device, &mesh);
    if (FAILED(hr)) return hr;

    void* vertexData = nullptr;
    if (FAILED(hr = mesh->LockVertexBuffer(0, &vertexData))) return hr;
    StoreVertices(static_cast<BYTE*>(vertexData), mesh->GetNumBytesPerVertex(), textured, vertices);
    mesh->UnlockVertexBuffer();

    void* indexData = nullptr;
    if (FAILED(hr = mesh->LockIndexBuffer(0, &indexData))) return hr;
    for (std::size_t t = 0; t < triangles.size(); ++t)
        for (int k = 0; k < 3; ++k) {
            if (wide) static_cast<DWORD*>(indexData)[3 * t + k] = triangles[t].corner[k];
            else static_cast<WORD*>(indexData)[3 * t + k] = static_cast<WORD>(triangles[t].corner[k]);
        }
    mesh->UnlockIndexBuffer();

    DWORD* attributes = nullptr;
    if (FAILED(hr = mesh->LockAttributeBuffer(0, &attributes))) return hr;
    for (std::size_t t = 0; t < triangles.size(); ++t) attributes[t] = triangles[t].material;
    mesh->UnlockAttributeBuffer();

    // The faces are already sorted by material; the table tells DrawSubset where each subset lies.
    std::vector<D3DXATTRIBUTERANGE> table;
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        if (table.empty() || table.back().AttribId != triangles[t].material)
            table.push_back({triangles[t].material, static_cast<DWORD>(t), 0, 0xFFFFFFFF, 0});
        D3DXATTRIBUTERANGE& range = table.back();
        ++range.FaceCount;
        for (DWORD corner : triangles[t].corner) {
            const DWORD end = std::max(range.VertexStart == 0xFFFFFFFF ? 0 : range.VertexStart + range.VertexCount,
                                       corner + 1);
            range.VertexStart = std::min(range.VertexStart, corner);
            range.VertexCount = end - range.VertexStart;
        }
    }
    if (FAILED(hr = mesh->SetAttributeTable(table.data(), static_cast<DWORD>(table.size())))) return hr;
    *result = mesh.Detach();
    return S_OK;
}
