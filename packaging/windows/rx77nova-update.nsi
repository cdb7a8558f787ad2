; The Windows installer, made by packaging/windows/make-windows-package:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder> -DPROGRAMS_NSH=<file> -DICON=<file> -DOUTFILE=<file>
; STAGE holds what is installed (the programs, README.txt); PROGRAMS_NSH
; names the programs, so that the list lives in the build alone.
;
; Installs for the current user (no administrator) unless told otherwise:
;   setup.exe [/S] [/CurrentUser | /AllUsers] [/D=folder]
; An administrator may choose per-machine on the first page or with
; /AllUsers. The uninstaller takes the same switches; the entry it leaves
; in the list of installed programs gives it the right one.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all

!define NAME "rx77nova-update"
!define PUBLISHER "rx77nova-update developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define UNINSTALLER "uninstall.exe"
; The Start menu's shortcuts.
!define WINDOW_LINK "$SMPROGRAMS\${NAME}.lnk"
!define PROMPT_LINK "$SMPROGRAMS\${NAME} (command prompt).lnk"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR "${NAME}"
!define MULTIUSER_USE_PROGRAMFILES64
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include "${PROGRAMS_NSH}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${NAME} ${VERSION} installer"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright 2026 ${PUBLISHER}"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ; Started by hand without /AllUsers: the machine's entry names this
  ; folder when the install was per-machine.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
  ${AndIf} $MultiUser.InstallMode != "AllUsers"
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  !insertmacro RX_INSTALL_PROGRAMS
  File "${STAGE}/README.txt"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The window where there is one; the terminal form in a command prompt
  ; that starts in the program's folder, where "rx77nova-update" runs it.
  !if /FileExists "${STAGE}/${NAME}.exe"
    CreateShortcut "${WINDOW_LINK}" "$INSTDIR\${NAME}.exe" "" "$INSTDIR\${NAME}.exe" 0
    !define DISPLAY_ICON "$INSTDIR\${NAME}.exe"
  !endif
  !if /FileExists "${STAGE}/${NAME}.com"
    CreateShortcut "${PROMPT_LINK}" "$SYSDIR\cmd.exe" '/k "${NAME}.com" --help' "$INSTDIR\${NAME}.com" 0
    !define /IfNDef DISPLAY_ICON "$INSTDIR\${NAME}.com"
  !endif

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "${DISPLAY_ICON},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Removes what the installer put there and nothing else: a folder the user
; added files to stays.
Section "Uninstall"
  !insertmacro RX_DELETE_PROGRAMS
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "${WINDOW_LINK}"
  Delete "${PROMPT_LINK}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
