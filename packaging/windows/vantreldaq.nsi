; The Windows installer of VantrelDAQ: makensis on the build machine turns it
; into VantrelDAQ-<version>-setup.exe. Made by the package_windows target
; (cmake/Windows.cmake), which passes
;   -DVERSION=1.2 -DVERSION_QUAD=1.2.0.0 -DBINDIR=<folder of the .exe files>
;   -DSRCDIR=<source tree> -DOUTFILE=<setup file>
;
; Installs for all users into Program Files (64-bit): the two programs, a
; README, an uninstaller registered with Windows, a Start-menu entry and the
; .udd association. Both the entry and the association start the program with
; --user-folder, so it keeps its settings in %APPDATA%\VantrelDAQ rather than
; in its own folder, which a normal user cannot write. /S installs and
; uninstalls silently.

; A 64-bit installer for 64-bit programs: it needs no WoW64 registry or
; folder redirection, and a 32-bit Windows refuses to start it at all.
Target amd64-unicode
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

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

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
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

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString RecordingType ${LANG_ENGLISH} "${APP} recording"
LangString RecordingType ${LANG_GERMAN} "${APP}-Aufzeichnung"

; For all users: the Start-menu entry in the common programs folder.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "${APP}"
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
