#include "framework/code_page_1251.h"
#include "shell/app_timer.h"
#include "shell/com_init.h"
#include "shell/delay_load_failure.h"
#include "shell/grow_array.h"
#include "shell/media_lookup.h"
#include "shell/text_copy.h"

#include <commdlg.h>
#include <dinput.h>
#include <gtest/gtest.h>
#include <htmlhelp.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

LONGLONG scriptedTicks = 0;
LONGLONG ScriptedTicks()
{
    return scriptedTicks;
}
DWORD scriptedMilliseconds = 0;
DWORD ScriptedMilliseconds()
{
    return scriptedMilliseconds;
}

/// Runs the same story on a timer whose clock is set through setClock (in seconds).
void CheckStopStopStart(CAppTimer& timer, const std::function<void(double)>& setClock)
{
    setClock(1.0);
    timer.Command(kTimerStart);
    setClock(3.0);
    EXPECT_DOUBLE_EQ(timer.Command(kTimerAppTime), 2.0);
    EXPECT_DOUBLE_EQ(timer.Command(kTimerElapsed), 2.0);
    EXPECT_DOUBLE_EQ(timer.Command(kTimerElapsed), 0.0) << "elapsed twice in a row";

    timer.Command(kTimerStop);
    setClock(5.0);
    timer.Command(kTimerStop); // the second stop changes nothing
    setClock(6.0);
    EXPECT_DOUBLE_EQ(timer.Command(kTimerAppTime), 2.0) << "application time stands still while stopped";
    EXPECT_DOUBLE_EQ(timer.Command(kTimerElapsed), 0.0);

    setClock(9.0);
    timer.Command(kTimerStart);
    EXPECT_DOUBLE_EQ(timer.Command(kTimerAppTime), 2.0) << "continues from the first stop";
    setClock(10.5);
    EXPECT_DOUBLE_EQ(timer.Command(kTimerAppTime), 3.5);
    EXPECT_DOUBLE_EQ(timer.Command(kTimerElapsed), 1.5);
}

} // namespace

TEST(AppTimer, CounterStopStopStartKeepsTheFirstStop)
{
    CAppTimer timer(1000, ScriptedTicks);
    EXPECT_TRUE(timer.UsesCounter());
    CheckStopStopStart(timer, [](double s) { scriptedTicks = static_cast<LONGLONG>(s * 1000); });
}

TEST(AppTimer, MillisecondFallbackStopStopStartKeepsTheFirstStop)
{
    CAppTimer timer(ScriptedMilliseconds);
    EXPECT_FALSE(timer.UsesCounter());
    CheckStopStopStart(timer, [](double s) { scriptedMilliseconds = static_cast<DWORD>(s * 1000); });
}

TEST(AppTimer, StartsStoppedAndCountsFromTheFirstStart)
{
    CAppTimer timer(ScriptedMilliseconds);
    scriptedMilliseconds = 4000;
    EXPECT_DOUBLE_EQ(timer.Command(kTimerElapsed), 4.0);
    timer.Command(kTimerStart);
    scriptedMilliseconds = 4250;
    EXPECT_DOUBLE_EQ(timer.Command(kTimerAppTime), 0.25);
    EXPECT_DOUBLE_EQ(timer.Command(99), 0.0) << "unknown commands do nothing";
}

TEST(AppTimer, ProcessTimerMeasuresRealTime)
{
    AppTimer(kTimerStart);
    AppTimer(kTimerElapsed);
    Sleep(20);
    const double elapsed = AppTimer(kTimerElapsed);
    EXPECT_GT(elapsed, 0.010);
    EXPECT_LT(elapsed, 5.0);
    EXPECT_LT(AppTimer(kTimerElapsed), 0.010) << "elapsed asked twice in a row";
}

TEST(GrowArray, ValueModeGrowsFrom16To32AndKeepsOrder)
{
    GrowArray values(GrowArray::Mode::Value, sizeof(int));
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(values.AddValue(i * 10), S_OK);
    EXPECT_EQ(values.Capacity(), 16u);
    ASSERT_EQ(values.AddValue(160), S_OK);
    EXPECT_EQ(values.Capacity(), 32u);
    ASSERT_EQ(values.Count(), 17u);
    for (UINT i = 0; i < 17; ++i)
        EXPECT_EQ(values.ValueAt<int>(i), static_cast<int>(i) * 10);
    EXPECT_TRUE(values.ContainsValue(70));
    EXPECT_FALSE(values.ContainsValue(75));
    EXPECT_EQ(values.AddValue(short{1}), E_INVALIDARG) << "a value of another size";
}

TEST(GrowArray, PointerModeStoresPointersOfPointerSize)
{
    GrowArray pointers(GrowArray::Mode::Pointer, 1);
    EXPECT_EQ(pointers.ElementSize(), sizeof(void*));
    int a = 1, b = 1, c = 2;
    ASSERT_EQ(pointers.Add(&a), S_OK);
    ASSERT_EQ(pointers.Add(&c), S_OK);
    EXPECT_EQ(pointers.Get(0), &a);
    EXPECT_EQ(pointers.Get(1), &c);
    EXPECT_TRUE(pointers.Contains(&a));
    EXPECT_FALSE(pointers.Contains(&b)) << "equal content is not the same pointer";
}

TEST(GrowArray, ZeroElementSizeRefusesToAdd)
{
    GrowArray empty(GrowArray::Mode::Value, 0);
    int value = 3;
    EXPECT_EQ(empty.Add(&value), E_FAIL);
    EXPECT_EQ(empty.Count(), 0u);
}

TEST(CopyTextBounded, CopiesAndAlwaysTerminates)
{
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(CopyTextBounded(small, "abcdef", 4), S_OK);
    EXPECT_STREQ(small, "abc");
    char roomy[8];
    EXPECT_EQ(CopyTextBounded(roomy, "ab", 8), S_OK);
    EXPECT_STREQ(roomy, "ab");
    wchar_t wide[3];
    EXPECT_EQ(CopyTextBounded(wide, L"xyz", 3), S_OK);
    EXPECT_STREQ(wide, L"xy");

    EXPECT_EQ(CopyTextBounded(nullptr, "a", 4), E_INVALIDARG);
    EXPECT_EQ(CopyTextBounded(small, nullptr, 4), E_INVALIDARG);
    EXPECT_EQ(CopyTextBounded(small, "a", 0), E_INVALIDARG);
}

class MediaLookup : public testing::Test {
protected:
    static constexpr const char* kProbe = "tessaron_media_probe.txt";
    void SetUp() override
    {
        FILE* file = std::fopen(kProbe, "w");
        ASSERT_NE(file, nullptr);
        std::fputs("probe", file);
        std::fclose(file);
    }
    void TearDown() override { std::remove(kProbe); }
};

TEST_F(MediaLookup, FindsAnExistingPathAsAFullPath)
{
    char expected[MAX_PATH];
    ASSERT_GT(GetFullPathNameA(kProbe, MAX_PATH, expected, nullptr), 0u);
    char path[MAX_PATH];
    EXPECT_EQ(LocateMediaFile(path, MAX_PATH, kProbe), S_OK);
    EXPECT_STREQ(path, expected);
}

TEST_F(MediaLookup, FindsAFileInARussianFolderByItsFullWindows1251Path)
{
    const std::wstring folder = L"медиа_probe";
    const std::wstring file = folder + L"\\модель.x";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    FILE* probe = _wfopen(file.c_str(), L"w");
    ASSERT_NE(probe, nullptr);
    std::fclose(probe);
    wchar_t full[MAX_PATH];
    ASSERT_GT(GetFullPathNameW(file.c_str(), MAX_PATH, full, nullptr), 0u);
    char path[MAX_PATH];
    EXPECT_EQ(LocateMediaFile(path, MAX_PATH, WideToCp1251(file).c_str()), S_OK);
    EXPECT_EQ(std::string(path), WideToCp1251(full));
    _wremove(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(MediaLookup, FindsTheBareNameInTheCurrentDirectory)
{
    char path[MAX_PATH];
    EXPECT_EQ(LocateMediaFile(path, MAX_PATH, "C:\\no\\such\\folder\\tessaron_media_probe.txt"), S_OK);
    EXPECT_STREQ(path, kProbe);
}

TEST_F(MediaLookup, NameFoundNowhereWithoutTheSdkLeavesAnEmptyBuffer)
{
    HKEY sdk = nullptr;
    ASSERT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectX SDK", 0, KEY_READ, &sdk),
              ERROR_SUCCESS)
        << "the test prefix has no DirectX SDK";
    char path[MAX_PATH] = "stale";
    EXPECT_EQ(LocateMediaFile(path, MAX_PATH, "tessaron_missing_media.x"), E_FAIL);
    EXPECT_STREQ(path, "");
    char folder[MAX_PATH] = "stale";
    EXPECT_EQ(SdkMediaFolder(folder, MAX_PATH), E_FAIL);
    EXPECT_STREQ(folder, "");
}

TEST_F(MediaLookup, RejectsBadArgumentsAndShortBuffers)
{
    char path[MAX_PATH];
    EXPECT_EQ(LocateMediaFile(nullptr, MAX_PATH, kProbe), E_INVALIDARG);
    EXPECT_EQ(LocateMediaFile(path, MAX_PATH, nullptr), E_INVALIDARG);
    EXPECT_EQ(LocateMediaFile(path, 0, kProbe), E_INVALIDARG);
    char tiny[8] = "stale";
    EXPECT_EQ(LocateMediaFile(tiny, 8, kProbe), E_FAIL) << "the full path does not fit";
    EXPECT_STREQ(tiny, "");
    EXPECT_EQ(SdkMediaFolder(nullptr, MAX_PATH), E_INVALIDARG);
    EXPECT_EQ(SdkMediaFolder(path, 0), E_INVALIDARG);
}

namespace {

/// True while this thread is in a single-threaded apartment: the multithreaded request then
/// fails with RPC_E_CHANGED_MODE. Otherwise the probe's own initialisation is undone.
bool InSingleThreadedApartment()
{
    const HRESULT probe = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(probe)) CoUninitialize();
    return probe == RPC_E_CHANGED_MODE;
}

} // namespace

TEST(ComInitialization, UndoesOnlyWhatSucceeded)
{
    ASSERT_FALSE(InSingleThreadedApartment());
    {
        CComInitialization com;
        EXPECT_EQ(com.Initialize(), S_OK);
        EXPECT_TRUE(InSingleThreadedApartment());
        EXPECT_EQ(com.Initialize(), S_FALSE) << "a second call does not initialise twice";
        com.Uninitialize();
        EXPECT_FALSE(InSingleThreadedApartment());
        com.Uninitialize(); // nothing left to undo
    }

    // COM already in another apartment: the initialisation fails and must not be undone.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
        CComInitialization com;
        EXPECT_EQ(com.Initialize(), RPC_E_CHANGED_MODE);
        EXPECT_FALSE(com.Initialized());
    }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "the other apartment is still there";
    CoUninitialize();
    CoUninitialize();
}

// Delay imports of this test program alone (tests/tests.cmake): ChooseColorW and DirectInput8Create
// from a library that exists nowhere, HtmlHelpW from kernel32, which has no such function.
extern "C" BOOL WINAPI AbsentLibraryChooseColorW(LPCHOOSECOLORW);
extern "C" HRESULT WINAPI AbsentLibraryDirectInput8Create(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);
extern "C" HWND WINAPI MissingFunctionHtmlHelpW(HWND, LPCWSTR, UINT, DWORD_PTR);

TEST(DelayLoadFailure, AMissingLibraryOrFunctionIsReportedAndTheCallFailsInsteadOfRaising)
{
    static std::vector<std::wstring> messages;
    delay_load_testing::Capture([](const wchar_t* text) { messages.push_back(text); });
    InstallDelayLoadFailureHook();

    CHOOSECOLORW colour{};
    colour.lStructSize = sizeof colour;
    EXPECT_FALSE(AbsentLibraryChooseColorW(&colour)) << "as if the player cancelled";
    EXPECT_FALSE(AbsentLibraryChooseColorW(&colour));
    EXPECT_EQ(MissingFunctionHtmlHelpW(nullptr, L"tessaron.CHM", HH_DISPLAY_TOPIC, 0), nullptr);
    // Without DirectInput the game goes on with no input devices, and says what is lost.
    void* directInput = &colour;
    EXPECT_TRUE(FAILED(AbsentLibraryDirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION,
                                                       IID_IDirectInput8A, &directInput, nullptr)));
    EXPECT_EQ(directInput, nullptr);
    ASSERT_EQ(messages.size(), 3u) << "once per function";
    EXPECT_NE(messages[0].find(L"библиотеку tessaron_absent.dll"), std::wstring::npos) << messages[0];
    EXPECT_NE(messages[0].find(L"Эта команда недоступна"), std::wstring::npos) << messages[0];
    EXPECT_NE(messages[1].find(L"kernel32.dll нет функции HtmlHelpW"), std::wstring::npos) << messages[1];
    EXPECT_NE(messages[2].find(L"мышью"), std::wstring::npos) << messages[2];
    delay_load_testing::Capture(nullptr);
}
