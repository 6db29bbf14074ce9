#include "shell/settings_store.h"

#include "framework/file_path_1251.h"
#include "shell/registry_access.h"
#include "shell/registry_key.h"

#include <algorithm>

namespace {

constexpr char kLeft[] = "Left";
constexpr char kTop[] = "Top";
constexpr char kRight[] = "Width";   // holds the right edge, not a width
constexpr char kBottom[] = "Height"; // holds the bottom edge, not a height
constexpr char kPathPicture[] = "PathPicture";
constexpr char kNumberRotate[] = "NumberRotate";
constexpr char kColorBG[] = "ColorBG";
constexpr char kPicture[] = "Picture";
constexpr char kShowNameDlg[] = "ShowNameDlg";
constexpr char kShowListChampions[] = "ShowListChampions";
constexpr char kShowNamePlayerStopWatch[] = "ShowNamePlayerStopWatch";
constexpr char kNamePlayer[] = "NamePlayer";
constexpr char kChampions[] = "Champions";

constexpr DWORD kPathBufferSize = 512;
constexpr char kDefaultPicturePath[] = "background.jpg";
constexpr DWORD kDefaultNumberRotate = 3;
constexpr DWORD kOpaqueBlack = 0xFF000000;
constexpr DWORD kDefaultPicture = 0;
constexpr DWORD kDefaultFlagOn = 1;
constexpr int kFrameWidth = 700;
constexpr int kFrameHeight = 626;
constexpr int kUnscaledPixelsPerInch = 96;

// Edges are signed screen coordinates kept in DWORDs as their bit patterns.
LONG ReadEdge(HKEY key, const char* name, LONG defaultValue)
{
    DWORD value = static_cast<DWORD>(defaultValue);
    ReadDwordSetting(key, name, &value, static_cast<DWORD>(defaultValue)); // the default covers a failure
    return static_cast<LONG>(value);
}

int ScreenPixelsPerInch()
{
    const HDC screen = GetDC(nullptr);
    const int perInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return perInch > 0 ? perInch : kUnscaledPixelsPerInch;
}

/// A frame side scaled to the display, never below its unscaled size nor beyond the screen.
int ScaledSide(int side, int perInch, int screenSide)
{
    return std::max(side, std::min(MulDiv(side, perInch, kUnscaledPixelsPerInch), screenSide));
}

RECT ReadFrameRect(HKEY key)
{
    const RECT fallback = DefaultFrameRect({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                                           ScreenPixelsPerInch());
    RECT rect;
    rect.left = ReadEdge(key, kLeft, fallback.left);
    rect.top = ReadEdge(key, kTop, fallback.top);
    rect.right = ReadEdge(key, kRight, fallback.right);
    rect.bottom = ReadEdge(key, kBottom, fallback.bottom);
    return rect;
}

void PlaceFrame(HWND frame, const RECT& rect)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.showCmd = SW_HIDE; // the application shows the frame later
    placement.rcNormalPosition = rect;
    SetWindowPlacement(frame, &placement); // a frame that refuses keeps the position it was given
}

void ReadPlayerNames(HKEY key, PlayerNames& names)
{
    PlayerNames::Block fallback{};
    const NameField& current = names.Current();
    std::copy(current.begin(), current.end(), fallback.begin());
    PlayerNames::Block block = names.ToBlock();
    ReadBinarySetting(key, kNamePlayer, block.data(), PlayerNames::kBlockSize, fallback.data());
    names.FromBlock(block);
}

void ReadChampionTable(HKEY key, ChampionTable& table)
{
    const ChampionTable::Block fallback = ChampionTable::EmptyBlock();
    ChampionTable::Block block = table.ToBlock();
    ReadBinarySetting(key, kChampions, block.data(), ChampionTable::kBlockSize, fallback.data());
    table.FromBlock(block);
}

// Of the readings an earlier version's value may have, the one naming an existing file wins.
std::string ReadPicturePath(HKEY key)
{
    char buffer[kPathBufferSize];
    ReadStringSetting(key, kPathPicture, buffer, kPathBufferSize, kDefaultPicturePath,
                      [](const std::string& path) { return CanOpenForReading1251(path.c_str()); });
    return buffer;
}

RECT RestoredFrameRect(HWND frame, const RECT& fallback)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!frame || !GetWindowPlacement(frame, &placement)) return fallback;
    return placement.rcNormalPosition;
}

} // namespace

RECT DefaultFrameRect(SIZE screen, int pixelsPerInch)
{
    const int width = ScaledSide(kFrameWidth, pixelsPerInch, screen.cx);
    const int height = ScaledSide(kFrameHeight, pixelsPerInch, screen.cy);
    const LONG left = screen.cx / 2 - width / 2;
    const LONG top = screen.cy / 2 - height / 2;
    return {left, top, left + width, top + height};
}

bool LoadSettings(Settings& settings, HKEY root, const char* path, HWND frame)
{
    const UniqueHKey key = OpenOrCreateKey(root, path);
    if (!key) return false;

    settings.frameRect = ReadFrameRect(key.Get());
    if (frame) PlaceFrame(frame, settings.frameRect);

    ReadPlayerNames(key.Get(), settings.playerNames);
    ReadDwordSetting(key.Get(), kNumberRotate, &settings.NumberRotate, kDefaultNumberRotate);
    ReadChampionTable(key.Get(), settings.championTable);
    ReadDwordSetting(key.Get(), kColorBG, &settings.ColorBG, kOpaqueBlack);
    ReadDwordSetting(key.Get(), kPicture, &settings.Picture, kDefaultPicture);
    settings.PathPicture = ReadPicturePath(key.Get());

    // Without its picture the background falls back to black, whether or not the picture is on.
    if (!CanOpenForReading1251(settings.PathPicture.c_str())) settings.ColorBG = kOpaqueBlack;

    ReadDwordSetting(key.Get(), kShowNameDlg, &settings.ShowNameDlg, kDefaultFlagOn);
    ReadDwordSetting(key.Get(), kShowListChampions, &settings.ShowListChampions, kDefaultFlagOn);
    ReadDwordSetting(key.Get(), kShowNamePlayerStopWatch, &settings.ShowNamePlayerStopWatch, kDefaultFlagOn);
    return true;
}

// Each write stands alone: a failed one does not keep the rest from being written.
void SaveSettings(const Settings& settings, HKEY root, const char* path, HWND frame)
{
    const UniqueHKey key = OpenOrCreateKey(root, path);
    if (!key) return;

    const RECT rect = RestoredFrameRect(frame, settings.frameRect);
    WriteDwordSetting(key.Get(), kLeft, static_cast<DWORD>(rect.left));
    WriteDwordSetting(key.Get(), kTop, static_cast<DWORD>(rect.top));
    WriteDwordSetting(key.Get(), kRight, static_cast<DWORD>(rect.right));
    WriteDwordSetting(key.Get(), kBottom, static_cast<DWORD>(rect.bottom));

    WriteStringSetting(key.Get(), kPathPicture, settings.PathPicture.c_str());

    WriteDwordSetting(key.Get(), kNumberRotate, settings.NumberRotate);
    WriteDwordSetting(key.Get(), kColorBG, settings.ColorBG);
    WriteDwordSetting(key.Get(), kPicture, settings.Picture);
    WriteDwordSetting(key.Get(), kShowNameDlg, settings.ShowNameDlg);
    WriteDwordSetting(key.Get(), kShowListChampions, settings.ShowListChampions);
    WriteDwordSetting(key.Get(), kShowNamePlayerStopWatch, settings.ShowNamePlayerStopWatch);

    const PlayerNames::Block names = settings.playerNames.ToBlock();
    WriteBinarySetting(key.Get(), kNamePlayer, names.data(), PlayerNames::kBlockSize);
    const ChampionTable::Block champions = settings.championTable.ToBlock();
    WriteBinarySetting(key.Get(), kChampions, champions.data(), ChampionTable::kBlockSize);
}
