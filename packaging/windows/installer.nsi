Target amd64-unicode
; The line above comes first: it makes the installer a 64-bit program (NSIS's default stub
; is 32-bit), like the programs it installs.
;
; VantelApp's installer: the programs into Program Files, a Start-menu entry, and an
; uninstaller listed in Apps & Features. "/S" installs (and uninstalls) silently.
; scripts/build-windows.sh builds it with:
;   VERSION  the version, 1.0.0      STAGE  the folder the zip holds (every file to install)
;   ICON     the application icon    OUTFILE  the installer to write
;   FILES    an include file of File lines, UNFILES one of Delete and RMDir lines, both
;            listing what STAGE holds, so the uninstaller removes only what was installed.

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VantelApp"

Name "VantelApp"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VantelApp"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "VantelApp"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "VantelApp ${VERSION} setup"
VIAddVersionKey "CompanyName" "The VantelApp developers"
VIAddVersionKey "LegalCopyright" "2026 The VantelApp developers, MIT License"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\vantelapp.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; For every user of the machine: the Start menu of all users.
Function .onInit
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetShellVarContext all
FunctionEnd

Section "VantelApp"
    !include "${FILES}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\VantelApp.lnk" "$INSTDIR\vantelapp.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "VantelApp"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The VantelApp developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vantelapp.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    SectionGetSize 0 $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The settings a user saved (in the user's application-data folder) stay.
Section "Uninstall"
    Delete "$SMPROGRAMS\VantelApp.lnk"
    !include "${UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
