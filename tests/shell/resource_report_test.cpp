// The process-resource counts that the soak and storm tests rely on must actually move when
// objects are made and freed, and the opt-in report must write its lines only when asked.

#include "shell/resource_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

TEST(ProcessResourcesCount, FollowGdiObjectsWindowsAndMemory)
{
    // The first brush and the first count also make objects of the system's own.
    DeleteObject(CreateSolidBrush(0));
    CurrentProcessResources();
    const ProcessResources start = CurrentProcessResources();
    EXPECT_GT(start.gdiObjects, 0u) << "stock objects at least";
    EXPECT_GT(start.privateBytes, 0u);

    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 25; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    EXPECT_GE(CurrentProcessResources().gdiObjects, start.gdiObjects + 25);
    for (HBRUSH brush : brushes) DeleteObject(brush);
    EXPECT_EQ(CurrentProcessResources().gdiObjects, start.gdiObjects);

    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    const DWORD withWindow = CurrentProcessResources().windows;
    EXPECT_GT(withWindow, start.windows);
    DestroyWindow(window);
    EXPECT_LT(CurrentProcessResources().windows, withWindow);

    std::vector<char> block(64 << 20, 1); // touched, so that it counts as used
    EXPECT_GE(CurrentProcessResources().privateBytes, start.privateBytes + (48u << 20));
}

TEST(ResourceReportFile, WritesLinesOnlyWhenTheVariableNamesAFile)
{
    const wchar_t* const kFile = L"resource-report-test.txt";
    _wremove(kFile);
    SetEnvironmentVariableW(ResourceReport::kVariable, nullptr);
    ResourceReport off;
    EXPECT_FALSE(off.Enabled());
    off.Sample("exit");
    EXPECT_EQ(_wfopen(kFile, L"rb"), nullptr);

    SetEnvironmentVariableW(ResourceReport::kVariable, kFile);
    ResourceReport on;
    SetEnvironmentVariableW(ResourceReport::kVariable, nullptr);
    ASSERT_TRUE(on.Enabled());
    on.SampleWhenDue(); // too soon after the start: nothing
    on.Sample("exit");
    on.Sample("exit");
    std::ifstream file("resource-report-test.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    file.close();
    _wremove(kFile);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("exit gdi=", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(" windows="), std::string::npos);
    EXPECT_NE(lines[0].find(" private_kb="), std::string::npos);
}
