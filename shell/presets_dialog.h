#pragma once
// The Presets dialog: whether to show the background picture, ask for the name at start,
// show the champion list and the name with the stopwatch, and the training scramble length.

#include "shell/dialog.h"

/// The preset settings the dialog edits; flags count as on only when they equal 1.
struct PresetValues {
    int numberRotate = 3;            ///< "NumberRotate": random turns of a training scramble
    int picture = 1;                 ///< "Picture"
    int showNameDlg = 1;             ///< "ShowNameDlg"
    int showListChampions = 1;       ///< "ShowListChampions"
    int showNamePlayerStopWatch = 1; ///< "ShowNamePlayerStopWatch"
};

constexpr int kMinScrambleTurns = 3;
constexpr int kMaxScrambleTurns = 999; ///< three digits fit into the box
constexpr DWORD kBackgroundForPicture = 0xFFFFFFFF;   ///< opaque white: the picture drawn unaltered
constexpr DWORD kBackgroundPictureMissing = 0xFF000000; ///< opaque black
constexpr DWORD kBackgroundWithoutPicture = 0x00000000;

class CPreSetDlg : public CDialog {
public:
    CPreSetDlg();

    PresetValues values;

protected:
    bool DoDataExchange(bool save) override;
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT notifyCode, HWND control) override;
    void OnOK() override;

private:
    /// Typing filter: a last character that is not a decimal digit is taken out again.
    void OnNumberChange();
};

/// The scramble length the box's text stands for: a decimal number after optional blanks and
/// sign (no digits: 0), raised to 3 when smaller and held to the three digits the box allows.
int ScrambleTurnsFromText(const std::wstring& text);

/// The background colour once the dialog closed with OK: white when the picture is on and its
/// file opens, black when it is on and the file does not open, transparent black when it is off.
DWORD BackgroundColourAfterPresets(int picture, const char* picturePath);

/// The Presets command: runs the dialog on `values`; on OK stores its values and sets the
/// background colour by the rules above. Returns whether the dialog ended with OK.
bool RunPresetsDialog(HWND owner, PresetValues& values, DWORD& colorBG, const char* picturePath);
