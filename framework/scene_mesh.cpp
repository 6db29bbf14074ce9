#include "framework/scene_mesh.h"

#include "shell/media_lookup.h"

#include "framework/code_page_1251.h"
#include "framework/data_file.h"
#include "framework/file_path_1251.h"
#include "framework/x_mesh.h"
#include "framework/x_templates.h"

#include <memory>
#include <new>

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kMaxModelFileSize = 256u * 1024 * 1024;
/// The device copy is only drawn, never read back: write-only. Dynamic as well, which the
/// documentation allows for any buffer: it is then the same kind of buffer as the ones refilled
/// every frame (framework/stream_buffer.h), and Wine's wined3d, which gives each kind of buffer a
/// 64 MiB block of the graphics driver's memory of its own, needs one block for all of them.
constexpr DWORD kDeviceCopyOptions = D3DXMESH_DYNAMIC | D3DXMESH_WRITEONLY;

/// Where a model or texture file named in the game is found. The lookup's result is not needed:
/// on failure the buffer holds the name as given (or nothing), and opening it then fails.
void LocateFile(const char* fileName, char (&path)[MAX_PATH])
{
    LocateMediaFile(path, MAX_PATH, fileName);
}

HRESULT ReadWholeFile(const char* path, std::unique_ptr<BYTE[]>& bytes, DWORD& size)
{
    HANDLE file = OpenForReading1251(path, FILE_SHARE_READ);
    if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    LARGE_INTEGER length{};
    HRESULT hr = S_OK;
    if (!GetFileSizeEx(file, &length)) hr = HRESULT_FROM_WIN32(GetLastError());
    else if (length.QuadPart > kMaxModelFileSize) hr = kBadModelData;
    else {
        size = static_cast<DWORD>(length.QuadPart);
        bytes.reset(new (std::nothrow) BYTE[size + 1]);
        DWORD read = 0;
        if (!bytes) hr = E_OUTOFMEMORY;
        else if (!ReadFile(file, bytes.get(), size, &read, nullptr) || read != size) hr = E_FAIL;
        else bytes[size] = 0;
    }
    CloseHandle(file);
    return hr;
}

/// The file read ahead under name, if any.
const std::vector<BYTE>* FindFile(const TextureFiles* files, const std::string& name)
{
    if (!files) return nullptr;
    const auto found = files->find(name);
    return found == files->end() ? nullptr : &found->second;
}

/// One frame of a model file: its own transform, its meshes and its child frames.
struct ModelFrame {
    D3DXMATRIX local;
    std::vector<XMeshData> meshes;
    std::vector<ModelFrame> children;
    ModelFrame() { D3DXMatrixIdentity(&local); }
};

HRESULT ReadModelObject(IDirectXFileData* object, ModelFrame& parent)
{
    const GUID type = XObjectType(object);
    if (type == x_templates::kMesh) {
        parent.meshes.emplace_back();
        return ReadXMesh(object, parent.meshes.back());
    }
    if (type == x_templates::kFrameTransformMatrix) return ReadXMatrix(object, parent.local);
    if (type != x_templates::kFrame) return S_OK;
    parent.children.emplace_back();
    ModelFrame& frame = parent.children.back();
    for (;;) {
        ComPtr<IDirectXFileObject> child;
        if (FAILED(object->GetNextObject(&child)) || !child) return S_OK;
        ComPtr<IDirectXFileData> data;
        if (FAILED(
                child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(data.GetAddressOf()))))
            continue;
        const HRESULT hr = ReadModelObject(data.Get(), frame);
        if (FAILED(hr)) return hr;
    }
}

void MergeModelFrame(const ModelFrame& frame, const D3DXMATRIX& parentWorld, XMeshData& merged)
{
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &frame.local, &parentWorld);
    for (const XMeshData& mesh : frame.meshes) AppendXMesh(merged, mesh, world);
    for (const ModelFrame& child : frame.children) MergeModelFrame(child, world, merged);
}

/// Mesh optimisation where the platform has it; Wine answers E_NOTIMPL and the mesh stays as built.
HRESULT OptimizeWherePossible(ID3DXMesh* mesh)
{
    std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
    if (FAILED(mesh->GenerateAdjacency(0.0f, adjacency.data()))) return S_OK; // optimisation is optional
    const HRESULT hr =
        mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                              adjacency.data(), nullptr, nullptr, nullptr);
    return hr == E_NOTIMPL ? S_OK : hr;
}

} // namespace

CSceneMesh::CSceneMesh(const char* meshName) { lstrcpynA(name, meshName ? meshName : "", sizeof name); }

CSceneMesh::~CSceneMesh() { Destroy(); }

HRESULT CSceneMesh::CreateFromSceneData(IDirect3DDevice9* device, const XMeshData& data, SceneTextures& sceneTextures)
{
    ComPtr<ID3DXMesh> mesh;
    const HRESULT hr = CreateMeshFromXData(device, data, &mesh);
    if (FAILED(hr)) return hr;
    return TakeMesh(device, mesh.Get(), data, TextureSource::DataFile, &sceneTextures);
}

HRESULT CSceneMesh::Create(IDirect3DDevice9* device, const char* fileName)
{
    XMeshData merged;
    const HRESULT hr = ReadModelFile(fileName, merged);
    if (FAILED(hr)) return hr;
    return CreateFromModel(device, merged);
}

HRESULT CSceneMesh::CreateFromModelBytes(IDirect3DDevice9* device, const void* bytes, DWORD size)
{
    XMeshData merged;
    const HRESULT hr = ReadModelBytes(bytes, size, merged);
    if (FAILED(hr)) return hr;
    return CreateFromModel(device, merged);
}

HRESULT CSceneMesh::ReadModelFile(const char* fileName, XMeshData& merged)
{
    char path[MAX_PATH];
    LocateFile(fileName, path);
    std::unique_ptr<BYTE[]> bytes;
    DWORD size = 0;
    const HRESULT hr = ReadWholeFile(path, bytes, size);
    if (FAILED(hr)) return hr;
    return ReadModelBytes(bytes.get(), size, merged);
}

HRESULT CSceneMesh::ReadModelBytes(const void* bytes, DWORD size, XMeshData& merged)
{
    ComPtr<IDirectXFile> file;
    ComPtr<IDirectXFileEnumObject> objects;
    HRESULT hr = OpenXData(bytes, size, file, objects);
    if (FAILED(hr)) return hr;
    ModelFrame top;
    for (;;) {
        ComPtr<IDirectXFileData> object;
        if (FAILED(objects->GetNextDataObject(&object)) || !object) break;
        if (FAILED(hr = ReadModelObject(object.Get(), top))) return hr;
    }
    // Transforms at the top level belong to no frame; the model's own frames carry the placement.
    D3DXMatrixIdentity(&top.local);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    merged = XMeshData{};
    MergeModelFrame(top, identity, merged);
    return merged.faceSizes.empty() ? kBadModelData : S_OK;
}

HRESULT CSceneMesh::CreateFromModel(IDirect3DDevice9* device, const XMeshData& merged)
{
    return CreateFromModel(device, merged, TextureSource::Disk);
}

HRESULT CSceneMesh::CreateUntexturedFromModel(IDirect3DDevice9* device, const XMeshData& merged)
{
    return CreateFromModel(device, merged, TextureSource::None);
}

HRESULT CSceneMesh::CreateFromModel(IDirect3DDevice9* device, const XMeshData& merged, TextureSource source)
{
    ComPtr<ID3DXMesh> mesh;
    const HRESULT hr = CreateMeshFromXData(device, merged, &mesh);
    if (FAILED(hr)) return hr;
    return TakeMesh(device, mesh.Get(), merged, source);
}

HRESULT CSceneMesh::TakeMesh(IDirect3DDevice9* device, ID3DXMesh* mesh, const XMeshData& data, TextureSource source,
                             SceneTextures* sceneTextures)
{
    const HRESULT hr = OptimizeWherePossible(mesh);
    if (FAILED(hr)) return hr;
    Destroy();
    systemMesh = mesh;
    materialCount = static_cast<DWORD>(data.materials.size());
    materials.resize(materialCount);
    textures.resize(materialCount);
    TextureCache ownCache; // the subsets of one model name the same file many times
    TextureCache& known = sceneTextures ? sceneTextures->made : ownCache;
    const TextureFiles* files = sceneTextures ? &sceneTextures->files : nullptr;
    for (DWORD i = 0; i < materialCount; ++i) {
        materials[i] = data.materials[i].material;
        const std::string& textureName = data.materials[i].textureName;
        if (textureName.empty() || source == TextureSource::None) continue;
        auto found = known.find(textureName);
        if (found == known.end()) found = known.emplace(textureName, LoadTexture(device, textureName, source, files)).first;
        textures[i] = found->second;
    }
    return S_OK;
}

ComPtr<IDirect3DTexture9> CSceneMesh::LoadTexture(IDirect3DDevice9* device, const std::string& name,
                                                 TextureSource source, const TextureFiles* files)
{
    // A missing or undecodable texture leaves the subset untextured.
    ComPtr<IDirect3DTexture9> texture;
    if (const std::vector<BYTE>* file = FindFile(files, name)) {
        if (FAILED(D3DXCreateTextureFromFileInMemory(device, file->data(), static_cast<UINT>(file->size()), &texture)))
            texture.Reset();
    } else if (source == TextureSource::DataFile) {
        std::unique_ptr<BYTE[]> bytes;
        DWORD size = 0;
        if (ReadDataStream(name.c_str(), bytes, size) == S_OK &&
            FAILED(D3DXCreateTextureFromFileInMemory(device, bytes.get(), size, &texture)))
            texture.Reset();
    } else {
        char path[MAX_PATH];
        LocateFile(name.c_str(), path);
        if (FAILED(D3DXCreateTextureFromFileW(device, Cp1251ToWide(path).c_str(), &texture))) texture.Reset();
    }
    return texture;
}

HRESULT CSceneMesh::OnDeviceReset(IDirect3DDevice9* device)
{
    if (!systemMesh) return E_FAIL;
    deviceMesh.Reset();
    if (FAILED(systemMesh->CloneMeshFVF(kDeviceCopyOptions, systemMesh->GetFVF(), device, &deviceMesh)))
        return E_FAIL;
    return S_OK;
}

HRESULT CSceneMesh::OnDeviceLost()
{
    deviceMesh.Reset();
    return S_OK;
}

HRESULT CSceneMesh::Destroy()
{
    deviceMesh.Reset();
    textures.clear();
    materials.clear();
    systemMesh.Reset();
    materialCount = 0;
    return S_OK;
}

HRESULT CSceneMesh::DrawSubset(IDirect3DDevice9* device, DWORD subset)
{
    device->SetMaterial(&materials[subset]);
    device->SetTexture(0, textures[subset].Get());
    return deviceMesh->DrawSubset(subset);
}

HRESULT CSceneMesh::Render(IDirect3DDevice9* device, bool drawOpaque, bool drawBlended)
{
    if (!deviceMesh) return E_FAIL;
    if (drawOpaque) {
        for (DWORD i = 0; i < materialCount; ++i) {
            if (!useMaterials) {
                deviceMesh->DrawSubset(i); // a subset no face uses draws nothing
                continue;
            }
            if (materials[i].Diffuse.a < 1.0f) continue;
            DrawSubset(device, i);
        }
    }
    if (drawBlended && useMaterials)
        for (DWORD i = 0; i < materialCount; ++i)
            if (materials[i].Diffuse.a != 1.0f) DrawSubset(device, i);
    return S_OK;
}
