; The Windows setup program, qbmerge-<version>-setup.exe, made with NSIS by scripts/package-windows:
;   makensis -DVERSION=0.1 -DVERSION4=0.1.0.0 -DSTAGE=<folder> -DOUTFILE=<file> qbmerge.nsi
; STAGE holds what is installed (qbmerge.exe, qbmerge-cli.exe, qbmerge.chm, help\, qbmerge-cli.txt,
; README.txt) and help-pages.nsh, the help pages as the script lists them.
;
; For all users (Program Files, the registry's HKLM) when run with administrator rights, otherwise
; for the current user (%LOCALAPPDATA%\Programs, HKCU); an administrator is offered the choice. Silent:
;   qbmerge-<version>-setup.exe /S [/AllUsers | /CurrentUser] [/D=FOLDER]
;   uninstall.exe /S [/AllUsers | /CurrentUser]
; The installed-programs entry runs the uninstaller with the mode it was installed in; run by hand
; without one, the uninstaller takes the mode in whose registry the program is entered.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!define APP "QB Merge"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QBMerge"
!define SHORTCUT "$SMPROGRAMS\${APP}.lnk"

Name "${APP}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION4}"
VIAddVersionKey ProductName "${APP}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "${APP} ${VERSION} setup"
VIAddVersionKey LegalCopyright ""

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${APP}"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_FUNCTION PreviousFolder
!include MultiUser.nsh
!include MUI2.nsh
!include "${STAGE}\help-pages.nsh"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Installing again (an update) goes to the folder of the installation in the same mode. The
; uninstaller keeps its own folder.
Function PreviousFolder
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; A folder given with /D= (then already in $INSTDIR: there is no InstallDir) wins over the mode's.
Var FolderGiven
Function .onInit
  StrCpy $FolderGiven $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $FolderGiven != ""
    StrCpy $INSTDIR $FolderGiven
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "${APP}"
  SetOutPath "$INSTDIR"
  File "${STAGE}\qbmerge.exe"
  File "${STAGE}\qbmerge-cli.exe"
  File "${STAGE}\qbmerge.chm"
  File "${STAGE}\qbmerge-cli.txt"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\help"
  !insertmacro InstallHelpPages
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\qbmerge.exe"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qbmerge.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there: a folder the user chose may hold other files. The folder goes
; last, so that its going shows that the uninstaller is done (it runs from a copy in %TEMP%).
Section "Uninstall"
  Delete "${SHORTCUT}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  Delete /REBOOTOK "$INSTDIR\qbmerge.exe"
  Delete /REBOOTOK "$INSTDIR\qbmerge-cli.exe"
  Delete "$INSTDIR\qbmerge.chm"
  Delete "$INSTDIR\qbmerge-cli.txt"
  Delete "$INSTDIR\README.txt"
  !insertmacro RemoveHelpPages
  RMDir "$INSTDIR\help"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
SectionEnd
