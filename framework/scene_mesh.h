#pragma once
// One drawable mesh of the scene with its materials and textures, loaded from an X data object
// of the data file or from a model file on disk (all of that file's meshes merged into one).
// Keeps a system-memory copy from load to Destroy and a device copy between reset and lost.
//
// Wine caveats handled here: D3DXLoadMeshFromXof is missing (the process aborts), D3DXLoadMeshFromX
// merges several meshes with a wrong index buffer, and ID3DXMesh::OptimizeInplace is not
// implemented. Meshes are therefore built by our own X reading (framework/x_mesh.h), and an
// optimisation the platform lacks leaves the mesh as loaded.

#include "framework/scene_model.h"

#include <d3dx9.h>
#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

/// Textures made during one load, by file name, so that meshes and subsets naming the same file
/// share one texture instead of each decoding it again (a null entry remembers a name that gave none).
using TextureCache = std::map<std::string, Microsoft::WRL::ComPtr<IDirect3DTexture9>>;

/// The textures of one scene load: those made so far, and the files read with the model (a
/// name not among them is read from the data file when its texture is made).
struct SceneTextures {
    explicit SceneTextures(const TextureFiles& files) : files(files) {}
    TextureCache made;
    const TextureFiles& files;
};

class CSceneMesh {
public:
    static constexpr int kMaxNameLength = 511;

    explicit CSceneMesh(const char* meshName);
    virtual ~CSceneMesh();
    CSceneMesh(const CSceneMesh&) = delete;
    CSceneMesh& operator=(const CSceneMesh&) = delete;

    /// Makes the mesh of a Mesh object of the scene; its textures are streams of the data file.
    HRESULT CreateFromSceneData(IDirect3DDevice9* device, const XMeshData& data, SceneTextures& sceneTextures);
    /// Loads every mesh of a model file, with its frame transforms, as one mesh; textures from disk.
    HRESULT Create(IDirect3DDevice9* device, const char* fileName);
    /// The same as the file variant, for a model already in memory.
    HRESULT CreateFromModelBytes(IDirect3DDevice9* device, const void* bytes, DWORD size);
    /// The file variant's first half: reads a model file and merges its meshes into one. It needs
    /// no device, so it can be done before there is one.
    static HRESULT ReadModelFile(const char* fileName, XMeshData& merged);
    /// The second half: the mesh and its textures from a model read by ReadModelFile.
    HRESULT CreateFromModel(IDirect3DDevice9* device, const XMeshData& merged);
    /// The mesh alone, for a model that is only picked, never drawn: no texture is read.
    HRESULT CreateUntexturedFromModel(IDirect3DDevice9* device, const XMeshData& merged);

    HRESULT OnDeviceReset(IDirect3DDevice9* device);
    HRESULT OnDeviceLost();
    HRESULT Destroy();

    /// Draws the subsets: opaque ones (diffuse alpha 1) and/or blended ones (alpha below 1).
    HRESULT Render(IDirect3DDevice9* device, bool drawOpaque, bool drawBlended);

    const char* Name() const { return name; }
    ID3DXMesh* SystemMesh() const { return systemMesh.Get(); }
    ID3DXMesh* DeviceMesh() const { return deviceMesh.Get(); }
    DWORD MaterialCount() const { return materialCount; }
    const D3DMATERIAL9& Material(DWORD i) const { return materials[i]; }
    IDirect3DTexture9* Texture(DWORD i) const { return textures[i].Get(); }

    bool useMaterials = true;

private:
    enum class TextureSource { DataFile, Disk, None };
    static HRESULT ReadModelBytes(const void* bytes, DWORD size, XMeshData& merged);
    HRESULT CreateFromModel(IDirect3DDevice9* device, const XMeshData& merged, TextureSource source);
    HRESULT TakeMesh(IDirect3DDevice9* device, ID3DXMesh* mesh, const XMeshData& data, TextureSource source,
                     SceneTextures* sceneTextures = nullptr);
    static Microsoft::WRL::ComPtr<IDirect3DTexture9> LoadTexture(IDirect3DDevice9* device, const std::string& name,
                                                                 TextureSource source, const TextureFiles* files);
    HRESULT DrawSubset(IDirect3DDevice9* device, DWORD subset);

    char name[kMaxNameLength + 1];
    Microsoft::WRL::ComPtr<ID3DXMesh> systemMesh;
    Microsoft::WRL::ComPtr<ID3DXMesh> deviceMesh;
    DWORD materialCount = 0;
    std::vector<D3DMATERIAL9> materials;
    std::vector<Microsoft::WRL::ComPtr<IDirect3DTexture9>> textures;
};
