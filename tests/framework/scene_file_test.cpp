// Loading the scene: the generated data file and pick model, the frame tree's rules, drawing
// passes, device life cycle and the data-file failures.

#include "framework/data_file.h"
#include "framework/scene_frame.h"
#include "framework/scene_loader.h"
#include "framework/scene_mesh.h"
#include "puzzle/cube_layout.h"
#include "support/scene_test_support.h"

#include <d3dx9.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

constexpr float kTargetFloor = 9.05f; // nothing may rise above the turn targets' facet edges
constexpr DWORD kBackground = 0x00000000;

struct Bounds {
    D3DXVECTOR3 low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
    void Add(const D3DXVECTOR3& p)
    {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    float Reach() const
    {
        return std::max({std::fabs(low.x), std::fabs(low.y), std::fabs(low.z), high.x, high.y, high.z});
    }
};

/// Bounds of a mesh's vertices, moved by translation.
Bounds MeshBounds(ID3DXMesh* mesh, const D3DXVECTOR3& translation)
{
    Bounds bounds;
    void* data = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return bounds;
    const DWORD stride = mesh->GetNumBytesPerVertex();
    for (DWORD v = 0; v < mesh->GetNumVertices(); ++v)
        bounds.Add(*reinterpret_cast<const D3DXVECTOR3*>(static_cast<BYTE*>(data) + v * stride) + translation);
    mesh->UnlockVertexBuffer();
    return bounds;
}

class SceneFile : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_NE(device.Device(), nullptr) << "no Direct3D device on the test display";
        stickerImage = ReadPlainFile(L"sticker.bmp"); // from the game folder, before any scratch folder
    }
    void TearDown() override { CoUninitialize(); }

    /// Draws root under an orthographic view of the x/y square [-4, 4] with only emissive light.
    std::vector<DWORD> Draw(CSceneFrame& root, bool opaque, bool blended, bool asFile, const D3DXMATRIX* world)
    {
        IDirect3DDevice9* d = device.Device();
        D3DXMATRIX view, projection, identity;
        D3DXMatrixIdentity(&identity);
        const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixOrthoLH(&projection, 8, 8, 1, 100);
        d->SetTransform(D3DTS_VIEW, &view);
        d->SetTransform(D3DTS_PROJECTION, &projection);
        d->SetTransform(D3DTS_WORLD, &identity);
        d->SetRenderState(D3DRS_LIGHTING, TRUE);
        d->SetRenderState(D3DRS_AMBIENT, 0);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        EXPECT_EQ(d->BeginScene(), D3D_OK);
        if (asFile) static_cast<CSceneFile&>(root).Render(d, world);
        else root.child->Render(d, opaque, blended, world);
        d->EndScene();
        return device.ReadBackBuffer();
    }
    /// The pixel at scene point (x, y) of Draw's view.
    DWORD At(const std::vector<DWORD>& pixels, float x, float y) const
    {
        const int px = static_cast<int>((x + 4) / 8 * device.Width());
        const int py = static_cast<int>((4 - y) / 8 * device.Height());
        return pixels.at(py * device.Width() + px) & 0x00FFFFFF;
    }

    TestDevice device{64, 64};
    std::string stickerImage;
};

TEST_F(SceneFile, GeneratedDataFileBindsEveryPieceWithinTheTargetFloor)
{
    CSceneFile root("CD3DFile_Root");
    ASSERT_EQ(root.Create(device.Device(), "cube.x"), S_OK);
    std::set<IDirect3DTexture9*> stickerTextures;
    int textured = 0;
    for (const cube_layout::Piece& piece : cube_layout::Pieces()) {
        CSceneFrame* frame = root.FindFrame(piece.frameName);
        ASSERT_NE(frame, nullptr) << piece.frameName;
        EXPECT_FLOAT_EQ(frame->matrix._41, piece.position.x) << piece.frameName;
        EXPECT_FLOAT_EQ(frame->matrix._42, piece.position.y) << piece.frameName;
        EXPECT_FLOAT_EQ(frame->matrix._43, piece.position.z) << piece.frameName;
        ASSERT_NE(frame->mesh, nullptr) << piece.frameName;
        ASSERT_NE(frame->mesh->SystemMesh(), nullptr) << piece.frameName;
        const Bounds bounds = MeshBounds(frame->mesh->SystemMesh(), {frame->matrix._41, frame->matrix._42,
                                                                      frame->matrix._43});
        EXPECT_LE(bounds.Reach(), kTargetFloor) << piece.frameName;
        if (piece.kind == cube_layout::PieceKind::Cubie) {
            // A cubie fills its cell: it reaches within a tenth of the cell walls on every side.
            const D3DXVECTOR3 size = bounds.high - bounds.low;
            EXPECT_GT(std::min({size.x, size.y, size.z}), 5.9f) << piece.frameName;
        } else {
            // A facet lies on its face, just above the cubie below it.
            const D3DXVECTOR3 n(piece.normal.x, piece.normal.y, piece.normal.z);
            EXPECT_GT(std::min(D3DXVec3Dot(&bounds.low, &n), D3DXVec3Dot(&bounds.high, &n)), 8.98f);
        }
        for (DWORD i = 0; i < frame->mesh->MaterialCount(); ++i)
            if (frame->mesh->Texture(i)) {
                ++textured;
                stickerTextures.insert(frame->mesh->Texture(i));
            }
    }
    EXPECT_EQ(textured, cube_layout::kFacetCount) << "every sticker carries the texture from the data file";
    EXPECT_EQ(stickerTextures.size(), 1u) << "the stickers share one texture, decoded once";
    // Every piece is a direct child of the root.
    int children = 0;
    for (CSceneFrame* f = root.child; f; f = f->next, ++children) EXPECT_EQ(f->child, nullptr);
    EXPECT_EQ(children, cube_layout::kPieceCount);
    root.OnDeviceReset(device.Device());
    EXPECT_NE(root.FindFrame("Gengon54")->mesh->DeviceMesh(), nullptr);
    root.Destroy();
}

TEST_F(SceneFile, PickMeshMergesTheLooseModelWithItsFrameTransforms)
{
    CSceneMesh pick("CD3DFile_Mesh");
    ASSERT_EQ(pick.Create(device.Device(), "cube.x"), S_OK);
    CSceneFile root("CD3DFile_Root");
    ASSERT_EQ(root.Create(device.Device(), "cube.x"), S_OK);
    DWORD vertices = 0, faces = 0;
    for (CSceneFrame* f = root.child; f; f = f->next) {
        vertices += f->mesh->SystemMesh()->GetNumVertices();
        faces += f->mesh->SystemMesh()->GetNumFaces();
    }
    EXPECT_EQ(pick.SystemMesh()->GetNumVertices(), vertices);
    EXPECT_EQ(pick.SystemMesh()->GetNumFaces(), faces);
    const Bounds bounds = MeshBounds(pick.SystemMesh(), {0, 0, 0});
    EXPECT_LE(bounds.Reach(), kTargetFloor);
    EXPECT_GT(bounds.low.x, -kTargetFloor);
    EXPECT_LT(bounds.low.x, -9.0f) << "the pieces sit at their places, not all at the centre";
    EXPECT_GT(bounds.high.y, 9.0f);
    EXPECT_EQ(pick.MaterialCount(), static_cast<DWORD>(cube_layout::kPieceCount));
    std::set<IDirect3DTexture9*> stickerTextures;
    int textured = 0;
    for (DWORD i = 0; i < pick.MaterialCount(); ++i)
        if (pick.Texture(i)) {
            ++textured;
            stickerTextures.insert(pick.Texture(i));
        }
    EXPECT_EQ(textured, cube_layout::kFacetCount);
    EXPECT_EQ(stickerTextures.size(), 1u) << "the stickers share one texture from disk, decoded once";
    EXPECT_EQ(pick.OnDeviceReset(device.Device()), S_OK);
    EXPECT_NE(pick.DeviceMesh(), nullptr);
    root.Destroy();
}

TEST_F(SceneFile, FramesLinkInReverseFileOrderAndTheRootTakesTopLevelTransforms)
{
    ScratchFolder scratch;
    const std::string model = XHeader() + XMatrix(1, 2, 3) + XFrame("A", XFrame("C", "")) + XFrame("B", "", 4, 5, 6);
    ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"cube.x", model}}));
    CSceneFile root("CD3DFile_Root");
    ASSERT_EQ(root.Create(device.Device(), "cube.x"), S_OK);
    ASSERT_NE(root.child, nullptr);
    EXPECT_STREQ(root.child->Name(), "B");
    ASSERT_NE(root.child->next, nullptr);
    EXPECT_STREQ(root.child->next->Name(), "A");
    EXPECT_EQ(root.child->next->next, nullptr);
    ASSERT_NE(root.child->next->child, nullptr);
    EXPECT_STREQ(root.child->next->child->Name(), "C");
    EXPECT_FLOAT_EQ(root.matrix._41, 1);
    EXPECT_FLOAT_EQ(root.matrix._43, 3);
    EXPECT_FLOAT_EQ(root.child->matrix._42, 5);
    EXPECT_EQ(root.FindFrame("c"), root.child->next->child);
    root.Destroy();
    EXPECT_EQ(root.child, nullptr);
}

TEST_F(SceneFile, RootTransformAppliesAfterTheIncomingWorld)
{
    ScratchFolder scratch;
    // A square at the origin; the root moves it 2.5 along x, the world turns by 90 degrees about z.
    const std::string model =
        XHeader() + XMatrix(2.5f, 0, 0) + XFrame("Square", XSquareMesh("S", -0.5f, -0.5f, 0.5f, 0.5f, 1, 0, 0, 1));
    ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"cube.x", model}}));
    CSceneFile root("CD3DFile_Root");
    ASSERT_EQ(root.Create(device.Device(), "cube.x"), S_OK);
    ASSERT_EQ(root.OnDeviceReset(device.Device()), S_OK);
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, D3DX_PI / 2);
    const auto pixels = Draw(root, true, true, true, &turn);
    EXPECT_NE(At(pixels, 2.5f, 0), kBackground) << "world first, then the root's move";
    EXPECT_EQ(At(pixels, 0, 2.5f), kBackground);
    D3DXMATRIX after;
    device.Device()->GetTransform(D3DTS_WORLD, &after);
    EXPECT_EQ(after, turn) << "the incoming world is restored";
    root.Destroy();
}

TEST_F(SceneFile, DiffuseAlphaSplitsOpaqueAndBlendedPasses)
{
    ScratchFolder scratch;
    const std::string model = XHeader() + XFrame("Solid", XSquareMesh("Left", -3, -1, -1, 1, 1, 0, 0, 1.0f)) +
                              XFrame("Glass", XSquareMesh("Right", 1, -1, 3, 1, 0, 0, 1, 0.5f));
    ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"cube.x", model}}));
    CSceneFile root("CD3DFile_Root");
    ASSERT_EQ(root.Create(device.Device(), "cube.x"), S_OK);
    root.OnDeviceReset(device.Device());

    auto opaque = Draw(root, true, false, false, nullptr);
    EXPECT_NE(At(opaque, -2, 0), kBackground);
    EXPECT_EQ(At(opaque, 2, 0), kBackground);
    auto blended = Draw(root, false, true, false, nullptr);
    EXPECT_EQ(At(blended, -2, 0), kBackground);
    EXPECT_NE(At(blended, 2, 0), kBackground);
    auto both = Draw(root, true, true, true, nullptr);
    EXPECT_EQ(At(both, -2, 0) & 0xFF0000, 0xFF0000u);
    const DWORD glass = At(both, 2, 0) & 0xFF;
    EXPECT_GT(glass, 0x60u) << "half-transparent blue is blended over black";
    EXPECT_LT(glass, 0xA0u);

    // Lost device: nothing to draw until the next reset rebuilds the device copies.
    root.OnDeviceLost();
    EXPECT_EQ(root.FindFrame("Solid")->mesh->DeviceMesh(), nullptr);
    EXPECT_EQ(root.FindFrame("Solid")->mesh->Render(device.Device(), true, true), E_FAIL);
    root.OnDeviceReset(device.Device());
    EXPECT_NE(At(Draw(root, true, true, true, nullptr), -2, 0), kBackground);
    root.Destroy();
}

TEST_F(SceneFile, TexturesComeFromStreamsAndBadOnesStayEmpty)
{
    ScratchFolder scratch;
    const std::string model =
        XHeader() + XFrame("Good", XSquareMesh("G", 0, 0, 1, 1, 1, 1, 1, 1, "sticker.bmp")) +
        XFrame("Missing", XSquareMesh("M", 0, 0, 1, 1, 1, 1, 1, 1, "nowhere.bmp")) +
        XFrame("Garbage", XSquareMesh("X", 0, 0, 1, 1, 1, 1, 1, 1, "garbage.bmp"));
    ASSERT_FALSE(stickerImage.empty());
    ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"cube.x", model},
                                                    {"sticker.bmp", stickerImage},
                                                    {"garbage.bmp", "BM this is not a picture"}}));
    CSceneFile root("CD3DFile_Root");
    ASSERT_EQ(root.Create(device.Device(), "cube.x"), S_OK);
    EXPECT_NE(root.FindFrame("Good")->mesh->Texture(0), nullptr);
    EXPECT_EQ(root.FindFrame("Missing")->mesh->Texture(0), nullptr);
    EXPECT_EQ(root.FindFrame("Garbage")->mesh->Texture(0), nullptr);
    EXPECT_NE(root.FindFrame("Garbage")->mesh->SystemMesh(), nullptr) << "the mesh itself still loads";
    root.Destroy();
}

TEST_F(SceneFile, SecondMeshInOneFrameFailsTheLoadButKeepsWhatWasBuilt)
{
    ScratchFolder scratch;
    const std::string model = XHeader() + XFrame("Fine", XSquareMesh("F", 0, 0, 1, 1, 1, 1, 1, 1)) +
                              XFrame("Twice", XSquareMesh("T1", 0, 0, 1, 1, 1, 1, 1, 1) +
                                                  XSquareMesh("T2", 0, 0, 1, 1, 1, 1, 1, 1)) +
                              XFrame("Later", "");
    ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"cube.x", model}}));
    CSceneFile root("CD3DFile_Root");
    EXPECT_EQ(root.Create(device.Device(), "cube.x"), E_FAIL);
    EXPECT_NE(root.FindFrame("Fine"), nullptr);
    ASSERT_NE(root.FindFrame("Twice"), nullptr);
    EXPECT_STREQ(root.FindFrame("Twice")->mesh->Name(), "T1");
    EXPECT_EQ(root.FindFrame("Later"), nullptr) << "loading stops at the failing frame";
    root.Destroy();
}

TEST_F(SceneFile, MalformedMeshDataLeavesAnEmptyMesh)
{
    ScratchFolder scratch;
    const std::string header = XHeader();
    const std::string tooManyVertices = "Mesh Big {\n 100;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n"
                                        " 1;\n 3;0,1,2;;\n}\n";
    const std::string indexOutOfRange = "Mesh Far {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n"
                                        " 1;\n 3;0,1,7;;\n}\n";
    const std::string badMaterial = "Mesh Mat {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n"
                                    " 1;\n 3;0,1,2;;\n MeshMaterialList {\n 1;\n 1;\n 4;;\n"
                                    "  Material {\n  1.0;1.0;1.0;1.0;;\n  0.0;\n  0.0;0.0;0.0;;\n  0.0;0.0;0.0;;\n  }\n }\n}\n";
    const std::string badNormals = "Mesh Nrm {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n"
                                   " 1;\n 3;0,1,2;;\n MeshNormals {\n 1;\n 0.0;0.0;-1.0;;\n 1;\n 3;0,0,5;;\n }\n}\n";
    struct Case {
        const char* name;
        std::string mesh;
        bool parserAccepts; // wrong counts may already stop the platform's parser
    };
    const Case cases[] = {{"Big", tooManyVertices, false},
                          {"Far", indexOutOfRange, true},
                          {"Mat", badMaterial, true},
                          {"Nrm", badNormals, true}};
    for (const Case& c : cases) {
        const std::string model = header + XFrame("Fine", XSquareMesh("F", 0, 0, 1, 1, 1, 1, 1, 1)) +
                                  XFrame(c.name, c.mesh);
        ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"cube.x", model}}));
        CSceneFile root("CD3DFile_Root");
        root.Create(device.Device(), "cube.x"); // the result depends on where the parser stops
        ASSERT_NE(root.FindFrame("Fine"), nullptr) << c.name;
        EXPECT_NE(root.FindFrame("Fine")->mesh->SystemMesh(), nullptr) << c.name;
        CSceneFrame* frame = root.FindFrame(c.name);
        if (c.parserAccepts) {
            ASSERT_NE(frame, nullptr) << c.name;
            ASSERT_NE(frame->mesh, nullptr) << c.name;
        }
        if (frame && frame->mesh) {
            EXPECT_EQ(frame->mesh->SystemMesh(), nullptr) << c.name;
            EXPECT_EQ(frame->mesh->OnDeviceReset(device.Device()), E_FAIL) << c.name;
            EXPECT_EQ(frame->mesh->Render(device.Device(), true, true), E_FAIL) << c.name;
        }
        root.Destroy();
    }
}

TEST_F(SceneFile, DataFileFailuresLeaveTheTreeEmpty)
{
    ScratchFolder scratch;
    CSceneFile root("CD3DFile_Root");
    std::unique_ptr<BYTE[]> bytes;
    DWORD size = 0;

    EXPECT_TRUE(FAILED(root.Create(device.Device(), "cube.x"))) << "no data file";
    EXPECT_EQ(root.child, nullptr);

    ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"other.x", XHeader()}}));
    EXPECT_EQ(root.Create(device.Device(), "cube.x"), STG_E_FILENOTFOUND);
    EXPECT_EQ(root.child, nullptr);
    EXPECT_EQ(ReadDataStream("other.x", bytes, size), S_OK);
    EXPECT_EQ(size, XHeader().size());

    ASSERT_TRUE(WritePlainFile(L"tessaron.qzb", "not a compound file at all, just some words"));
    EXPECT_TRUE(FAILED(root.Create(device.Device(), "cube.x")));
    EXPECT_EQ(root.child, nullptr);

    const std::string model = XHeader() + XFrame("A", XSquareMesh("S", 0, 0, 1, 1, 1, 1, 1, 1));
    ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"cube.x", model}}));
    const std::string whole = ReadPlainFile(L"tessaron.qzb");
    ASSERT_TRUE(WritePlainFile(L"tessaron.qzb", whole.substr(0, whole.size() / 2)));
    EXPECT_TRUE(FAILED(root.Create(device.Device(), "cube.x"))) << "truncated compound file";
    EXPECT_EQ(root.child, nullptr);
    EXPECT_TRUE(FAILED(ReadDataStream("cube.x", bytes, size)));
}

} // namespace
