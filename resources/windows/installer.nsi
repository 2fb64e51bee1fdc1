; SPDX-License-Identifier: GPL-3.0-or-later
; The per-user installer: no administrator rights, the program under
; %LOCALAPPDATA%\Programs\Quorvik, a Start menu shortcut and an entry in
; "Apps & features". Made by tools/windows/make-installer, which defines
;   VERSION  the project version        STAGE   the installed tree to pack
;   OUTFILE  the installer to write      ICON    quorvik.ico
;   FINISH   the finish page's picture (make-finish-bitmap)
;   FILES    an include with the Delete and RMDir lines for STAGE's contents
; Settings (HKCU\Software\Quorvik) and the event log are the user's: an
; upgrade keeps them, an uninstall asks (a silent one keeps them).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvik"
!define SETTINGS_KEY "Software\Quorvik"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "Quorvik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvik"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Quorvik"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Quorvik ${VERSION} setup"
VIAddVersionKey "CompanyName" "Quorvik developers"
VIAddVersionKey "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorvik.exe"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${FINISH}"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running Quorvik holds its program files open. Closing its window only
; hides it, so it is ended; what it keeps is already stored as it changes.
!macro StopQuorvik
    nsExec::Exec 'taskkill /F /IM quorvik.exe'
    Pop $0
    ${If} $0 == 0
        Sleep 1000
    ${EndIf}
!macroend

Section "Quorvik"
    !insertmacro StopQuorvik
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Quorvik.lnk" "$INSTDIR\quorvik.exe" "" "$INSTDIR\quorvik.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quorvik"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvik.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quorvik developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
    !insertmacro StopQuorvik
    DeleteRegValue HKCU "${RUN_KEY}" "Quorvik"
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\Quorvik.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; Lock files that the ended program left behind hold nothing of the
    ; user's: the one instance's beside the settings and the event log's
    ; hidden one beside the log.
    Delete "$LOCALAPPDATA\Quorvik\.quorvik.lock"
    Delete "$INSTDIR\.QVEvent.txt.lock"
    Delete "$LOCALAPPDATA\Quorvik\.QVEvent.txt.lock"
    ReadRegStr $0 HKCU "${SETTINGS_KEY}\Params" "Logfile"
    ${If} $0 != ""
        ${GetParent} "$0" $1
        ${GetFileName} "$0" $2
        Delete "$1\.$2.lock"
    ${EndIf}

    ; The event log sits beside the program unless the user chose a place.
    MessageBox MB_YESNO|MB_ICONQUESTION \
        "Delete your Quorvik settings, the list of watched files and the event log too?" \
        /SD IDNO IDNO keep
    ${If} $0 != ""
        Delete "$0"
    ${EndIf}
    Delete "$INSTDIR\QVEvent.txt"
    Delete "$LOCALAPPDATA\Quorvik\QVEvent.txt"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
keep:
    RMDir "$LOCALAPPDATA\Quorvik"
    RMDir "$INSTDIR"
SectionEnd
