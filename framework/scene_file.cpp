// The scene tree's loading from the data file, its drawing and its device life cycle.

#include "framework/data_file.h"
#include "framework/scene_frame.h"
#include "framework/scene_loader.h"
#include "framework/scene_mesh.h"
#include "framework/x_mesh.h"
#include "framework/x_templates.h"

#include <memory>
#include <new>

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kNameBufferSize = CSceneFrame::kMaxNameLength + 1;

HRESULT LoadObject(IDirect3DDevice9* device, IDirectXFileData* object, CSceneFrame* parent, TextureCache& textures);

HRESULT LoadMesh(IDirect3DDevice9* device, IDirectXFileData* object, CSceneFrame* parent, TextureCache& textures)
{
    if (parent->mesh) return E_FAIL; // one mesh per frame
    char name[kNameBufferSize] = "";
    DWORD length = kNameBufferSize;
    if (FAILED(object->GetName(name, &length))) name[0] = '\0'; // an unnamed mesh is fine
    name[kNameBufferSize - 1] = '\0';
    parent->mesh = new (std::nothrow) CSceneMesh(name);
    if (!parent->mesh) return E_OUTOFMEMORY;
    // A mesh that fails to load stays empty: it draws nothing, and the rest of the scene still loads.
    parent->mesh->Create(device, object, &textures);
    return S_OK;
}

HRESULT LoadFrame(IDirect3DDevice9* device, IDirectXFileData* object, CSceneFrame* parent, TextureCache& textures)
{
    char name[kNameBufferSize] = "";
    DWORD length = kNameBufferSize;
    HRESULT hr = object->GetName(name, &length);
    if (FAILED(hr)) return hr;
    name[kNameBufferSize - 1] = '\0';
    CSceneFrame* frame = new (std::nothrow) CSceneFrame(name);
    if (!frame) return E_OUTOFMEMORY;
    parent->AddChild(frame);
    for (;;) {
        ComPtr<IDirectXFileObject> child;
        if (FAILED(object->GetNextObject(&child)) || !child) return S_OK;
        ComPtr<IDirectXFileData> data;
        if (FAILED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(data.GetAddressOf()))))
            continue; // references and binary data are not part of the tree
        if (FAILED(hr = LoadObject(device, data.Get(), frame, textures))) return hr;
    }
}

HRESULT LoadObject(IDirect3DDevice9* device, IDirectXFileData* object, CSceneFrame* parent, TextureCache& textures)
{
    const GUID type = XObjectType(object);
    if (type == x_templates::kMesh) return LoadMesh(device, object, parent, textures);
    if (type == x_templates::kFrameTransformMatrix) return ReadXMatrix(object, parent->matrix);
    if (type == x_templates::kFrame) return LoadFrame(device, object, parent, textures);
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
    ComPtr<IDirectXFile> file;
    ComPtr<IDirectXFileEnumObject> objects;
    const HRESULT hr = OpenXData(bytes, size, file, objects);
    if (FAILED(hr)) return hr;
    TextureCache textures; // every sticker names the same texture: decode it once per load
    for (;;) {
        ComPtr<IDirectXFileData> object;
        if (FAILED(objects->GetNextDataObject(&object)) || !object) return S_OK;
        if (FAILED(LoadObject(device, object.Get(), root, textures))) return E_FAIL;
    }
}

HRESULT CSceneFile::Create(IDirect3DDevice9* device, const char* modelName)
{
    std::unique_ptr<BYTE[]> bytes;
    DWORD size = 0;
    const HRESULT hr = ReadDataStream(modelName, bytes, size);
    if (hr != S_OK) return hr;
    // The bytes outlive the parser's enumeration, which reads from them in place.
    return LoadSceneFromMemory(device, this, bytes.get(), size);
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
