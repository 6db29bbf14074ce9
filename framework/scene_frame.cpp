// Frame tree basics: construction, ownership and lookup by name.

#include "framework/scene_frame.h"

#include <cstring>

CSceneFrame::CSceneFrame(const char* frameName)
{
    lstrcpynA(name, frameName ? frameName : "", sizeof name);
    D3DXMatrixIdentity(&matrix);
}

CSceneFrame::~CSceneFrame()
{
    delete child;
    delete next;
}

void CSceneFrame::AddChild(CSceneFrame* frame)
{
    frame->next = child;
    child = frame;
}

CSceneFrame* CSceneFrame::FindFrame(const char* wanted)
{
    if (lstrcmpiA(name, wanted) == 0) return this;
    if (child)
        if (CSceneFrame* found = child->FindFrame(wanted)) return found;
    return next ? next->FindFrame(wanted) : nullptr;
}
