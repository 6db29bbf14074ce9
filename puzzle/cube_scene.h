#pragma once
// The cube as a drawn scene: the model loaded from the data file with its 81 pieces bound,
// the pick mesh from the loose model, the turn targets, the fixed camera, the lights and the
// device state the cube is drawn with. The form calls these steps from its device life cycle.

#include "framework/scene_camera.h"
#include "framework/scene_frame.h"
#include "framework/scene_mesh.h"
#include "puzzle/cube_model.h"
#include "puzzle/turn_targets.h"

#include <d3d9.h>
#include <d3dx9math.h>

#include <memory>
#include <optional>

class CubeScene {
public:
    static constexpr char kModelName[] = "cube.x"; ///< stream of the data file and loose pick model
    static constexpr float kNearPlane = 1.0f;
    static constexpr float kFarPlaneAtReset = 150.0f;
    static constexpr float kFarPlane = 100.0f;

    explicit CubeScene(CubeModel& cube);
    ~CubeScene();
    CubeScene(const CubeScene&) = delete;
    CubeScene& operator=(const CubeScene&) = delete;

    /// Reads the scene's model with its textures ahead, while the device is still being made
    /// (the start waits for the graphics driver then); the next LoadScene makes the scene from
    /// it instead of reading the data file.
    void ReadSceneModelAhead();
    /// Loads the scene and binds the 81 pieces. A first load shows the cube solved; a load after
    /// the device was re-created gives the pieces back their arrangement, so the cube stays in
    /// step with the move history. A failure is not reported: the scene then draws what it has.
    void LoadScene(IDirect3DDevice9* device);
    /// Makes the pick mesh from the loose model unless it exists; only picking needs it, so the
    /// start makes it after the first frame. Without it picking tests the targets alone.
    void MakePickMesh(IDirect3DDevice9* device);
    /// The 72 turn targets (a failure leaves no target to pick).
    void BuildTurnTargets(IDirect3DDevice9* device);
    /// Material, texture stage, sampler, render states, camera and lights after every reset.
    void ResetDeviceState(IDirect3DDevice9* device, float aspect, const D3DXMATRIX& world);
    /// Undoes ResetDeviceState's lights before the device is reset.
    void LoseDeviceState(IDirect3DDevice9* device);
    void ResetMeshes(IDirect3DDevice9* device);
    /// The frame's projection for the current field of view (far plane 100).
    void SetFrameProjection(float fieldOfView, float aspect);
    void Draw(IDirect3DDevice9* device, const D3DXMATRIX& world);
    void LoseMeshes();
    /// Releases the device objects; the piece table is unbound before the scene goes.
    void DestroyDeviceObjects();

    /// The turn under a cursor at (x, y) in back-buffer pixels, if a target is nearest.
    bool Pick(float x, float y, UINT backBufferWidth, UINT backBufferHeight, const D3DXMATRIX& world,
              int& code) const;

    CSceneFile& SceneRoot() { return *sceneRoot; }
    const CSceneMesh& PickMesh() const { return *pickMesh; }
    CSceneCamera& Camera() { return camera; }

private:
    CubeModel& cube;
    std::unique_ptr<CSceneFile> sceneRoot;
    std::unique_ptr<CSceneMesh> pickMesh;
    CSceneCamera camera;
    CTurnTargets targets;
    std::optional<CubeModel::Arrangement> keptArrangement; ///< across a device re-creation
    std::unique_ptr<SceneModel> sceneReadAhead;            ///< for the next LoadScene only
};
