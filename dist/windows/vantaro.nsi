; The Windows installer: vantaro.scr into the system folder, where the screensaver settings
; list it; optionally made the current screensaver; an uninstaller that takes back everything
; the installer added, the screensaver choice it replaced included. The last page offers to
; open the screen saver settings with Vantaro selected.
;   makensis -DSCR=path\vantaro.scr -DICON=path\vantaro.ico -DVERSION=x.y.z -DOUTFILE=path vantaro.nsi
; Silent: vantaro-setup.exe /S; the uninstaller likewise with /S.

; A 64-bit installer, as the saver is a 64-bit program: it sees the 64-bit system folder and
; registry as they are.
Target amd64-unicode
!include LogicLib.nsh
!include WinMessages.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantaro"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SAVER "$SYSDIR\vantaro.scr"

Name "Vantaro"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\Vantaro"
ShowInstDetails show
ShowUninstDetails show

!define MUI_COMPONENTSPAGE_NODESC
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; What a .scr's own "Install" command does: the settings open with the saver selected.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the screen saver settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function OpenScreenSaverSettings
  Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver ${SAVER}'
FunctionEnd

; A running saver keeps its file from being replaced or deleted: each window of the saver's
; class, and its settings dialog, is asked to close (the dialog as by Cancel), for up to five
; seconds. A preview inside the settings page is not a window of its own; it ends with the page.
!macro CloseRunningSavers
  StrCpy $R0 0
  ${Do}
    FindWindow $R1 "ssKZClass"
    ${If} $R1 == 0
      FindWindow $R1 "#32770" "Vantaro 設定"
    ${EndIf}
    ${IfThen} $R1 == 0 ${|} ${Break} ${|}
    SendMessage $R1 ${WM_CLOSE} 0 0 /TIMEOUT=1000
    Sleep 100
    IntOp $R0 $R0 + 1
  ${LoopUntil} $R0 >= 50
!macroend

; A saver whose window has gone still holds its file until its process has ended: the file
; is deleted as soon as it can be, for up to five seconds.
!macro DeleteSaverFile
  StrCpy $R0 0
  ${Do}
    ClearErrors
    Delete "${SAVER}"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    Sleep 100
    IntOp $R0 $R0 + 1
  ${LoopUntil} $R0 >= 50
!macroend

Section "Vantaro screensaver" SecSaver
  SectionIn RO
  !insertmacro CloseRunningSavers
  !insertmacro DeleteSaverFile
  SetOutPath "$SYSDIR"
  File "/oname=vantaro.scr" "${SCR}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vantaro screensaver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "KELDRAN"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${SAVER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The choice it replaces is kept with the uninstall entry, so that uninstalling puts it back.
; Installed again over itself, the choice kept is still the one from before the first install.
Section "Make it the current screensaver" SecCurrent
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "MadeCurrent"
  ${If} $0 == "${SAVER}"
  ${AndIf} $1 == 1
    Goto keep
  ${EndIf}
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} ${Errors}
  ${OrIf} $0 == "${SAVER}"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "HadScreenSaver" 0
  ${Else}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "HadScreenSaver" 1
    WriteRegStr HKLM "${UNINSTALL_KEY}" "PreviousScreenSaver" $0
  ${EndIf}
  ClearErrors
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "HadScreenSaveActive" 0
  ${Else}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "HadScreenSaveActive" 1
    WriteRegStr HKLM "${UNINSTALL_KEY}" "PreviousScreenSaveActive" $1
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "MadeCurrent" 1
  keep:
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "${SAVER}"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

; Puts a desktop value back as it was before the installer.
!macro RestoreDesktopValue NAME HAD PREVIOUS
  ReadRegDWORD $2 HKLM "${UNINSTALL_KEY}" "${HAD}"
  ${If} $2 == 1
    ReadRegStr $3 HKLM "${UNINSTALL_KEY}" "${PREVIOUS}"
    WriteRegStr HKCU "${DESKTOP_KEY}" "${NAME}" $3
  ${Else}
    DeleteRegValue HKCU "${DESKTOP_KEY}" "${NAME}"
  ${EndIf}
!macroend

; The choice is put back unless the user has chosen another screensaver since; and whatever
; was recorded, the current screensaver never stays the file about to be deleted.
Section "Uninstall"
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "MadeCurrent"
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == 1
  ${AndIf} $1 == "${SAVER}"
    !insertmacro RestoreDesktopValue "SCRNSAVE.EXE" "HadScreenSaver" "PreviousScreenSaver"
    !insertmacro RestoreDesktopValue "ScreenSaveActive" "HadScreenSaveActive" "PreviousScreenSaveActive"
  ${EndIf}
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $1 == "${SAVER}"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  !insertmacro CloseRunningSavers
  !insertmacro DeleteSaverFile
  ; Still held (a preview, a saver that did not close): gone at the next restart.
  Delete /REBOOTOK "${SAVER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
