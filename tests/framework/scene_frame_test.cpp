#include "framework/scene_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

bool IsIdentity(const D3DXMATRIX& m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m(r, c) != (r == c ? 1.0f : 0.0f)) return false;
    return true;
}

} // namespace

TEST(SceneFrame, NewFrameHasItsNameAnIdentityMatrixAndNoLinks)
{
    CSceneFrame frame("ChamferBox01");
    EXPECT_STREQ(frame.Name(), "ChamferBox01");
    EXPECT_TRUE(IsIdentity(frame.matrix));
    EXPECT_EQ(frame.mesh, nullptr);
    EXPECT_EQ(frame.next, nullptr);
    EXPECT_EQ(frame.child, nullptr);
}

TEST(SceneFrame, OverlongNameIsCutAt511Characters)
{
    const std::string longName(700, 'q');
    CSceneFrame frame(longName.c_str());
    EXPECT_EQ(std::strlen(frame.Name()), 511u);
    EXPECT_NE(frame.FindFrame(longName.substr(0, 511).c_str()), nullptr);

    CSceneFrame unnamed(nullptr);
    EXPECT_STREQ(unnamed.Name(), "");
}

TEST(SceneFrame, ChildrenEndUpInReverseOrderAndAreAllFound)
{
    CSceneFrame root("root");
    auto* a = new CSceneFrame("A");
    auto* b = new CSceneFrame("B");
    root.AddChild(a);
    root.AddChild(b);
    EXPECT_EQ(root.child, b);
    EXPECT_EQ(b->next, a);
    EXPECT_EQ(a->next, nullptr);
    EXPECT_EQ(root.FindFrame("A"), a);
    EXPECT_EQ(root.FindFrame("B"), b);
    EXPECT_EQ(root.FindFrame("root"), &root);
    EXPECT_EQ(root.FindFrame("C"), nullptr);
    EXPECT_EQ(root.FindFrame(nullptr), nullptr);
}

TEST(SceneFrame, FindIgnoresCase)
{
    CSceneFrame root("CD3DFile_Root");
    auto* gengon = new CSceneFrame("Gengon01");
    root.AddChild(gengon);
    EXPECT_EQ(root.FindFrame("gengon01"), gengon);
    EXPECT_EQ(root.FindFrame("GENGON01"), gengon);
    EXPECT_EQ(root.FindFrame("Gengon1"), nullptr);
}

TEST(SceneFrame, FirstMatchInPreOrderWins)
{
    // root -> child P (child Q named "X") -> next R named "X": the parent and its children
    // come before the next sibling.
    CSceneFrame root("root");
    auto* later = new CSceneFrame("X");
    auto* parent = new CSceneFrame("P");
    auto* nested = new CSceneFrame("x");
    root.AddChild(later);
    root.AddChild(parent);
    parent->AddChild(nested);
    EXPECT_EQ(root.FindFrame("X"), nested);

    // A frame named like its own child is found before the child.
    auto* outer = new CSceneFrame("Same");
    outer->AddChild(new CSceneFrame("Same"));
    nested->AddChild(outer);
    EXPECT_EQ(root.FindFrame("same"), outer);
}

TEST(SceneFrame, LongSiblingListIsSearchedAndReleasedWithoutRecursion)
{
    // Deep enough that a destructor or search recursing once per sibling would overflow
    // the stack.
    constexpr int kSiblings = 100000;
    auto* root = new CSceneFrame("root");
    root->AddChild(new CSceneFrame("first"));
    for (int i = 0; i < kSiblings; ++i)
        root->AddChild(new CSceneFrame("filler"));
    EXPECT_NE(root->FindFrame("first"), nullptr);
    EXPECT_EQ(root->FindFrame("absent"), nullptr);
    delete root;
}
