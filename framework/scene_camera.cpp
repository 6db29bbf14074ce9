#include "framework/scene_camera.h"

namespace {
constexpr float kDefaultFieldOfView = 0.7853982f;
constexpr float kDefaultFarPlane = 1000.0f;
constexpr float kLightRange = 1000.0f;
} // namespace

CSceneCamera::CSceneCamera()
{
    SetView(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0));
    SetProjection(kDefaultFieldOfView, 1.0f, 1.0f, kDefaultFarPlane);
    D3DXMatrixIdentity(&world);
}

void CSceneCamera::SetView(const D3DXVECTOR3& eyePoint, const D3DXVECTOR3& lookAtPoint, const D3DXVECTOR3& upVector)
{
    eye = eyePoint;
    lookAt = lookAtPoint;
    up = upVector;
    D3DXMatrixLookAtLH(&view, &eye, &lookAt, &up);
    if (device) device->SetTransform(D3DTS_VIEW, &view);
}

void CSceneCamera::SetProjection(float fieldOfView, float aspectRatio, float nearPlane, float farPlane)
{
    fov = fieldOfView;
    aspect = aspectRatio;
    nearZ = nearPlane;
    farZ = farPlane;
    D3DXMatrixPerspectiveFovLH(&projection, fov, aspect, nearZ, farZ);
    if (device) device->SetTransform(D3DTS_PROJECTION, &projection);
}

void FillLight(D3DLIGHT9& light, D3DLIGHTTYPE type, float x, float y, float z)
{
    light = D3DLIGHT9{};
    light.Type = type;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Position = D3DXVECTOR3(x, y, z);
    D3DXVECTOR3 direction(x, y, z);
    D3DXVec3Normalize(&direction, &direction);
    light.Direction = direction;
    light.Range = kLightRange;
}

void FillMaterial(D3DMATERIAL9& material, float red, float green, float blue, float alpha)
{
    material = D3DMATERIAL9{};
    material.Diffuse = {red, green, blue, alpha};
    material.Ambient = material.Diffuse;
}
