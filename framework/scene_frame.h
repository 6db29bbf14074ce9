#pragma once
// The scene's frame tree: named frames with a transform relative to their parent.
// A frame owns its first child and its next sibling; it does not own its mesh (the
// loader's Destroy releases meshes). The cube core keeps references to frame matrices,
// which stay valid as long as the frame exists.

#include <d3d9.h>
#include <d3dx9math.h>

class CSceneMesh;
struct SceneModel;

class CSceneFrame {
public:
    static constexpr int kMaxNameLength = 511;

    explicit CSceneFrame(const char* name);
    virtual ~CSceneFrame();
    CSceneFrame(const CSceneFrame&) = delete;
    CSceneFrame& operator=(const CSceneFrame&) = delete;

    /// Inserts frame (taking ownership) as the first child; siblings end up in reverse insertion order.
    void AddChild(CSceneFrame* frame);
    /// Depth-first pre-order search (this, child subtree, next subtree), names compared ignoring case.
    CSceneFrame* FindFrame(const char* name);

    const char* Name() const { return name; }

    // Drawing and device life cycle of the meshes in this subtree (defined with the scene loader).
    HRESULT Render(IDirect3DDevice9* device, bool drawOpaque, bool drawBlended, const D3DXMATRIX* parentWorld);
    HRESULT OnDeviceReset(IDirect3DDevice9* device);
    HRESULT OnDeviceLost();
    HRESULT Destroy();

    char name[kMaxNameLength + 1];
    D3DXMATRIX matrix;           ///< transform relative to the parent, row vectors
    CSceneMesh* mesh = nullptr;  ///< at most one per frame, released by Destroy
    CSceneFrame* next = nullptr; ///< owned next sibling
    CSceneFrame* child = nullptr; ///< owned first child
};

/// The root of a loaded scene.
class CSceneFile : public CSceneFrame {
public:
    explicit CSceneFile(const char* rootName) : CSceneFrame(rootName) {}

    /// Loads the model stream modelName of the data file into the tree below the root.
    HRESULT Create(IDirect3DDevice9* device, const char* modelName);
    /// The same for a model read from the data file before (ReadSceneModelFromDataFile).
    HRESULT Create(IDirect3DDevice9* device, const SceneModel& model);
    /// Draws the tree: opaque subsets, then blended ones, under world (the identity when null),
    /// and leaves that world set.
    HRESULT Render(IDirect3DDevice9* device, const D3DXMATRIX* world);
};
