#include "support/cube_scene_builder.h"

#include "puzzle/cube_layout.h"

#include <cstring>

namespace test_support {

std::unique_ptr<CSceneFrame> BuildCubeScene(const char* missingFrame)
{
    auto root = std::make_unique<CSceneFrame>("CD3DFile_Root");
    // A frame that is not a piece, as the real scene has, so lookups must pass it by.
    root->AddChild(new CSceneFrame("Camera01"));
    for (const cube_layout::Piece& piece : cube_layout::Pieces()) {
        if (missingFrame && std::strcmp(piece.frameName, missingFrame) == 0) continue;
        auto* frame = new CSceneFrame(piece.frameName);
        D3DXMatrixTranslation(&frame->matrix, piece.position.x, piece.position.y, piece.position.z);
        root->AddChild(frame);
    }
    return root;
}

} // namespace test_support
