#pragma once
// Loading X data into the scene's frame tree, below a given frame. CSceneFile::Create reads the
// model from the data file, or takes one read before, and makes it here.

#include "framework/scene_frame.h"
#include "framework/scene_model.h"

/// Loads every top-level object of the X data in bytes into root: frames in reverse file order,
/// transforms into their frame, at most one mesh per frame. E_FAIL when an object fails to load.
HRESULT LoadSceneFromMemory(IDirect3DDevice9* device, CSceneFrame* root, const void* bytes, DWORD size);

/// Makes a model read before into root, in the same way; the model's own result when every
/// object was made.
HRESULT MakeScene(IDirect3DDevice9* device, CSceneFrame* root, const SceneModel& model);
