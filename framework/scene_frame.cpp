// The tree half of the scene frames: construction, ownership and lookup by name.
// Drawing and the device life cycle of the meshes live with the scene loader.
#include "framework/scene_frame.h"

#include <cstring>

CSceneFrame::CSceneFrame(const char* frameName)
{
    name[0] = '\0';
    if (frameName) {
        std::strncpy(name, frameName, kMaxNameLength);
        name[kMaxNameLength] = '\0';
    }
    D3DXMatrixIdentity(&matrix);
}

CSceneFrame::~CSceneFrame()
{
    delete child;
    // Siblings are released one after another rather than through each other's destructor,
    // so a long sibling list cannot exhaust the stack.
    CSceneFrame* sibling = next;
    while (sibling) {
        CSceneFrame* following = sibling->next;
        sibling->next = nullptr;
        delete sibling;
        sibling = following;
    }
}

void CSceneFrame::AddChild(CSceneFrame* frame)
{
    if (!frame) return;
    frame->next = child;
    child = frame;
}

CSceneFrame* CSceneFrame::FindFrame(const char* frameName)
{
    if (!frameName) return nullptr;
    // Walking the sibling chain in a loop visits the same pre-order as recursing into next,
    // without one stack frame per sibling.
    for (CSceneFrame* frame = this; frame; frame = frame->next) {
        if (lstrcmpiA(frame->name, frameName) == 0) return frame;
        if (frame->child) {
            if (CSceneFrame* found = frame->child->FindFrame(frameName)) return found;
        }
    }
    return nullptr;
}
