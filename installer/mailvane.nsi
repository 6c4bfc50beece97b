; Mailvane installer. Built by tools/package for one target at a time:
;   makensis -DARCH=amd64|x86 -DVERSION=1.2.3 -DBINDIR=<folder with the
;            program, its component and its help> -DOUTFILE=<setup.exe>
;            -DARTWORK=<folder with mailvane.ico> mailvane.nsi
; Installs the program, its message component and its help file, registers
; the component, and adds a Start-menu folder and an uninstaller that
; reverses every step.

Unicode true
!include "LogicLib.nsh"
SetCompressor /SOLID lzma

!ifndef ARCH & VERSION & BINDIR & OUTFILE & ARTWORK
  !error "ARCH, VERSION, BINDIR, OUTFILE and ARTWORK must be defined"
!endif

!define PRODUCT "Mailvane"
!define MAKER "Quorvel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

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

Function .onInit
  !insertmacro UseTargetViews
FunctionEnd

Function un.onInit
  !insertmacro UseTargetViews
FunctionEnd

Section "Mailvane" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BINDIR}\Mailvane.exe"
  File "${BINDIR}\Redemption.dll"
  File "${BINDIR}\mailvane.chm"
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

Section "Uninstall"
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
  Delete "$INSTDIR\Uninstall.exe"
  ; Only an empty folder is removed: files the user put there stay.
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
