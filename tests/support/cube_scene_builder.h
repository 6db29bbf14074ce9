#pragma once
// Builds a stand-in of the loaded cube scene from the layout table: a root with the 81
// piece frames as direct children, each translated to its solved centre.

#include "framework/scene_frame.h"

#include <memory>

namespace test_support {

/// The whole cube, optionally without the frame named missingFrame.
std::unique_ptr<CSceneFrame> BuildCubeScene(const char* missingFrame = nullptr);

} // namespace test_support
