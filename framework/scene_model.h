#pragma once
// The scene's X data read into memory: its frames, transforms and meshes in file order, and the
// texture files its materials name. Reading needs no device, so the game reads the scene while
// the graphics driver loads; the frame tree and its meshes are made from it once there is a
// device (framework/scene_loader.h).

#include "framework/x_mesh.h"

#include <d3dx9math.h>

#include <map>
#include <string>
#include <vector>

/// One data object of the scene, as the loader places it below the frame it belongs to.
struct SceneObject {
    enum class Kind { Frame, Transform, Mesh };
    Kind kind = Kind::Frame;
    std::string name;                 ///< of a frame or a mesh
    D3DXMATRIX matrix;                ///< of a transform
    XMeshData mesh;                   ///< of a mesh
    HRESULT meshRead = S_OK;          ///< a mesh that could not be read is made empty
    std::vector<SceneObject> children; ///< of a frame, in file order
};

/// Texture files by the name the materials give them.
using TextureFiles = std::map<std::string, std::vector<BYTE>>;

struct SceneModel {
    std::vector<SceneObject> objects; ///< the top-level objects, in file order
    /// S_OK, or why reading stopped: the objects read before that are still made.
    HRESULT result = S_OK;
    TextureFiles textures; ///< the files read with the model; others are read when made
};

/// Reads X data. A frame whose name cannot be read, or a transform that cannot be read, ends the
/// reading with E_FAIL in model.result; data that cannot be opened as X data gives its error.
HRESULT ReadSceneModel(const void* bytes, DWORD size, SceneModel& model);

/// Reads the model stream modelName of the data file, and the textures its materials name from
/// the same file. The result is that of the stream's reading, else ReadSceneModel's.
HRESULT ReadSceneModelFromDataFile(const char* modelName, SceneModel& model);
