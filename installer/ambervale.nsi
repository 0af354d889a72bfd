; The Windows installer of Ambervale Screensaver. Built by the Windows build (target
; `installer`), which passes on the command line:
;   VERSION, COPYRIGHT, SCR_FILE, LICENSE_FILE, NOTICES_FILE, ICON_FILE, OUTFILE
; and, in a signing build, SIGN_SCRIPT (scripts/sign.sh).
; A 64-bit installer, so that $SYSDIR is the real System32 (a 32-bit one would be redirected
; to SysWOW64, where a 64-bit saver does not belong).
Target amd64-unicode
SetCompressor /SOLID lzma
; File times are left out of the installer, so two builds of one commit give the same bytes.
SetDateSave off
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Ambervale Screensaver"
!define PUBLISHER "The Ambervale Screensaver developers"
!define SCR_NAME "Ambervale.scr"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ambervale"
!define DESKTOP_KEY "Control Panel\Desktop"

; The uninstaller is signed before it is packed into the installer, and the installer once it
; is whole, so neither signature covers bytes that change after it.
!ifdef SIGN_SCRIPT
  !uninstfinalize 'bash "${SIGN_SCRIPT}" "%1"' = 0
  !finalize 'bash "${SIGN_SCRIPT}" "%1"' = 0
!endif

Name "${PRODUCT}"
; Our own words instead of makensis's version, which would tie the bytes to the NSIS build.
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Ambervale"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"

; The saver's own leaf icon, on the installer and the uninstaller.
!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_LICENSEPAGE_TEXT_TOP "Ambervale is free software under the MIT License."
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The stubs restrict their own DLL search to the system folder, yet the common controls take
; AlphaBlend from msimg32.dll by a delay-load on first paint, which Wine (at least) resolves in
; the installer's folder, often a Downloads folder. Loaded from the system folder first, it is
; found among the loaded modules instead.
!macro LOAD_SYSTEM_DLLS
  System::Call 'kernel32::LoadLibraryW(w "$SYSDIR\msimg32.dll")'
!macroend
Function .onInit
  !insertmacro LOAD_SYSTEM_DLLS
FunctionEnd
Function un.onInit
  !insertmacro LOAD_SYSTEM_DLLS
FunctionEnd

Section "Ambervale" SecSaver
  SectionIn RO
  SetRegView 64
  SetOutPath "$SYSDIR"
  File "/oname=${SCR_NAME}" "${SCR_FILE}"

  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
  File "/oname=THIRD_PARTY_NOTICES.txt" "${NOTICES_FILE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SCR_NAME}"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"

  SectionGetSize ${SecSaver} $0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\${SCR_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The system's own Screen Saver Settings, with Ambervale selected, so the user sees it
  ; at once; a silent install leaves the desktop alone.
  ${IfNot} ${Silent}
    Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver $SYSDIR\${SCR_NAME}'
  ${EndIf}
SectionEnd

Section "Uninstall"
  SetRegView 64
  ; The screensaver settings may name the saver by its short (8.3) path; either form counts
  ; as ours. Another saver chosen since then stays chosen.
  StrCpy $0 "$SYSDIR\${SCR_NAME}"
  GetFullPathName /SHORT $1 "$0"
  ReadRegStr $2 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $2 == $0
  ${OrIf} $2 == $1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  ; A saver that is running cannot be deleted now; it goes at the next restart.
  Delete /REBOOTOK "$0"

  ; The user's settings under Software\Ambervale are kept for a later install.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD_PARTY_NOTICES.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
