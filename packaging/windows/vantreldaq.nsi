; The Windows installer of VantrelDAQ: makensis on the build machine turns it
; into VantrelDAQ-<version>-setup.exe. Made by the package_windows target
; (cmake/Windows.cmake), which passes
;   -DVERSION=1.2 -DVERSION_QUAD=1.2.0.0 -DBINDIR=<folder of the .exe files>
;   -DSRCDIR=<source tree> -DOUTFILE=<setup file>
;
; Installs for all users into Program Files (64-bit): the two programs, a
; README, an uninstaller registered with Windows, a Start-menu entry, the .udd
; association and, when chosen, a desktop shortcut. The entries and the
; association start the program with --user-folder, so it keeps its settings in
; %APPDATA%\VantrelDAQ rather than in its own folder, which a normal user cannot
; write. An upgrade goes into the folder of the earlier install, under the same
; uninstall entry. Neither setup nor uninstall runs while the program does: it
; holds the mutex "VantrelDAQ-Running" (src/app/main_win32.cpp).
;   /S                 silent (exit code 2 when the program runs)
;   /DESKTOPSHORTCUT   with the desktop shortcut (the components page's choice)
;   /D=<folder>        the folder, last on the line, unquoted

; A 64-bit installer for 64-bit programs: it needs no WoW64 registry or
; folder redirection, and a 32-bit Windows refuses to start it at all.
Target amd64-unicode
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!macro Needs NAME
  !ifndef ${NAME}
    !error "makensis needs -D${NAME}=... (-DVERSION -DVERSION_QUAD -DBINDIR -DSRCDIR -DOUTFILE)"
  !endif
!macroend
!insertmacro Needs VERSION
!insertmacro Needs VERSION_QUAD
!insertmacro Needs BINDIR
!insertmacro Needs SRCDIR
!insertmacro Needs OUTFILE

!define APP "VantrelDAQ"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define PROGID "VantrelDAQ.Recording"
!define CLASSES "Software\Classes"
!define SHCNE_ASSOCCHANGED 0x08000000
!define RUNNING_MUTEX "VantrelDAQ-Running"
!define SYNCHRONIZE 0x00100000
!define ERROR_ACCESS_DENIED 5

; The uninstaller and the setup program are signed as they are written, when
; a certificate is given (VANTREL_SIGN_CERT; scripts/sign_windows.sh). Only
; then: a finalized uninstaller is stored apart from the compressed files and
; makes the setup larger. An unset variable stays "$%NAME%" in the text.
!searchparse /noerrors "$%VANTREL_SIGN_CERT%" "%VANTREL_SIGN_CERT" NO_SIGNING_CERT
!ifndef NO_SIGNING_CERT
  !uninstfinalize '"${SRCDIR}/scripts/sign_windows.sh" "%1"'
  !finalize '"${SRCDIR}/scripts/sign_windows.sh" "%1"'
!endif

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
; An upgrade proposes (and, silent, takes) the earlier install's folder.
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText " "
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=0 "ProductName" "${APP}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${APP} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "VantrelDAQ developers"

; The program's icon once the source tree has one; NSIS's own until then.
!if /FileExists "${SRCDIR}/resources/windows/vantreldaq.ico"
  !define MUI_ICON "${SRCDIR}/resources/windows/vantreldaq.ico"
  !define MUI_UNICON "${SRCDIR}/resources/windows/vantreldaq.ico"
!endif
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
; The finish page starts the program through the Start-menu entry as the
; desktop would, so it runs as the user, not with the setup's rights.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(RunProgram)"
!define MUI_FINISHPAGE_RUN_FUNCTION RunAsTheUser

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString RecordingType ${LANG_ENGLISH} "${APP} recording"
LangString RecordingType ${LANG_GERMAN} "${APP}-Aufzeichnung"
LangString RunProgram ${LANG_ENGLISH} "Run ${APP}"
LangString RunProgram ${LANG_GERMAN} "${APP} starten"
LangString DesktopShortcut ${LANG_ENGLISH} "Desktop shortcut"
LangString DesktopShortcut ${LANG_GERMAN} "Verkn${U+00FC}pfung auf dem Desktop"
LangString StillRunning ${LANG_ENGLISH} "${APP} is running. Please close it and try again."
LangString StillRunning ${LANG_GERMAN} "${APP} l${U+00E4}uft noch. Bitte beenden Sie das Programm und versuchen Sie es erneut."

; Stops the setup or the uninstall while the program runs anywhere on this
; machine: its mutex exists in this session, or in another user's, where
; opening it may be refused (access denied), which says as much. Silent (/S),
; the exit code is 2 and nothing is touched.
!macro RefuseWhileRunning
  StrCpy $2 0
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "Local\${RUNNING_MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $2 1
  ${EndIf}
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "Global\${RUNNING_MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $2 1
  ${ElseIf} $1 == ${ERROR_ACCESS_DENIED}
    StrCpy $2 1
  ${EndIf}
  ${If} $2 == 1
    MessageBox MB_OK|MB_ICONSTOP "$(StillRunning)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

Section "${APP}" SecProgram
  SectionIn RO
  ; An earlier install elsewhere (the user chose another folder this time):
  ; its files go, so one program and one uninstall entry remain.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != "$INSTDIR"
  ${AndIf} ${FileExists} "$0\vantreldaq.exe"
    Delete "$0\vantreldaq.exe"
    Delete "$0\vantreldaq-cli.exe"
    Delete "$0\README.txt"
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${BINDIR}/vantreldaq.exe"
  File "${BINDIR}/vantreldaq-cli.exe"
  File "/oname=README.txt" "${SRCDIR}/packaging/windows/README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\vantreldaq.exe" "--user-folder" "$INSTDIR\vantreldaq.exe" 0

  ; .udd files open with the program. "--" ends the options, so no file name
  ; is ever taken for one.
  WriteRegStr HKLM "${CLASSES}\${PROGID}" "" "$(RecordingType)"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\vantreldaq.exe,0"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\vantreldaq.exe" --user-folder -- "%1"'
  WriteRegStr HKLM "${CLASSES}\.udd" "" "${PROGID}"
  WriteRegStr HKLM "${CLASSES}\.udd\OpenWithProgids" "${PROGID}" ""

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "VantrelDAQ developers"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\vantreldaq.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0

  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

Section /o "$(DesktopShortcut)" SecDesktop
  CreateShortCut "$DESKTOP\${APP}.lnk" "$INSTDIR\vantreldaq.exe" "--user-folder" "$INSTDIR\vantreldaq.exe" 0
SectionEnd

; For all users: the Start-menu entry in the common programs folder, the
; shortcut on the common desktop.
Function .onInit
  SetShellVarContext all
  !insertmacro RefuseWhileRunning
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DESKTOPSHORTCUT" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecDesktop}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro RefuseWhileRunning
FunctionEnd

Function RunAsTheUser
  Exec '"$WINDIR\explorer.exe" "$SMPROGRAMS\${APP}.lnk"'
FunctionEnd

; Deletes a key of the classes only when nothing else is left in it (no value,
; no subkey): another program's entries under .udd stay.
!macro DeleteKeyIfEmpty KEY
  ; EnumRegValue gives "" both when there is no value and for the unnamed
  ; default one; ReadRegStr's error flag tells the two apart.
  ClearErrors
  EnumRegValue $0 HKLM "${KEY}" 0
  EnumRegKey $1 HKLM "${KEY}" 0
  ReadRegStr $2 HKLM "${KEY}" ""
  ${If} $0 == ""
  ${AndIf} $1 == ""
  ${AndIf} ${Errors}
    DeleteRegKey HKLM "${KEY}"
  ${EndIf}
!macroend

Section "Uninstall"
  ; Only what the installer put there: the folder goes only when it is empty
  ; then, and the user's settings in %APPDATA%\VantrelDAQ stay.
  Delete "$INSTDIR\vantreldaq.exe"
  Delete "$INSTDIR\vantreldaq-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$DESKTOP\${APP}.lnk"

  ; .udd back to no program, unless another one has taken it meanwhile.
  DeleteRegKey HKLM "${CLASSES}\${PROGID}"
  ReadRegStr $0 HKLM "${CLASSES}\.udd" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue HKLM "${CLASSES}\.udd" ""
  ${EndIf}
  DeleteRegValue HKLM "${CLASSES}\.udd\OpenWithProgids" "${PROGID}"
  !insertmacro DeleteKeyIfEmpty "${CLASSES}\.udd\OpenWithProgids"
  !insertmacro DeleteKeyIfEmpty "${CLASSES}\.udd"

  DeleteRegKey HKLM "${UNINST_KEY}"
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd
