// The scene tree's loading from the data file, its drawing and its device life cycle.

#include "framework/scene_frame.h"
#include "framework/scene_loader.h"
#include "framework/scene_mesh.h"
#include "framework/scene_model.h"

#include <memory>
#include <new>

using Microsoft::WRL::ComPtr;

namespace {

HRESULT MakeObjects(IDirect3DDevice9* device, const std::vector<SceneObject>& objects, CSceneFrame* parent,
                    SceneTextures& textures);

HRESULT MakeMesh(IDirect3DDevice9* device, const SceneObject& object, CSceneFrame* parent, SceneTextures& textures)
{
    if (parent->mesh) return E_FAIL; // one mesh per frame
    parent->mesh = new (std::nothrow) CSceneMesh(object.name.c_str());
    if (!parent->mesh) return E_OUTOFMEMORY;
    // A mesh that fails to load stays empty: it draws nothing, and the rest of the scene still loads.
    if (SUCCEEDED(object.meshRead)) parent->mesh->CreateFromSceneData(device, object.mesh, textures);
    return S_OK;
}

HRESULT MakeFrame(IDirect3DDevice9* device, const SceneObject& object, CSceneFrame* parent, SceneTextures& textures)
{
    CSceneFrame* frame = new (std::nothrow) CSceneFrame(object.name.c_str());
    if (!frame) return E_OUTOFMEMORY;
    parent->AddChild(frame);
    return MakeObjects(device, object.children, frame, textures);
}

HRESULT MakeObjects(IDirect3DDevice9* device, const std::vector<SceneObject>& objects, CSceneFrame* parent,
                    SceneTextures& textures)
{
    for (const SceneObject& object : objects) {
        HRESULT hr = S_OK;
        switch (object.kind) {
        case SceneObject::Kind::Mesh: hr = MakeMesh(device, object, parent, textures); break;
        case SceneObject::Kind::Transform: parent->matrix = object.matrix; break;
        case SceneObject::Kind::Frame: hr = MakeFrame(device, object, parent, textures); break;
        }
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

/// The world a subtree is drawn under: the one given, else the identity. It is never read back
/// from the device, which a pure device does not answer.
D3DXMATRIX WorldOrIdentity(const D3DXMATRIX* given)
{
    D3DXMATRIX world;
    if (given) world = *given;
    else
        D3DXMatrixIdentity(&world);
    return world;
}

} // namespace

HRESULT LoadSceneFromMemory(IDirect3DDevice9* device, CSceneFrame* root, const void* bytes, DWORD size)
{
    SceneModel model;
    ReadSceneModel(bytes, size, model);
    return MakeScene(device, root, model);
}

HRESULT MakeScene(IDirect3DDevice9* device, CSceneFrame* root, const SceneModel& model)
{
    SceneTextures textures(model.textures); // every sticker names the same texture: decode it once per load
    if (FAILED(MakeObjects(device, model.objects, root, textures))) return E_FAIL;
    return model.result;
}

HRESULT CSceneFile::Create(IDirect3DDevice9* device, const char* modelName)
{
    SceneModel model;
    ReadSceneModelFromDataFile(modelName, model);
    return Create(device, model);
}

HRESULT CSceneFile::Create(IDirect3DDevice9* device, const SceneModel& model)
{
    return MakeScene(device, this, model);
}

HRESULT CSceneFile::Render(IDirect3DDevice9* device, const D3DXMATRIX* world)
{
    const D3DXMATRIX saved = WorldOrIdentity(world);
    D3DXMATRIX rootWorld;
    D3DXMatrixMultiply(&rootWorld, &saved, &matrix);
    device->SetTransform(D3DTS_WORLD, &rootWorld);
    if (child) child->Render(device, true, false, &rootWorld);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    if (child) child->Render(device, false, true, &rootWorld);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTransform(D3DTS_WORLD, &saved);
    return S_OK;
}

HRESULT CSceneFrame::Render(IDirect3DDevice9* device, bool drawOpaque, bool drawBlended, const D3DXMATRIX* parentWorld)
{
    const D3DXMATRIX saved = WorldOrIdentity(parentWorld);
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &matrix, &saved);
    device->SetTransform(D3DTS_WORLD, &world);
    if (mesh) mesh->Render(device, drawOpaque, drawBlended); // an empty mesh draws nothing
    if (child) child->Render(device, drawOpaque, drawBlended, &world);
    device->SetTransform(D3DTS_WORLD, &saved);
    if (next) next->Render(device, drawOpaque, drawBlended, &saved);
    return S_OK;
}

HRESULT CSceneFrame::OnDeviceReset(IDirect3DDevice9* device)
{
    // Results are ignored: a mesh that cannot be rebuilt simply draws nothing.
    if (mesh) mesh->OnDeviceReset(device);
    if (child) child->OnDeviceReset(device);
    if (next) next->OnDeviceReset(device);
    return S_OK;
}

HRESULT CSceneFrame::OnDeviceLost()
{
    if (mesh) mesh->OnDeviceLost();
    if (child) child->OnDeviceLost();
    if (next) next->OnDeviceLost();
    return S_OK;
}

HRESULT CSceneFrame::Destroy()
{
    if (mesh) mesh->Destroy();
    if (child) child->Destroy();
    if (next) next->Destroy();
    delete mesh;
    delete next;
    delete child;
    mesh = nullptr;
    next = nullptr;
    child = nullptr;
    return S_OK;
}
