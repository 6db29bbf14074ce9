#pragma once
// View and projection of the scene, plus small fillers for lights and materials. Once a device
// is attached, every new view or projection goes to the device at once.

#include <d3d9.h>
#include <d3dx9math.h>

class CSceneCamera {
public:
    CSceneCamera();

    void SetView(const D3DXVECTOR3& eyePoint, const D3DXVECTOR3& lookAtPoint, const D3DXVECTOR3& upVector);
    void SetProjection(float fieldOfView, float aspectRatio, float nearPlane, float farPlane);
    /// Only remembers the device (not owned); later view and projection changes are sent to it.
    void AttachDevice(IDirect3DDevice9* device) { this->device = device; }

    D3DXVECTOR3 eye, lookAt, up;
    D3DXMATRIX view;
    float fov, aspect, nearZ, farZ;
    D3DXMATRIX projection;
    D3DXMATRIX world; ///< identity at construction; the cube core sets it as the device's world
    IDirect3DDevice9* device = nullptr;
};

/// A light of the given type at (x, y, z), shining along that vector normalised; white diffuse.
void FillLight(D3DLIGHT9& light, D3DLIGHTTYPE type, float x, float y, float z);
/// A material whose diffuse and ambient colours are both (red, green, blue, alpha).
void FillMaterial(D3DMATERIAL9& material, float red, float green, float blue, float alpha);
