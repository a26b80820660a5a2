; The Windows installer: vantaro.scr into the system folder, where the screensaver settings
; list it; optionally made the current screensaver; an uninstaller that takes back everything
; the installer added, the screensaver choice it replaced included.
;   makensis -DSCR=path\vantaro.scr -DICON=path\vantaro.ico -DVERSION=x.y.z -DOUTFILE=path vantaro.nsi
; Silent: vantaro-setup.exe /S; the uninstaller likewise with /S.

; A 64-bit installer, as the saver is a 64-bit program: it sees the 64-bit system folder and
; registry as they are.
Target amd64-unicode
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantaro"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "Vantaro"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\Vantaro"
ShowInstDetails show
ShowUninstDetails show

Page components
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Vantaro screensaver" SecSaver
  SectionIn RO
  SetOutPath "$SYSDIR"
  File "/oname=vantaro.scr" "${SCR}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vantaro screensaver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "KELDRAN"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\vantaro.scr"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The choice it replaces is kept with the uninstall entry, so that uninstalling puts it back.
Section "Make it the current screensaver" SecCurrent
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} ${Errors}
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
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\vantaro.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "MadeCurrent" 1
SectionEnd

; Puts a desktop value back as it was before the installer, unless the user has chosen
; another screensaver since.
!macro RestoreDesktopValue NAME HAD PREVIOUS
  ReadRegDWORD $2 HKLM "${UNINSTALL_KEY}" "${HAD}"
  ${If} $2 == 1
    ReadRegStr $3 HKLM "${UNINSTALL_KEY}" "${PREVIOUS}"
    WriteRegStr HKCU "${DESKTOP_KEY}" "${NAME}" $3
  ${Else}
    DeleteRegValue HKCU "${DESKTOP_KEY}" "${NAME}"
  ${EndIf}
!macroend

Section "Uninstall"
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "MadeCurrent"
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == 1
  ${AndIf} $1 == "$SYSDIR\vantaro.scr"
    !insertmacro RestoreDesktopValue "SCRNSAVE.EXE" "HadScreenSaver" "PreviousScreenSaver"
    !insertmacro RestoreDesktopValue "ScreenSaveActive" "HadScreenSaveActive" "PreviousScreenSaveActive"
  ${EndIf}
  Delete "$SYSDIR\vantaro.scr"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
