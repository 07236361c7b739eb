; vantu-setup.exe: puts gen_vantu.dll into the Plugins folder of a Winamp
; installation and registers an uninstaller in Add/Remove Programs.
;
; Built by installer/CMakeLists.txt, which passes
;   -DVERSION=x.y.z   the project's version
;   -DDLL=<path>      the stripped gen_vantu.dll to install
;   -DOUTFILE=<path>  where to write the installer
;   -DTARGET=amd64-unicode  only for the 64-bit test twin; what ships is x86
;
; Silent use:  vantu-setup.exe /S [/D=C:\Program Files\Winamp]
;              uninstall_gen_vantu.exe /S   (keeps gen_vantu.ini)
; Exit codes:  0 done, 2 no winamp.exe in the folder, 3 Winamp is running.

!ifndef VERSION
  !error "pass -DVERSION=x.y.z"
!endif
!ifndef DLL
  !error "pass -DDLL=<path of gen_vantu.dll>"
!endif
!ifndef OUTFILE
  !error "pass -DOUTFILE=<path of the installer>"
!endif

Unicode true
!ifdef TARGET
  Target ${TARGET}
!endif
SetCompressor /SOLID lzma
; Winamp usually lives under Program Files, and the uninstall entry is
; machine-wide.
RequestExecutionLevel admin
ManifestDPIAware true

!define PRODUCT "vantu.fm Plugin for Winamp"
!define PUBLISHER "vantu.fm"
!define PLAYER_EXE "winamp.exe"
; The player's main window; while it exists the player holds the DLL open.
!define PLAYER_CLASS "Winamp v1.x"
!define PLAYER_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Winamp"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\gen_vantu"
!define UNINSTALLER "uninstall_gen_vantu.exe"
!define EXIT_NO_PLAYER 2
!define EXIT_PLAYER_RUNNING 3

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Setup of the ${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup puts gen_vantu.dll into the Plugins folder of your Winamp installation.$\r$\n$\r$\nChoose the folder that holds ${PLAYER_EXE}; Next stays greyed out until it does."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Winamp folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "The plug-in is installed"
!define MUI_FINISHPAGE_TEXT "Start Winamp: the vantu settings window comes up. Enter your vantu.fm user name and password, press Verify, then OK."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Waits for the player to be closed, or ends setup: the DLL is locked while
; the player runs. Silent runs end at once with their own exit code.
!macro DEFINE_REFUSE_WHILE_PLAYER_RUNS un
Function ${un}RefuseWhilePlayerRuns
  ${Do}
    FindWindow $0 "${PLAYER_CLASS}"
    ${If} $0 == 0
      Return
    ${EndIf}
    ${If} ${Silent}
      SetErrorLevel ${EXIT_PLAYER_RUNNING}
      Quit
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONSTOP "Winamp is running, and gen_vantu.dll cannot be changed while Winamp has it loaded.$\r$\n$\r$\nClose Winamp, then press Retry." IDRETRY`
      SetErrorLevel ${EXIT_PLAYER_RUNNING}
      Quit
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_REFUSE_WHILE_PLAYER_RUNS ""
!insertmacro DEFINE_REFUSE_WHILE_PLAYER_RUNS "un."

; Pushes the player's folder from its own uninstall entry: InstallLocation,
; else the folder of UninstallString (quoted or not); empty when neither.
Function PlayerFolderFromRegistry
  ReadRegStr $0 HKLM "${PLAYER_KEY}" "InstallLocation"
  ${If} $0 == ""
    ReadRegStr $0 HKLM "${PLAYER_KEY}" "UninstallString"
    StrCpy $1 $0 1
    ${If} $1 == '"'
      ; Keep what lies between the quotes; arguments may follow them.
      StrCpy $0 $0 "" 1
      StrCpy $2 0
      ${Do}
        StrCpy $1 $0 1 $2
        ${If} $1 == '"'
        ${OrIf} $1 == ""
          ${Break}
        ${EndIf}
        IntOp $2 $2 + 1
      ${Loop}
      StrCpy $0 $0 $2
    ${EndIf}
    ${If} $0 != ""
      ${GetParent} $0 $0
    ${EndIf}
  ${EndIf}
  ${Do}
    StrCpy $1 $0 1 -1
    ${If} $1 != "\"
      ${Break}
    ${EndIf}
    StrCpy $0 $0 -1
  ${Loop}
  Push $0
FunctionEnd

Function .onInit
  ; /D= has filled $INSTDIR already; only without it is the registry asked.
  ${If} $INSTDIR == ""
    Call PlayerFolderFromRegistry
    Pop $INSTDIR
  ${EndIf}
  ${If} ${Silent}
    ${If} $INSTDIR == ""
    ${OrIfNot} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
      SetErrorLevel ${EXIT_NO_PLAYER}
      Quit
    ${EndIf}
  ${EndIf}
  Call RefuseWhilePlayerRuns
FunctionEnd

; Keeps the directory page's Next button off until the folder holds the player.
Function .onVerifyInstDir
  ${IfNot} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
    Abort
  ${EndIf}
FunctionEnd

Section "gen_vantu.dll"
  ; The player may have been started while the pages were up.
  Call RefuseWhilePlayerRuns
  ; gen_vantu.ini, the user's account, is never written here.
  SetOutPath "$INSTDIR\Plugins"
  File "/oname=gen_vantu.dll" "${DLL}"
  WriteUninstaller "$INSTDIR\Plugins\${UNINSTALLER}"

  ${GetSize} "$INSTDIR\Plugins" "/M=gen_vantu.dll /S=0K /G=0" $0 $1 $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PLAYER_EXE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Plugins\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller lives in the Plugins folder: there $INSTDIR is that folder.
Function un.onInit
  Call un.RefuseWhilePlayerRuns
FunctionEnd

Section "Uninstall"
  Call un.RefuseWhilePlayerRuns
  Delete "$INSTDIR\gen_vantu.dll"
  ${If} ${FileExists} "$INSTDIR\gen_vantu.ini"
    ; A silent uninstall keeps the account.
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Remove your vantu.fm account settings too (gen_vantu.ini: user name and password)?$\r$\n$\r$\nAnswer No to keep them for a later install." /SD IDNO IDNO keep_settings
      Delete "$INSTDIR\gen_vantu.ini"
    keep_settings:
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  ; The entry may by now belong to an install in another Winamp folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
  ${If} $0 == '"$INSTDIR\${UNINSTALLER}"'
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
