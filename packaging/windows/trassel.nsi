; The Trassel installer for 64-bit Windows (NSIS 3), made by scripts/build-windows from the
; portable folder:
;   makensis -INPUTCHARSET UTF8 -DVERSION=2.0 -DFILES=<dir> -DSIZE_KB=<n> -DOUTFILE=<setup.exe> trassel.nsi
; where <dir> holds install-files.nsh and uninstall-files.nsh, the portable folder's files one
; by one, and <n> is the folder's size in KiB.
;
; It installs for the current user (no administrator needed; %LOCALAPPDATA%\Programs\Trassel)
; or, chosen on its page or with /AllUsers, for all users (Program Files\Trassel). /S installs
; silently. Start-menu entries, the .trassel file type opening in Trassel and the entry in
; "Apps and features" come with it. The uninstaller removes exactly the files it installed and
; its registry entries: TrasselOptions.ini and whatever the user saved stay where they are.
; A 64-bit installer for a 64-bit program (and one Wine's 64-bit-only builds run).
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | FILES | OUTFILE | SIZE_KB
  !error "VERSION, FILES, OUTFILE and SIZE_KB must be defined (see the head of this file)"
!endif

!define PRODUCT "Trassel"
!define PUBLISHER "Trassel developers"
!define PROGID "Trassel.Project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trassel"
!define SETTINGS_KEY "Software\Trassel"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Trassel"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallDir"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${SETTINGS_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallMode"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh

!define MUI_ICON "${__FILEDIR__}\trassel.ico"
!define MUI_UNICON "${__FILEDIR__}\trassel.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\trassel.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "English"

LangString TypeName ${LANG_RUSSIAN} "Проект Trassel"
LangString TypeName ${LANG_ENGLISH} "Trassel project"
LangString ReadmeLink ${LANG_RUSSIAN} "Trassel — описание"
LangString ReadmeLink ${LANG_ENGLISH} "Trassel — read me"
LangString ExamplesLink ${LANG_RUSSIAN} "Примеры Trassel"
LangString ExamplesLink ${LANG_ENGLISH} "Trassel examples"
LangString Needs64 ${LANG_RUSSIAN} "Trassel работает в 64-разрядной Windows."
LangString Needs64 ${LANG_ENGLISH} "Trassel needs 64-bit Windows."

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "GPL-3.0-or-later"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "$(Needs64)" /SD IDOK
    Abort
  ${EndIf}
  ; The 64-bit registry, where a 64-bit program and Windows look.
  SetRegView 64
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; Tells Explorer that file types changed (SHCNE_ASSOCCHANGED).
!macro NotifyShell
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

Section "Trassel" SecMain
  SectionIn RO
  ; An earlier version in the same folder goes first, so that none of its files is left over.
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    ExecWait '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode _?=$INSTDIR'
    Delete "$INSTDIR\uninstall.exe"
  ${EndIf}

  !include "${FILES}\install-files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Start menu (all users' or the user's, by the install mode).
  CreateDirectory "$SMPROGRAMS\Trassel"
  CreateShortcut "$SMPROGRAMS\Trassel\Trassel.lnk" "$INSTDIR\trassel.exe" "" "$INSTDIR\trassel.exe" 0
  CreateShortcut "$SMPROGRAMS\Trassel\$(ReadmeLink).lnk" "$INSTDIR\README.txt"
  CreateShortcut "$SMPROGRAMS\Trassel\$(ExamplesLink).lnk" "$INSTDIR\examples"

  ; The .trassel file type opens in Trassel (HKLM or HKCU Software\Classes by the install mode).
  WriteRegStr SHCTX "Software\Classes\.trassel" "" "${PROGID}"
  WriteRegStr SHCTX "Software\Classes\.trassel" "Content Type" "application/x-trassel-project"
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "$(TypeName)"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\trassel.exe,0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\trassel.exe" "%1"'
  WriteRegStr SHCTX "Software\Classes\Applications\trassel.exe\shell\open\command" "" '"$INSTDIR\trassel.exe" "%1"'
  !insertmacro NotifyShell

  ; Where and how it is installed, for the next setup and for "Apps and features".
  WriteRegStr SHCTX "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr SHCTX "${SETTINGS_KEY}" "InstallMode" "$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\trassel.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
  !include "${FILES}\uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: the settings file beside the program and the user's own files stay.
  RMDir "$INSTDIR"

  ; The shortcuts under the names of either language the setup may have spoken.
  Delete "$SMPROGRAMS\Trassel\Trassel.lnk"
  Delete "$SMPROGRAMS\Trassel\Trassel — описание.lnk"
  Delete "$SMPROGRAMS\Trassel\Trassel — read me.lnk"
  Delete "$SMPROGRAMS\Trassel\Примеры Trassel.lnk"
  Delete "$SMPROGRAMS\Trassel\Trassel examples.lnk"
  RMDir "$SMPROGRAMS\Trassel"

  ; The file type only while it is still ours.
  ReadRegStr $0 SHCTX "Software\Classes\.trassel" ""
  ${If} $0 == "${PROGID}"
    DeleteRegKey SHCTX "Software\Classes\.trassel"
  ${EndIf}
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegKey SHCTX "Software\Classes\Applications\trassel.exe"
  !insertmacro NotifyShell

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  DeleteRegKey SHCTX "${SETTINGS_KEY}"
SectionEnd
