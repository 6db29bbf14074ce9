#include "framework/scene_model.h"

#include "framework/data_file.h"
#include "framework/scene_frame.h"
#include "framework/x_templates.h"

#include <d3dx9tex.h>

#include <memory>

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kNameBufferSize = CSceneFrame::kMaxNameLength + 1;

/// The object's name, cut to the frame tree's limit; empty when it has none or it cannot be read.
bool ReadName(IDirectXFileData* object, std::string& name)
{
    char buffer[kNameBufferSize] = "";
    DWORD length = kNameBufferSize;
    const HRESULT hr = object->GetName(buffer, &length);
    buffer[kNameBufferSize - 1] = '\0';
    name = SUCCEEDED(hr) ? buffer : "";
    return SUCCEEDED(hr);
}

HRESULT ReadObject(IDirectXFileData* object, std::vector<SceneObject>& siblings);

HRESULT ReadFrame(IDirectXFileData* object, std::vector<SceneObject>& siblings)
{
    SceneObject frame;
    if (!ReadName(object, frame.name)) return E_FAIL;
    D3DXMatrixIdentity(&frame.matrix);
    // The frame is placed before its children are read: a child that fails keeps the ones before it.
    siblings.push_back(std::move(frame));
    for (;;) {
        ComPtr<IDirectXFileObject> child;
        if (FAILED(object->GetNextObject(&child)) || !child) return S_OK;
        ComPtr<IDirectXFileData> data;
        if (FAILED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(data.GetAddressOf()))))
            continue; // references and binary data are not part of the tree
        const HRESULT hr = ReadObject(data.Get(), siblings.back().children);
        if (FAILED(hr)) return hr;
    }
}

HRESULT ReadObject(IDirectXFileData* object, std::vector<SceneObject>& siblings)
{
    const GUID type = XObjectType(object);
    if (type == x_templates::kMesh) {
        SceneObject mesh;
        mesh.kind = SceneObject::Kind::Mesh;
        ReadName(object, mesh.name); // an unnamed mesh is fine
        mesh.meshRead = ReadXMesh(object, mesh.mesh);
        siblings.push_back(std::move(mesh));
        return S_OK;
    }
    if (type == x_templates::kFrameTransformMatrix) {
        SceneObject transform;
        transform.kind = SceneObject::Kind::Transform;
        const HRESULT hr = ReadXMatrix(object, transform.matrix);
        if (FAILED(hr)) return hr;
        siblings.push_back(std::move(transform));
        return S_OK;
    }
    if (type == x_templates::kFrame) return ReadFrame(object, siblings);
    return S_OK;
}

void CollectTextureNames(const std::vector<SceneObject>& objects, std::vector<std::string>& names)
{
    for (const SceneObject& object : objects) {
        for (const XMaterial& material : object.mesh.materials)
            if (!material.textureName.empty()) names.push_back(material.textureName);
        CollectTextureNames(object.children, names);
    }
}

/// Reads each texture file the model names once. The image's description is read as well: that
/// loads the picture decoder now, while the driver loads, instead of when the texture is made.
void ReadTextures(SceneModel& model)
{
    std::vector<std::string> names;
    CollectTextureNames(model.objects, names);
    for (const std::string& name : names) {
        if (model.textures.count(name)) continue;
        std::unique_ptr<BYTE[]> bytes;
        DWORD size = 0;
        if (ReadDataStream(name.c_str(), bytes, size) != S_OK) continue; // made untextured later, as now
        D3DXIMAGE_INFO info;
        D3DXGetImageInfoFromFileInMemory(bytes.get(), size, &info);
        model.textures.emplace(name, std::vector<BYTE>(bytes.get(), bytes.get() + size));
    }
}

} // namespace

HRESULT ReadSceneModel(const void* bytes, DWORD size, SceneModel& model)
{
    model = SceneModel{};
    ComPtr<IDirectXFile> file;
    ComPtr<IDirectXFileEnumObject> objects;
    model.result = OpenXData(bytes, size, file, objects);
    if (FAILED(model.result)) return model.result;
    for (;;) {
        ComPtr<IDirectXFileData> object;
        if (FAILED(objects->GetNextDataObject(&object)) || !object) return model.result;
        if (FAILED(ReadObject(object.Get(), model.objects))) return model.result = E_FAIL;
    }
}

HRESULT ReadSceneModelFromDataFile(const char* modelName, SceneModel& model)
{
    model = SceneModel{};
    std::unique_ptr<BYTE[]> bytes;
    DWORD size = 0;
    model.result = ReadDataStream(modelName, bytes, size);
    if (model.result != S_OK) return model.result;
    // The parser reads from the bytes in place, so they stay until the model is read.
    ReadSceneModel(bytes.get(), size, model);
    ReadTextures(model);
    return model.result;
}
