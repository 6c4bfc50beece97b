; Mailvane installer. Built by tools/package for one target at a time:
;   makensis -DARCH=amd64|x86 -DVERSION=1.2.3 -DBINDIR=<folder with the
;            program, its component and its help> -DOUTFILE=<setup.exe>
;            -DARTWORK=<folder with mailvane.ico> mailvane.nsi
; Installs the program, its message component, its help file and the
; console program eml2msg.exe, registers the component, adds a Start-menu
; folder and, when chosen (the "eml2msg on the PATH" component, or /ADDTOPATH
; on a silent command line), the installation folder to the system PATH;
; and an uninstaller that reverses every step.

Unicode true
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "FileFunc.nsh"
!include "StrFunc.nsh"
!include "WinMessages.nsh"
SetCompressor /SOLID lzma

!ifndef ARCH & VERSION & BINDIR & OUTFILE & ARTWORK
  !error "ARCH, VERSION, BINDIR, OUTFILE and ARTWORK must be defined"
!endif

!define PRODUCT "Mailvane"
!define MAKER "Quorvel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; The longest PATH this installer reads and writes whole (its strings hold 1024 characters).
!define LONGEST_PATH 1000

!if "${ARCH}" == "amd64"
  Target amd64-unicode
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
  !define PLATFORM_NAME "64-bit"
!else
  Target x86-unicode
  InstallDir "$PROGRAMFILES32\${PRODUCT}"
  !define PLATFORM_NAME "32-bit"
!endif

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} (${PLATFORM_NAME}) Setup"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
Icon "${ARTWORK}\mailvane.ico"
UninstallIcon "${ARTWORK}\mailvane.ico"
BrandingText "${MAKER} ${PRODUCT}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${MAKER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${PLATFORM_NAME} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright ${MAKER}"

Page components
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The 64-bit installer writes to the 64-bit registry and system folder, so
; the component is registered by the regsvr32 of its own bitness.
!macro UseTargetViews
  SetShellVarContext all
  !if "${ARCH}" == "amd64"
    SetRegView 64
  !endif
!macroend

; The uninstaller's text replacement (a function) comes after Target, which
; must precede every function: defined above it, the 64-bit installer
; installed into "Program Files (x86)".
${UnStrRep}

Function un.onInit
  !insertmacro UseTargetViews
FunctionEnd

Section "Mailvane" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BINDIR}\Mailvane.exe"
  File "${BINDIR}\Redemption.dll"
  File "${BINDIR}\mailvane.chm"
  File "${BINDIR}\eml2msg.exe"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\Redemption.dll"' $0
  ${If} $0 != 0
    DetailPrint "regsvr32 could not register Redemption.dll (exit code $0)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "The message component Redemption.dll could not be registered.$\r$\nRun regsvr32 on it as an administrator before converting." /SD IDOK
  ${EndIf}

  ; The program opens its help file from its working folder, which the
  ; shortcut sets to the installation folder (the current output path).
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Mailvane.exe" "" "$INSTDIR\Mailvane.exe" 0
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk" "$INSTDIR\mailvane.chm"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (${PLATFORM_NAME})"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Mailvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Off unless chosen: the installation folder at the end of the system PATH,
; so that eml2msg runs from any command prompt. The uninstall key records
; it, and the uninstaller takes out exactly that entry. A PATH too long to
; be read whole is left as it is.
Section /o "eml2msg on the PATH" SecPath
  ClearErrors
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  StrLen $1 $0
  ${If} ${Errors}
  ${OrIf} $1 > ${LONGEST_PATH}
    DetailPrint "The PATH could not be read whole; it is left as it is."
    MessageBox MB_OK|MB_ICONEXCLAMATION "The PATH is too long to be changed safely by this installer.$\r$\nAdd $INSTDIR to it by hand to run eml2msg from any folder." /SD IDOK
    Return
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR"
  ${Else}
    StrCpy $0 "$0;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

; After the sections, whose indexes it uses.
Function .onInit
  !insertmacro UseTargetViews
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ADDTOPATH" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecPath} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The PATH entry this installation added, and nothing else of the PATH.
  ClearErrors
  ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "PathEntry"
  ${IfNot} ${Errors}
  ${AndIf} $2 != ""
    ClearErrors
    ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $1 $0
    ${IfNot} ${Errors}
    ${AndIf} $1 <= ${LONGEST_PATH}
      ; Between semicolons, so that a longer entry starting the same way stays.
      ${UnStrRep} $0 ";$0;" ";$2;" ";"
      StrCpy $0 $0 "" 1
      StrCpy $0 $0 -1
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $0
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${EndIf}

  ; Our DllUnregisterServer removes only keys that point at this copy, so a
  ; registration of another installation stays as it is.
  ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\Redemption.dll"'

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  Delete "$INSTDIR\Mailvane.exe"
  Delete "$INSTDIR\Redemption.dll"
  Delete "$INSTDIR\mailvane.chm"
  Delete "$INSTDIR\eml2msg.exe"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only an empty folder is removed: files the user put there stay.
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
