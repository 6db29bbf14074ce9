#include "shell/about_dialog.h"

#include "resources/resource.h"

namespace {

const wchar_t kTextFace[] = L"Microsoft Sans Serif";
constexpr int kTextPointSizeTenths = 100;
constexpr int kNoControlId = 0xFFFF;
constexpr RECT kVersionBounds{70, 20, 200, 40};
constexpr RECT kAuthorBounds{70, 40, 370, 120};

/// A font of the given point size (in tenths of a point) for the screen.
HFONT CreatePointFont(int tenths, const wchar_t* face)
{
    LOGFONTW font{};
    HDC screen = GetDC(nullptr);
    font.lfHeight = -MulDiv(tenths, GetDeviceCaps(screen, LOGPIXELSY), 720);
    ReleaseDC(nullptr, screen);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

} // namespace

const wchar_t CAboutDlg::kVersionText[] = L"Version 2.0";
const wchar_t CAboutDlg::kAuthorText[] =
    L"Tessaron: the Tessaron developers <developers@tessaron.example.org>\nhttps://tessaron.example.org/";

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUT) {}

bool CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    font.Reset(CreatePointFont(kTextPointSizeTenths, kTextFace));
    AddText(kVersionText, kVersionBounds);
    AddText(kAuthorText, kAuthorBounds);
    return true;
}

void CAboutDlg::AddText(const wchar_t* text, const RECT& bounds)
{
    HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, bounds.left, bounds.top,
                                 bounds.right - bounds.left, bounds.bottom - bounds.top, hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNoControlId)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (label && font) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
}
