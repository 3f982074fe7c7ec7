; The Orvix Launcher installer: installs for the current user alone, without
; administrator rights, into the user's local programs folder.
;
; Built with makensis and these defines (installer/CMakeLists.txt sets them):
;   TARGET   x86-unicode for the shipped installer, which runs on every
;            Windows; amd64-unicode for the 64-bit test build's, which lets
;            the installer test run where 32-bit code cannot
;   EXE_X86  the 32-bit OrvixLauncher.exe
;   EXE_X64  the 64-bit OrvixLauncher.exe
;   HELPER   launcher_helper.exe, which ends the running launchers and
;            starts them again
;   DOCS     the folder holding README.txt and LICENSE.txt
;   OUTFILE  the installer to write

!macro RequireDefine NAME
  !ifndef ${NAME}
    !error "makensis needs -D${NAME}=... (see the head of this file)."
  !endif
!macroend
!insertmacro RequireDefine TARGET
!insertmacro RequireDefine EXE_X86
!insertmacro RequireDefine EXE_X64
!insertmacro RequireDefine HELPER
!insertmacro RequireDefine DOCS
!insertmacro RequireDefine OUTFILE

!define PRODUCT "Orvix Launcher"
!define VERSION "2.11"
!define MAKER "Orvix Software"
!define PROGRAM_EXE "OrvixLauncher.exe"
!define SHORTCUT "${PRODUCT}.lnk"
!define UNINSTALLER "Uninstall.exe"
!define HELPER_EXE "launcher_helper.exe"
; The settings folders of the launchers that ended, to start them again.
!define LAUNCHER_LIST "launchers.txt"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrvixLauncher"

Unicode true
Target ${TARGET}
Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
; Stored file times would make the installer's bytes depend on when the
; build ran; installed files take the time of installation instead.
SetDateSave off
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${MAKER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define MUI_ICON "${__FILEDIR__}\..\res\orvix_launcher.ico"
!define MUI_UNICON "${__FILEDIR__}\..\res\orvix_launcher.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM_EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"

!insertmacro MUI_PAGE_LICENSE "${DOCS}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The helper runs from the installer's temporary folder, which goes with
; the installer, the list of launchers with it.
!macro RunHelper ARGUMENTS
  nsExec::Exec '"$PLUGINSDIR\${HELPER_EXE}" ${ARGUMENTS}'
  Pop $0
!macroend

!macro StartEndedLaunchers
  !insertmacro RunHelper 'start "$INSTDIR\${PROGRAM_EXE}" "$PLUGINSDIR\${LAUNCHER_LIST}"'
!macroend

; A running launcher holds its file open, so it can be neither replaced nor
; removed: each launcher of the installed program is asked to end, and names
; its settings folder. When one does not end, stop before anything changes
; rather than leave the shortcuts and the program out of step, and start
; again those that did end. UNINSTALLING is "yes" in the uninstaller, which
; removes the Startup shortcuts while their target can still be read.
!macro EndLaunchersOrStop UNINSTALLING
  InitPluginsDir
  File "/oname=$PLUGINSDIR\${HELPER_EXE}" "${HELPER}"
  retry:
  !insertmacro RunHelper 'end "$INSTDIR\${PROGRAM_EXE}" "$PLUGINSDIR\${LAUNCHER_LIST}"'
  StrCmp $0 0 0 not_ended
  !if "${UNINSTALLING}" == "yes"
    !insertmacro RunHelper 'unstartup "$INSTDIR\${PROGRAM_EXE}"'
  !endif
  ClearErrors
  Delete "$INSTDIR\${PROGRAM_EXE}"
  IfErrors 0 removed
  not_ended:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT} is running and did not end when asked. End it from its notification-area icon, then choose Retry." \
      /SD IDCANCEL IDRETRY retry
    !insertmacro StartEndedLaunchers
    SetErrorLevel 2
    Abort "${PRODUCT} is running; nothing was changed."
  removed:
!macroend

Section "${PRODUCT}" SectionProgram
  SectionIn RO
  !insertmacro EndLaunchersOrStop no
  ; Installing again with "Start with Windows" cleared ends the starts.
  Delete "$SMSTARTUP\${SHORTCUT}"
  ; Also the shortcuts' start-in folder.
  SetOutPath "$INSTDIR"
  ; The native program: a 32-bit one on 64-bit Windows would see System32
  ; through the file-system redirector and fail to start some programs there.
  ; Windows on ARM counts as 64-bit for RunningX64, yet Windows 10 there
  ; cannot run x64 programs: it gets the x86 one, which every Windows runs.
  ; Both have the same name, so installing over either replaces it in place.
  ${If} ${IsNativeAMD64}
    File "/oname=${PROGRAM_EXE}" "${EXE_X64}"
  ${Else}
    File "/oname=${PROGRAM_EXE}" "${EXE_X86}"
  ${EndIf}
  File "${DOCS}\README.txt"
  File "${DOCS}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\${PROGRAM_EXE}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM_EXE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Checked by default, so a silent first install takes it too. The launcher's
; Auto-Restart relies on this shortcut to resume after a restart.
Section "Start with Windows" SectionStartup
  CreateShortcut "$SMSTARTUP\${SHORTCUT}" "$INSTDIR\${PROGRAM_EXE}"
SectionEnd

; Last, with the program in place: the launchers that ended run again, each
; on its own folder.
Section "-Start the ended launchers"
  !insertmacro StartEndedLaunchers
SectionEnd

; Shortcuts and folders belong to this user, never to all users.
Function .onInit
  SetShellVarContext current
  ; An upgrade keeps the user's choice: "Start with Windows" starts checked
  ; only while its shortcut is there. A first install has it checked.
  IfFileExists "$INSTDIR\${PROGRAM_EXE}" 0 chosen
  IfFileExists "$SMSTARTUP\${SHORTCUT}" chosen
  SectionSetFlags ${SectionStartup} 0
  chosen:
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

; Removes only what the installer put there, and every Startup shortcut to
; the program. The configuration and the log live in the user's home and
; stay, and so does anything else in the folder. The launchers that ended
; stay ended.
Section "Uninstall"
  !insertmacro EndLaunchersOrStop yes
  Delete "$SMSTARTUP\${SHORTCUT}"
  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
