// The help built beside the game: the HTML Help file and the same pages as plain HTML.
#include "shell/help_viewer.h"
#include "framework/child_window_presenter.h"

#include <gtest/gtest.h>
#include <htmlhelp.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string FileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(Help, FileNameIsTheProgramsWithChm)
{
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring expected = module;
    expected.replace(expected.rfind(L'.'), std::wstring::npos, L".CHM");
    EXPECT_EQ(HelpFilePath(), expected);
}

TEST(Help, CompiledHelpAndPlainPagesAreBesideTheGame)
{
    std::string chm = FileBytes("tessaron.CHM");
    ASSERT_GT(chm.size(), 1000u);
    EXPECT_EQ(chm.substr(0, 4), "ITSF");
    for (const char* page : {"index.html", "turning.html", "modes.html", "records.html", "settings.html", "keys.html"})
        EXPECT_NE(chm.find(std::string("/") + page), std::string::npos) << page;

    std::string index = FileBytes("help/index.html");
    EXPECT_NE(index.find("charset=\"utf-8\""), std::string::npos);
    EXPECT_NE(index.find("Головоломка Кубик Тессара"), std::string::npos);
    EXPECT_NE(FileBytes("help/keys.html").find("F2"), std::string::npos);
}

TEST(Help, ViewerCaptionIsTheRussianTitleWhateverTheCodePage)
{
    wchar_t file[MAX_PATH];
    ASSERT_GT(GetFullPathNameW(L"tessaron.CHM", MAX_PATH, file, nullptr), 0u);
    HWND viewer = OpenHelpViewer(nullptr, file);
    ASSERT_NE(viewer, nullptr);
    wchar_t caption[128] = {};
    GetWindowTextW(viewer, caption, 128);
    EXPECT_STREQ(caption, L"Головоломка Кубик Тессара");
    HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

TEST(Help, WineIsRecognised)
{
    // The tests always run under Wine.
    EXPECT_TRUE(RunningUnderWine());
}

} // namespace
