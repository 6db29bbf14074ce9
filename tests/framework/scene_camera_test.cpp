// Camera matrices, when they reach the device, and the light and material fillers.

#include "framework/scene_camera.h"
#include "support/scene_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

bool Near(const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    for (int i = 0; i < 16; ++i)
        if (std::fabs(static_cast<const float*>(a)[i] - static_cast<const float*>(b)[i]) > 1e-5f) return false;
    return true;
}

TEST(SceneCamera, StartsLookingAlongZWithAQuarterPiFieldOfView)
{
    CSceneCamera camera;
    EXPECT_EQ(camera.device, nullptr);
    EXPECT_FLOAT_EQ(camera.fov, 0.7853982f);
    EXPECT_FLOAT_EQ(camera.farZ, 1000.0f);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_TRUE(Near(camera.view, identity)) << "eye at the origin looking along +z";
    EXPECT_TRUE(Near(camera.world, identity));
}

TEST(SceneCamera, ViewFromFiftyInFrontIsAMoveAlongZ)
{
    CSceneCamera camera;
    camera.SetView({0, 0, -50}, {0, 0, 0}, {0, 1, 0});
    D3DXMATRIX expected;
    D3DXMatrixTranslation(&expected, 0, 0, 50);
    EXPECT_TRUE(Near(camera.view, expected));
}

TEST(SceneCamera, MatricesReachTheDeviceOnlyOnceAttached)
{
    TestDevice device;
    ASSERT_NE(device.Device(), nullptr);
    D3DXMATRIX identity, current;
    D3DXMatrixIdentity(&identity);
    device.Device()->SetTransform(D3DTS_VIEW, &identity);
    device.Device()->SetTransform(D3DTS_PROJECTION, &identity);

    CSceneCamera camera;
    camera.SetView({0, 0, -50}, {0, 0, 0}, {0, 1, 0});
    camera.SetProjection(0.5f, 2.0f, 1, 100);
    device.Device()->GetTransform(D3DTS_VIEW, &current);
    EXPECT_EQ(current, identity);

    camera.AttachDevice(device.Device());
    device.Device()->GetTransform(D3DTS_VIEW, &current);
    EXPECT_EQ(current, identity) << "attaching alone sends nothing";
    camera.SetView({0, 0, -50}, {0, 0, 0}, {0, 1, 0});
    camera.SetProjection(0.5f, 2.0f, 1, 150);
    device.Device()->GetTransform(D3DTS_VIEW, &current);
    EXPECT_EQ(current, camera.view);
    device.Device()->GetTransform(D3DTS_PROJECTION, &current);
    D3DXMATRIX expected;
    D3DXMatrixPerspectiveFovLH(&expected, 0.5f, 2.0f, 1, 150);
    EXPECT_EQ(current, expected);
    EXPECT_FLOAT_EQ(camera.farZ, 150);
}

TEST(LightAndMaterial, FillersSetOnlyWhatTheyName)
{
    D3DLIGHT9 light;
    std::memset(&light, 0xCD, sizeof light);
    FillLight(light, D3DLIGHT_DIRECTIONAL, -5, -5, 5);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(light.Position.x, -5);
    EXPECT_FLOAT_EQ(light.Position.z, 5);
    EXPECT_NEAR(light.Direction.x, -0.57735f, 1e-5f);
    EXPECT_NEAR(light.Direction.y, -0.57735f, 1e-5f);
    EXPECT_NEAR(light.Direction.z, 0.57735f, 1e-5f);
    EXPECT_FLOAT_EQ(light.Diffuse.r, 1);
    EXPECT_FLOAT_EQ(light.Diffuse.a, 0);
    EXPECT_FLOAT_EQ(light.Ambient.r, 0);
    EXPECT_FLOAT_EQ(light.Specular.g, 0);
    EXPECT_FLOAT_EQ(light.Range, 1000);
    EXPECT_FLOAT_EQ(light.Attenuation0, 0);
    EXPECT_FLOAT_EQ(light.Phi, 0);

    D3DMATERIAL9 material;
    std::memset(&material, 0xCD, sizeof material);
    FillMaterial(material, 1, 0.5f, 0.25f, 0.75f);
    EXPECT_FLOAT_EQ(material.Diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(material.Ambient.b, 0.25f);
    EXPECT_FLOAT_EQ(material.Ambient.a, 0.75f);
    EXPECT_FLOAT_EQ(material.Specular.r, 0);
    EXPECT_FLOAT_EQ(material.Emissive.r, 0);
    EXPECT_FLOAT_EQ(material.Power, 0);
}

} // namespace
