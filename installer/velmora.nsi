; The Windows installer: velmora.scr goes into the 64-bit system folder, where
; the screensaver settings list it, becomes the current user's screensaver and
; gets an entry under Add or Remove Programs. The uninstaller lives in
; Program Files\Corvath\Velmora.
;
; Built by CMake (target velmora_installer) and scripts/package.sh, which define:
;   VERSION         the version text, e.g. 1.0
;   VERSION_DOTTED  its four numbers, e.g. 1.0.0.0
;   SCR             the velmora.scr to install
;   OUTFILE         the installer to write
; makensis runs in this folder, so the paths below are relative to it.
;
; Command line: /S installs silently; /KEEPCHOICE then leaves the current
; screensaver choice as it is.

Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Corvath Velmora"
!define SCR_NAME "velmora.scr"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATEINIFILE_SENDCHANGE 3

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Corvath\Velmora"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion ${VERSION_DOTTED}
VIFileVersion ${VERSION_DOTTED}
VIAddVersionKey /LANG=1033 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=1033 CompanyName "Corvath"
VIAddVersionKey /LANG=1033 FileDescription "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 FileVersion ${VERSION_DOTTED}
VIAddVersionKey /LANG=1033 ProductVersion ${VERSION_DOTTED}
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (c) 2026 Corvath. MIT License."

Var KeepChoice

!define MUI_ICON "../res/velmora.ico"
!define MUI_UNICON "../res/velmora.ico"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "../LICENSE"
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Make Velmora my screensaver"
!define MUI_FINISHPAGE_RUN_FUNCTION ChooseVelmora
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the screensaver settings"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION OpenScreensaverSettings
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "${PRODUCT} has been removed.$\r$\n$\r$\nYour photos, settings and weather \
  are still in $PICTURES\Corvath\VelmoraSaver; delete that folder if you no longer want them."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE English

Function .onInit
  ; A 64-bit installer sees the 64-bit registry anyway; said here so no
  ; include or target change can move the entries into the 32-bit view.
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/KEEPCHOICE" $1
  ${IfNot} ${Errors}
    StrCpy $KeepChoice 1
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Function ChooseVelmora
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SCR_NAME}"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ; The running session reads the switch only at sign-in unless told.
  System::Call "user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, \
    i ${SPIF_UPDATEINIFILE_SENDCHANGE})"
FunctionEnd

Function OpenScreensaverSettings
  ; The control panel page, not desk.cpl,InstallScreenSaver: that one would
  ; choose Velmora even when the box above was cleared.
  Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
FunctionEnd

Section
  ; $SYSDIR of a 64-bit process is the real System32, never SysWOW64.
  SetOutPath $SYSDIR
  File "${SCR}"

  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  SectionGetSize 0 $0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Corvath"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\${SCR_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; A silent install has no finish page to ask on: it chooses Velmora unless told /KEEPCHOICE.
  ${If} ${Silent}
  ${AndIf} $KeepChoice != 1
    Call ChooseVelmora
  ${EndIf}
SectionEnd

Section Uninstall
  ; Only Velmora's own choice goes: another saver chosen since stays chosen.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == "$SYSDIR\${SCR_NAME}"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  Delete /REBOOTOK "$SYSDIR\${SCR_NAME}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  ${GetParent} "$INSTDIR" $1
  RMDir "$1"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DetailPrint "Kept $PICTURES\Corvath\VelmoraSaver (photos, settings, weather)."
SectionEnd
