#include "puzzle/cube_scene.h"

#include "framework/x_mesh.h"

namespace {

const D3DXVECTOR3 kEye(0, 0, -50);
const D3DXVECTOR3 kLookAt(0, 0, 0);
const D3DXVECTOR3 kUp(0, 1, 0);
constexpr float kStartFieldOfView = 0.7853982f;
constexpr DWORD kAmbient = 0x000F0F0F;
constexpr DWORD kLightCount = 2; ///< lights 0 and 1, lit in ResetDeviceState

void SetDirectionalLight(IDirect3DDevice9* device, DWORD index, float x, float y, float z)
{
    D3DLIGHT9 light;
    FillLight(light, D3DLIGHT_DIRECTIONAL, x, y, z);
    device->SetLight(index, &light);
    device->LightEnable(index, TRUE);
}

} // namespace

CubeScene::CubeScene(CubeModel& cube)
    : cube(cube), sceneRoot(std::make_unique<CSceneFile>("CD3DFile_Root")),
      pickMesh(std::make_unique<CSceneMesh>("CD3DFile_Mesh"))
{
}

CubeScene::~CubeScene() { DestroyDeviceObjects(); }

void CubeScene::ReadSceneModelAhead()
{
    sceneReadAhead = std::make_unique<SceneModel>();
    ReadSceneModelFromDataFile(kModelName, *sceneReadAhead);
}

void CubeScene::LoadScene(IDirect3DDevice9* device)
{
    camera.AttachDevice(device);
    // A failed load leaves an empty scene, drawn as such.
    if (sceneReadAhead) sceneRoot->Create(device, *sceneReadAhead);
    else
        sceneRoot->Create(device, kModelName);
    sceneReadAhead.reset();
    if (cube.BindPieces(*sceneRoot) && keptArrangement) cube.ApplyArrangement(*keptArrangement);
    keptArrangement.reset();
}

// Without a pick mesh only the targets are tested. The pick mesh is never drawn, so its
// textures are not read.
void CubeScene::MakePickMesh(IDirect3DDevice9* device)
{
    if (pickMesh->SystemMesh()) return;
    XMeshData model;
    if (SUCCEEDED(CSceneMesh::ReadModelFile(kModelName, model))) pickMesh->CreateUntexturedFromModel(device, model);
}

void CubeScene::BuildTurnTargets(IDirect3DDevice9* device)
{
    targets.BuildTurnTargets(device); // a failure leaves no positions: nothing can be picked
}

void CubeScene::ResetDeviceState(IDirect3DDevice9* device, float aspect, const D3DXMATRIX& world)
{
    D3DMATERIAL9 material;
    FillMaterial(material, 1, 0, 0, 1);
    device->SetMaterial(&material);

    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);

    device->SetRenderState(D3DRS_DITHERENABLE, FALSE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, kAmbient);
    device->SetTransform(D3DTS_WORLD, &world);

    camera.SetView(kEye, kLookAt, kUp);
    camera.SetProjection(kStartFieldOfView, aspect, kNearPlane, kFarPlaneAtReset);

    SetDirectionalLight(device, 0, -5, -5, 5);
    SetDirectionalLight(device, 1, 5, 5, 5);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void CubeScene::LoseDeviceState(IDirect3DDevice9* device)
{
    // Switched off before the reset, as they were before ResetDeviceState lit them. Wine keeps a
    // reset device's lights counted as lit, so every reset would take two more of its eight
    // light slots: after a few window resizes no light was left and the cube was drawn black.
    for (DWORD index = 0; index < kLightCount; ++index) device->LightEnable(index, FALSE);
}

// The pick mesh is never drawn: picking reads its system-memory copy, so it needs no device copy.
void CubeScene::ResetMeshes(IDirect3DDevice9* device)
{
    sceneRoot->OnDeviceReset(device);
}

void CubeScene::SetFrameProjection(float fieldOfView, float aspect)
{
    camera.SetProjection(fieldOfView, aspect, kNearPlane, kFarPlane);
}

void CubeScene::Draw(IDirect3DDevice9* device, const D3DXMATRIX& world) { sceneRoot->Render(device, &world); }

void CubeScene::LoseMeshes()
{
    sceneRoot->OnDeviceLost();
}

void CubeScene::DestroyDeviceObjects()
{
    if (cube.IsBound()) keptArrangement = cube.CurrentArrangement();
    cube.Unbind(); // the piece table points into the frames about to go
    pickMesh->Destroy();
    sceneRoot->Destroy();
    targets.ReleaseBuffer();
}

bool CubeScene::Pick(float x, float y, UINT backBufferWidth, UINT backBufferHeight, const D3DXMATRIX& world,
                     int& code) const
{
    PickView view{x, y, backBufferWidth, backBufferHeight, camera.projection, world, camera.view};
    TurnCode picked = 0;
    const bool hit = PickTurnTarget(targets, pickMesh.get(), view, picked);
    code = picked;
    return hit;
}
