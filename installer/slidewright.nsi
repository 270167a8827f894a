; The Windows setup program of Slidewright, made by makensis from a
; ready-to-ship folder (installer/CMakeLists.txt gives the defines):
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=X.Y.Z -DARCH=win32|win64 -DDIST=FOLDER
;            -DLISTS=DIR -DICON=FILE -DOUTFILE=SETUP.exe slidewright.nsi
;
; LISTS holds install-files.nsh and uninstall-files.nsh (list_files.py), the
; files of FOLDER by name, so that the uninstaller removes exactly those.
;
; The user chooses between installing for everyone (Program Files, the
; registry of the machine) and for themselves alone (LocalAppData\Programs,
; their own registry). A silent install (/S) installs for everyone when run
; by an administrator and for the current user otherwise; /ALLUSERS or
; /CURRENTUSER on the command line choose, /D=FOLDER names the folder.

!ifndef VERSION | ARCH | DIST | LISTS | ICON | OUTFILE
  !error "VERSION, ARCH, DIST, LISTS, ICON and OUTFILE must be defined"
!endif

!if "${ARCH}" == "win64"
  Target amd64-unicode
!else if "${ARCH}" == "win32"
  Target x86-unicode
!else
  !error "ARCH must be win32 or win64, not ${ARCH}"
!endif
Unicode true
SetCompressor /SOLID lzma

!define PRODUCT "Slidewright"
!define PROGRAM "Slidewright.exe"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Slidewright"
!define PROG_ID "Slidewright.Album"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "Free software under the GNU GPL, version 2 or later"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; A second install goes where the first one went.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
; The uninstaller finds its mode from the entry that names its folder.
!define MULTIUSER_NOUNINSTALL
!if "${ARCH}" == "win64"
  !define MULTIUSER_USE_PROGRAMFILES64
!endif
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The page language follows the system's: Chinese on a Chinese Windows,
; English everywhere else (the first language is the fallback).
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString AlbumFileType ${LANG_ENGLISH} "Slidewright album"
LangString AlbumFileType ${LANG_SIMPCHINESE} "Slidewright 相册"
LangString NeedsAdministrator ${LANG_ENGLISH} "Slidewright was installed for all users of this computer: only an administrator can remove it."
LangString NeedsAdministrator ${LANG_SIMPCHINESE} "Slidewright 是为本机所有用户安装的，只有管理员才能删除它。"

Var Privileges

Function .onInit
  ; A silent install for everyone by a user who may not make one ends with
  ; an exit code rather than a message box nobody would answer.
  ${If} ${Silent}
    UserInfo::GetAccountType
    Pop $Privileges
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/ALLUSERS" $1
    ${IfNot} ${Errors}
    ${AndIf} $Privileges != "Admin"
    ${AndIf} $Privileges != "Power"
      SetErrorLevel 5 ; ERROR_ACCESS_DENIED
      Quit
    ${EndIf}
  ${EndIf}
  !insertmacro MULTIUSER_INIT
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  ; The files of the ready-to-ship folder, by name.
  !cd "${DIST}"
  !include "${LISTS}/install-files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0

  ; Album files open in the program, which takes one on its command line.
  WriteRegStr SHCTX "Software\Classes\.swalbum" "" "${PROG_ID}"
  WriteRegStr SHCTX "Software\Classes\${PROG_ID}" "" "$(AlbumFileType)"
  WriteRegStr SHCTX "Software\Classes\${PROG_ID}\DefaultIcon" "" "$INSTDIR\${PROGRAM},0"
  WriteRegStr SHCTX "Software\Classes\${PROG_ID}\shell\open\command" "" '"$INSTDIR\${PROGRAM}" "%1"'
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

  ; The entry of Add/Remove Programs (Apps & features).
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0 ; kilobytes, as the entry wants them
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The mode of the install this uninstaller belongs to: the entry, of the
; machine or of the user, whose folder is this uninstaller's.
Function un.onInit
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    UserInfo::GetAccountType
    Pop $Privileges
    ${If} $Privileges != "Admin"
    ${AndIf} $Privileges != "Power"
      MessageBox MB_OK|MB_ICONSTOP "$(NeedsAdministrator)" /SD IDOK
      SetErrorLevel 5 ; ERROR_ACCESS_DENIED
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Removes what the setup program put there and nothing else: its files by
; name (a folder only when left empty, so files a user keeps there stay),
; the shortcut, the file type while it is still this program's, and the
; entry.
Section "Uninstall"
  !include "${LISTS}/uninstall-files.nsh"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  DeleteRegKey SHCTX "Software\Classes\${PROG_ID}"
  ReadRegStr $0 SHCTX "Software\Classes\.swalbum" ""
  ${If} $0 == "${PROG_ID}"
    DeleteRegValue SHCTX "Software\Classes\.swalbum" ""
  ${EndIf}
  DeleteRegKey /ifempty SHCTX "Software\Classes\.swalbum"
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
