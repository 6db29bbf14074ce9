// Resource ids of the game: menu, icon, accelerators, dialogs and their controls, the splash
// picture and its shape. Shared by the resource scripts and the code.
#pragma once

// Frame: menu 101 and icon group 101 share the id, the accelerators have their own.
#define IDR_MAINFRAME 101
#define IDR_ACCELERATORS 113

// Dialog templates.
#define IDD_FORM 102
#define IDD_PRESETS 202
#define IDD_ABOUT 213
#define IDD_NEW_PLAYER 214

// Splash picture and the region data of its shape (custom type "BIN").
#define IDB_SPLASH 212
#define IDR_SPLASH_REGION 216

// Menu commands.
#define IDM_PLAYER_NAME 40038
#define IDM_TRAINING 40039
#define IDM_TIMED_SOLVE 40042
#define IDM_FULL_SCREEN 40045
#define IDM_APP_EXIT 57665
#define IDM_STEP_BACK 57643
#define IDM_RESET_CUBE 40028
#define IDM_BACKGROUND_COLOUR 40031
#define IDM_BACKGROUND_PICTURE 40032
#define IDM_PRESETS 201
#define IDM_ABOUT 40022
#define IDM_HELP 40023
// Alt+Enter: the same as IDM_FULL_SCREEN.
#define IDM_TOGGLE_FULL_SCREEN 2003

// Presets dialog controls.
#define IDC_SHOW_PICTURE 2009
#define IDC_ASK_NAME 2011
#define IDC_SHOW_CHAMPIONS 2012
#define IDC_SHOW_NAME_STOPWATCH 2013
#define IDC_NUMBER_ROTATE 2005

// New-player dialog control.
#define IDC_PLAYER_NAME 2010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
