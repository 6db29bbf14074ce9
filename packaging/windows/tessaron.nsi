; The setup program for Windows players: a 64-bit installer in Russian that installs the game for
; the player alone (no administrator), in %LOCALAPPDATA%\Programs\Tessaron, with a Start-menu
; shortcut, an optional desktop shortcut and an entry in Apps & features. Its uninstaller removes
; the files and shortcuts and keeps the player's settings, names and champion table
; (HKCU\Software\Tessaron) unless the player ticks the box that removes them too.
;
; Built by the build (packaging/windows/setup.cmake), which defines:
;   VERSION, VERSION_MAJOR, VERSION_MINOR  the project's version, as the game's version resource has it
;   OUTFILE      the setup program to write
;   ICON         the game's icon
;   INSTALL_LIST the generated File lines of the game folder (SetOutPath into $INSTDIR and below)
;   REMOVE_LIST  the generated Delete and RMDir lines for the same files
;
; The game reads its data file and model from the current folder: every shortcut and every start
; from the setup runs it in the install folder.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define PRODUCT "Головоломка Кубик Тессара"
!define PUBLISHER "Tessaron developers"
!define GAME_EXE "tessaron.exe"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "${PRODUCT}.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaron"
!define SETTINGS_KEY "Software\Tessaron"
; The game's frame window: Windows keeps the files of a running game from being replaced or removed.
!define GAME_WINDOW_CLASS "TessaronFrameWindow"
; The 64-bit D3DX library of the DirectX End-User Runtime, which the game needs and may not ship.
!define D3DX_DLL "d3dx9_43.dll"

; In quotation marks the title reads right in every sentence of the installer's Russian texts.
Name "«${PRODUCT}»"
Caption "Установка: ${PRODUCT} ${VERSION}"
UninstallCaption "Удаление: ${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tessaron"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "Установка игры «${PRODUCT}» ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Программа установит игру для вас; права администратора не нужны.$\r$\n$\r$\nНажмите кнопку $\"Далее$\" для продолжения."
!define MUI_FINISHPAGE_TITLE "Игра «${PRODUCT}» установлена"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Запустить игру"
!define MUI_FINISHPAGE_RUN_FUNCTION StartGame

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION_MAJOR}.${VERSION_MINOR}.0.0"
VIFileVersion "${VERSION_MAJOR}.${VERSION_MINOR}.0.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка игры «${PRODUCT}»"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "© ${PUBLISHER}, лицензия MIT"

; Setup and uninstall wait until the game is closed: half-replaced or half-removed files would
; break it or leave it behind. A silent run ends without changing anything.
!macro WaitUntilGameClosed
  ${Do}
    FindWindow $0 "${GAME_WINDOW_CLASS}"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Игра «${PRODUCT}» запущена. Закройте её и нажмите $\"Повтор$\"." /SD IDCANCEL IDRETRY retry
    Abort
    retry:
  ${Loop}
!macroend

Function un.onInit
  !insertmacro WaitUntilGameClosed
FunctionEnd

; The player is told before anything is installed, so the runtime can be fetched meanwhile;
; the setup goes on either way (a silent setup says nothing).
Function .onInit
  !insertmacro WaitUntilGameClosed
  ${IfNot} ${FileExists} "$SYSDIR\${D3DX_DLL}"
    MessageBox MB_OK|MB_ICONINFORMATION "Для игры нужна библиотека ${D3DX_DLL} из пакета Microsoft $\"DirectX End-User Runtime$\" (среда выполнения DirectX для конечного пользователя), а на этом компьютере её нет.$\r$\n$\r$\nЕё устанавливает бесплатный веб-установщик dxwebsetup.exe или выпуск $\"June 2010$\" с сайта Microsoft (Центр загрузки Microsoft, поиск: DirectX End-User Runtime). Сама игра поставлять эту библиотеку не вправе.$\r$\n$\r$\nУстановка игры продолжится; установите DirectX до первого запуска игры." /SD IDOK
  ${EndIf}
FunctionEnd

Function StartGame
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\${GAME_EXE}"'
FunctionEnd

Section "Игра" SectionGame
  SectionIn RO
  !include "${INSTALL_LIST}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; A shortcut's working folder is the current output folder: the install folder.
  CreateShortCut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\${GAME_EXE}" "" "$INSTDIR\${GAME_EXE}" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${GAME_EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; Apps & features reads the size in KiB.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Ярлык на рабочем столе" SectionDesktop
  SetOutPath "$INSTDIR"
  CreateShortCut "$DESKTOP\${SHORTCUT}" "$INSTDIR\${GAME_EXE}" "" "$INSTDIR\${GAME_EXE}" 0
SectionEnd

Section "un.Игра" SectionUninstallGame
  SectionIn RO
  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"
  !include "${REMOVE_LIST}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only an emptied folder goes: files the player put there stay with it.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Настройки, имена игроков и таблица чемпионов" SectionUninstallSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd
