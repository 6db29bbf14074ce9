// Mutated models and data files: loading must end with a result code, never a crash or a read
// outside the data, and every mesh that does load must index only its own vertices. A few hundred
// models per run; TESSARON_FUZZ_CASES and TESSARON_FUZZ_SEED set the number and the seed
// (scripts/reliability.sh runs a long campaign), and a failure names the seed to replay.

#include "framework/data_file.h"
#include "framework/mesh_intersect.h"
#include "framework/scene_frame.h"
#include "framework/scene_loader.h"
#include "framework/scene_mesh.h"
#include "support/scene_test_support.h"
#include "support/scripted_random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

constexpr int kModelMutations = 300;
constexpr int kDataFileMutations = 100;
constexpr unsigned kModelSeed = 20240601;
constexpr unsigned kDataFileSeed = 77;

std::string SeedModel()
{
    const std::string twoMaterials =
        "Mesh Pair {\n 5;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 1.0;1.0;0.0;,\n 0.0;1.0;0.0;,\n 0.5;2.0;0.0;;\n"
        " 2;\n 4;0,3,2,1;,\n 3;3,4,2;;\n"
        " MeshNormals {\n 1;\n 0.0;0.0;-1.0;;\n 2;\n 4;0,0,0,0;,\n 3;0,0,0;;\n }\n"
        " MeshMaterialList {\n 2;\n 2;\n 0,\n 1;;\n"
        "  Material {\n  1.0;0.0;0.0;1.0;;\n  5.0;\n  0.0;0.0;0.0;;\n  0.0;0.0;0.0;;\n  }\n"
        "  Material {\n  0.0;0.0;1.0;0.5;;\n  5.0;\n  0.0;0.0;0.0;;\n  0.0;0.0;0.0;;\n"
        "   TextureFilename {\n   \"t.bmp\";\n   }\n  }\n }\n}\n";
    return XHeader() + XFrame("A", XSquareMesh("S", -1, -1, 1, 1, 1, 1, 1, 1, "t.bmp"), 1, 2, 3) +
           XFrame("B", XFrame("C", twoMaterials, 0, 1, 0)) + XSquareMesh("Loose", 2, 2, 3, 3, 0, 1, 0, 1);
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : random(seed) {}

    /// One to three random edits, mostly in the part after the template definitions.
    std::string Mutate(const std::string& seed, std::size_t dataStart)
    {
        std::string bytes = seed;
        const int edits = 1 + Below(3);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const std::size_t at = Below(5) ? dataStart + Below(bytes.size() - std::min(dataStart, bytes.size() - 1))
                                            : Below(bytes.size());
            const std::size_t pos = std::min(at, bytes.size() - 1);
            switch (Below(6)) {
            case 0: bytes[pos] = static_cast<char>(Below(256)); break;
            case 1: bytes.resize(pos); break;
            case 2: bytes.erase(pos, 1 + Below(16)); break;
            case 3: bytes.insert(pos, bytes.substr(pos, 1 + Below(64))); break;
            default: {
                // Counts and indices are what matter most: replace a number with another one.
                const std::size_t digit = bytes.find_first_of("0123456789", pos);
                if (digit == std::string::npos) break;
                static const char* const kNumbers[] = {"0", "1", "2", "7", "65535", "65536", "4294967295", "100000"};
                bytes.replace(digit, 1, kNumbers[Below(8)]);
            }
            }
        }
        return bytes;
    }
    std::size_t Below(std::size_t n) { return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(random) : 0; }

private:
    std::mt19937 random;
};

/// Every face of a built mesh must refer to vertices the mesh has.
void ExpectIndicesInRange(ID3DXMesh* mesh)
{
    void* data = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    const bool wide = mesh->GetOptions() & D3DXMESH_32BIT;
    for (DWORD i = 0; i < 3 * mesh->GetNumFaces(); ++i) {
        const DWORD index = wide ? static_cast<DWORD*>(data)[i] : static_cast<WORD*>(data)[i];
        ASSERT_LT(index, mesh->GetNumVertices());
    }
    mesh->UnlockIndexBuffer();
}

void CheckTree(CSceneFrame* frame, IDirect3DDevice9* device)
{
    for (; frame; frame = frame->next) {
        if (frame->mesh && frame->mesh->SystemMesh()) ExpectIndicesInRange(frame->mesh->SystemMesh());
        if (frame->mesh && frame->mesh->DeviceMesh()) frame->mesh->Render(device, true, true);
        CheckTree(frame->child, device);
    }
}

class SceneFuzz : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_NE(device.Device(), nullptr);
    }
    void TearDown() override { CoUninitialize(); }
    TestDevice device{32, 32};
};

TEST_F(SceneFuzz, MutatedModelsLoadOrFailCleanly)
{
    const std::string seed = SeedModel();
    const std::size_t dataStart = XHeader().size();
    {
        CSceneFile root("CD3DFile_Root");
        ASSERT_EQ(LoadSceneFromMemory(device.Device(), &root, seed.data(), static_cast<DWORD>(seed.size())), S_OK);
        ASSERT_NE(root.FindFrame("C"), nullptr);
        ASSERT_NE(root.FindFrame("C")->mesh->SystemMesh(), nullptr) << "the seed itself is sound";
        EXPECT_EQ(root.FindFrame("C")->mesh->MaterialCount(), 2u);
        CSceneMesh merged("CD3DFile_Mesh");
        ASSERT_EQ(merged.CreateFromModelBytes(device.Device(), seed.data(), static_cast<DWORD>(seed.size())), S_OK);
        EXPECT_EQ(merged.SystemMesh()->GetNumFaces(), 2u + 3u + 2u);
        root.Destroy();
    }
    const int cases = FromEnvironment("TESSARON_FUZZ_CASES", kModelMutations);
    const unsigned randomSeed = static_cast<unsigned>(FromEnvironment("TESSARON_FUZZ_SEED", kModelSeed));
    SCOPED_TRACE("seed " + std::to_string(randomSeed));
    Mutator mutator(randomSeed);
    int loaded = 0;
    IDirect3DDevice9* d = device.Device();
    d->BeginScene();
    for (int i = 0; i < cases; ++i) {
        const std::string model = mutator.Mutate(seed, dataStart);
        CSceneFile root("CD3DFile_Root");
        if (LoadSceneFromMemory(d, &root, model.data(), static_cast<DWORD>(model.size())) == S_OK) ++loaded;
        // Device copies are slow to make under Wine: draw only every tenth tree.
        if (i % 10 == 0) root.OnDeviceReset(d);
        CheckTree(root.child, d);
        root.Render(d, nullptr);
        root.Destroy();

        CSceneMesh merged("CD3DFile_Mesh");
        if (SUCCEEDED(merged.CreateFromModelBytes(d, model.data(), static_cast<DWORD>(model.size())))) {
            ExpectIndicesInRange(merged.SystemMesh());
            bool hit = false;
            float distance = 0;
            EXPECT_EQ(IntersectMesh(merged.SystemMesh(), {0.5f, 0.5f, -5}, {0, 0, 1}, hit, distance), S_OK);
        }
        if (HasFatalFailure()) {
            ADD_FAILURE() << "mutation " << i << ":\n" << model.substr(dataStart);
            break;
        }
    }
    d->EndScene();
    // The mutations must leave some models whole and break others, or they test nothing.
    EXPECT_GT(loaded, cases / 20);
    EXPECT_LT(loaded, cases);
}

TEST_F(SceneFuzz, MutatedDataFilesReadOrFailCleanly)
{
    ScratchFolder scratch;
    ASSERT_TRUE(WriteCompoundFile(L"tessaron.qzb", {{"cube.x", SeedModel()}, {"t.bmp", "BM not an image"}}));
    const std::string seed = ReadPlainFile(L"tessaron.qzb");
    ASSERT_FALSE(seed.empty());
    const int cases = FromEnvironment("TESSARON_FUZZ_CASES", kDataFileMutations);
    const unsigned randomSeed = static_cast<unsigned>(FromEnvironment("TESSARON_FUZZ_SEED", kDataFileSeed));
    SCOPED_TRACE("seed " + std::to_string(randomSeed));
    Mutator mutator(randomSeed);
    int loaded = 0;
    for (int i = 0; i < cases; ++i) {
        ASSERT_TRUE(WritePlainFile(L"tessaron.qzb", mutator.Mutate(seed, 0)));
        CSceneFile root("CD3DFile_Root");
        if (root.Create(device.Device(), "cube.x") == S_OK) ++loaded;
        CheckTree(root.child, device.Device());
        root.Destroy();
        std::unique_ptr<BYTE[]> bytes;
        DWORD size = 0;
        if (ReadDataStream("t.bmp", bytes, size) == S_OK) {
            EXPECT_LE(size, seed.size());
        }
        if (HasFatalFailure()) break;
    }
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, cases);
}

} // namespace
