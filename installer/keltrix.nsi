; Keltrix Setup: a per-machine installation into Program Files, with its uninstaller.
; tools/dist.sh compiles it with:
;   VERSION, VERSION_QUAD   0.9 and 0.9.0.0, from the project version
;   ARCH                    win64 or win32
;   STAGE                   the program folder the build laid out
;   FILES, UNFILES          the File and Delete lines made from that folder's listing
;   RELEASE                 the lines that record the release the package is built from (the
;                           release in the registry and version.ini), or none
;   OUTFILE                 the setup program to write
;   ICON                    (optional) the program's icon, for the setup and its uninstaller

Unicode true
!if "${ARCH}" == "win64"
  ; The 64-bit program goes to the 64-bit Program Files and registers in the 64-bit registry
  ; view, where the 64-bit Keltrix.exe keeps its options.
  Target amd64-unicode
  !define PROGRAM_FILES "$PROGRAMFILES64"
  !define REG_VIEW 64
  !define DISPLAY_NAME "Keltrix"
!else
  Target x86-unicode
  !define PROGRAM_FILES "$PROGRAMFILES"
  !define REG_VIEW 32
  !define DISPLAY_NAME "Keltrix (32-bit)"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Keltrix"
!define MAKER_KEY "SoftWare\Dorvane"
; The program's own key (its options live in Options below it); nothing else of the maker's.
!define OPTIONS_KEY "SoftWare\Dorvane\Keltrix 0.8"
; The updater's record of the release each program folder has, one value per folder: only
; administrators can write it. The setup records the release it was built from; the uninstaller
; removes the folder's record with its files.
!define RELEASE_KEY "SoftWare\Dorvane\Keltrix 0.8\Update"
; Keltrix.exe holds a mutex named after its file while it runs.
!define RUNNING_MUTEX "Keltrix"

Name "Keltrix ${VERSION}"
Caption "Keltrix ${VERSION} Setup"
OutFile "${OUTFILE}"
InstallDir "${PROGRAM_FILES}\Keltrix"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "Dorvane"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Keltrix"
VIAddVersionKey /LANG=1033 "CompanyName" "Dorvane"
VIAddVersionKey /LANG=1033 "FileDescription" "Keltrix Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Dorvane"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING

Var Upgrade

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipDirectoryOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Keltrix.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Keltrix"
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "Keltrix will be removed from $INSTDIR. Your records (the Records folder) and your plug-in registry (Plugins\KeltPlugins.ini) are never removed: they stay in that folder."
!define MUI_COMPONENTSPAGE_TEXT_COMPLIST "Remove:"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section "Keltrix (required)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; Every file of the program folder but the plug-in registry and the updater's settings.
  !include "${FILES}"
  ; The plug-in registry lists the user's plug-ins, and Update.ini names the deployment's update
  ; server and publisher key: an installation over an existing one keeps both.
  SetOverwrite off
  SetOutPath "$INSTDIR"
  File "${STAGE}\Update.ini"
  SetOutPath "$INSTDIR\Plugins"
  File "${STAGE}\Plugins\KeltPlugins.ini"
  SetOverwrite on
  CreateDirectory "$INSTDIR\Records"
  ; The release these files are: its number and their versions, over what an older
  ; installation recorded (the plug-in manager's lines in version.ini stay).
  !include "${RELEASE}"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Keltrix.lnk" "$INSTDIR\Keltrix.exe" "" "$INSTDIR\Keltrix.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Dorvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Keltrix.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Desktop shortcut" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortCut "$DESKTOP\Keltrix.lnk" "$INSTDIR\Keltrix.exe" "" "$INSTDIR\Keltrix.exe" 0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The program, its catalogue, help, updater and plug-ins."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A shortcut to Keltrix on the desktop of every user."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "un.Program files" SecUnProgram
  SectionIn RO
  !include "${UNFILES}"
  ; Written while the program and the updater ran.
  Delete "$INSTDIR\Version.ini"
  Delete "$INSTDIR\Update.log"
  Delete "$INSTDIR\Update.exe.old"
  RMDir /r "$INSTDIR\Update"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: Records and the plug-in registry stay.
  RMDir "$INSTDIR\Plugins"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Keltrix.lnk"
  Delete "$DESKTOP\Keltrix.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; What the updater recorded of this folder's release goes with its files: a later installation
  ; here records its own.
  DeleteRegValue HKLM "${RELEASE_KEY}" "$INSTDIR"
  DeleteRegKey /ifempty HKLM "${RELEASE_KEY}"
SectionEnd

Section /o "un.Options" SecUnOptions
  DeleteRegKey HKLM "${OPTIONS_KEY}"
  DeleteRegKey /ifempty HKLM "${MAKER_KEY}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "The program files, the shortcuts and the entry in the list of installed programs."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnOptions} "The options Keltrix keeps in the registry (HKLM\${OPTIONS_KEY}). Off: they stay for a later installation."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

; Administrator rights (the installation is per machine) and a program that is not running
; (its files could not be replaced); a silent run that cannot go on ends with exit code 2.
!macro PREREQUISITES
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "Administrator rights are needed to install or remove Keltrix." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
  retry_running:
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Keltrix is running. Close it, then click Retry." /SD IDCANCEL IDRETRY retry_running
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView ${REG_VIEW}
  !insertmacro PREREQUISITES
  ; An earlier installation is upgraded where it is.
  StrCpy $Upgrade 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
    StrCpy $Upgrade 1
  ${EndIf}
FunctionEnd

Function SkipDirectoryOnUpgrade
  ${If} $Upgrade == 1
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView ${REG_VIEW}
  !insertmacro PREREQUISITES
  ; /REMOVEOPTIONS ticks the options box, for silent removals.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEOPTIONS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnOptions}
  ${EndIf}
FunctionEnd
