; The setup program: installs Vocorder, its MP3 encoder library and the word
; processor's add-in, registers the add-in, enters it in Word's list of COM
; add-ins for the installing user, and leaves an uninstaller in Add/Remove
; Programs. The build passes the folders and names:
;   makensis -DARCH=i686|x86_64 -DSTAGE=<stripped binaries> -DOUTFILE=<setup.exe> Vocorder.nsi

!ifndef ARCH | STAGE | OUTFILE
  !error "ARCH, STAGE and OUTFILE must be defined (-DARCH=i686 -DSTAGE=... -DOUTFILE=...)"
!endif
!ifndef VERSION
  !define VERSION "1.05"
!endif

; The program ships for 32-bit Windows; the 64-bit setup program exists only
; to try the installation on machines that cannot run 32-bit code.
!if ${ARCH} == "x86_64"
  Target amd64-unicode
  !define PROGRAMS "$PROGRAMFILES64"
!else
  Target x86-unicode
  !define PROGRAMS "$PROGRAMFILES"
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define COMPANY "Korvel"
!define PRODUCT "Vocorder"
; The installer's record of its folder, which the add-in reads (32-bit view).
!define INSTALL_KEY "SOFTWARE\${COMPANY}\${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define WORD_ADDIN_KEY "Software\Microsoft\Office\Word\Addins\VocorderAddIn.AddIn"
; What the program keeps per user: the settings and layouts, and its own store
; of the window position and the recordings folders.
!define SETTINGS_VENDOR_KEY "Software\Tarnwell"
!define SETTINGS_KEY "${SETTINGS_VENDOR_KEY}\Kestrel v.5.1"
!define USER_STORE_KEY "Vocorder"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS}\${COMPANY}\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COMPANY}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Vocorder.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\ReadMe.txt"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var RemoveSettings

Function .onInit
  ; An earlier installation into another folder is updated where it is,
  ; unless /D= named a folder (it has then replaced the default already).
  SetRegView 32
  ReadRegStr $0 HKLM "${INSTALL_KEY}" "InstallDir"
  SetRegView default
  ${If} $0 != ""
  ${AndIf} $INSTDIR == "${PROGRAMS}\${COMPANY}\${PRODUCT}"
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "Vocorder" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\Vocorder.exe"
  File "${STAGE}\libmp3lame-0.dll"
  File "${STAGE}\VocorderAddIn.dll"
  File "${STAGE}\LAME-COPYING.txt"
  File "${STAGE}\SONIC-COPYING.txt"
  File "${STAGE}\ReadMe.txt"
  ; A start-up file the user has edited is kept.
  SetOverwrite off
  File "${STAGE}\Player.ini"
  SetOverwrite on

  ClearErrors
  RegDLL "$INSTDIR\VocorderAddIn.dll"
  ${If} ${Errors}
    DetailPrint "The Word add-in could not be registered."
    MessageBox MB_OK|MB_ICONEXCLAMATION "The Word add-in could not be registered.$\r$\nVocorder itself is installed." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
  WriteRegStr HKCU "${WORD_ADDIN_KEY}" "FriendlyName" "Vocorder pre MS Word"
  WriteRegStr HKCU "${WORD_ADDIN_KEY}" "Description" "Starts Vocorder from the Tools menu"
  WriteRegDWORD HKCU "${WORD_ADDIN_KEY}" "LoadBehavior" 3

  ; The shortcut starts the program in its folder, where "Player.ini" is.
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Vocorder.exe" "" "$INSTDIR\Vocorder.exe" 0

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  SetRegView 32
  WriteRegStr HKLM "${INSTALL_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vocorder.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  SetRegView default
SectionEnd

; The user's settings stay unless asked for: /REMOVESETTINGS on the command
; line (for silent uninstalls), or Yes to the question.
Function un.onInit
  StrCpy $RemoveSettings 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    StrCpy $RemoveSettings 1
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ${If} $RemoveSettings == 0
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Remove your Vocorder settings too (the settings, the layouts, the window position, the recordings folders and the remembered playing positions)?$\r$\nYour recordings are kept either way." /SD IDNO IDNO keep
    StrCpy $RemoveSettings 1
  keep:
  ${EndIf}

  ClearErrors
  UnRegDLL "$INSTDIR\VocorderAddIn.dll"
  DeleteRegKey HKCU "${WORD_ADDIN_KEY}"

  ; Only what the setup program and the program put here; a folder the
  ; user keeps other things in stays.
  Delete "$INSTDIR\Vocorder.exe"
  Delete "$INSTDIR\libmp3lame-0.dll"
  Delete "$INSTDIR\VocorderAddIn.dll"
  Delete "$INSTDIR\LAME-COPYING.txt"
  Delete "$INSTDIR\SONIC-COPYING.txt"
  Delete "$INSTDIR\ReadMe.txt"
  Delete "$INSTDIR\Player.ini"
  Delete "$INSTDIR\listdir.m3u"
  Delete "$INSTDIR\listdir.bak"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  ${GetParent} "$INSTDIR" $0
  ${GetFileName} $0 $1
  ${If} $1 == "${COMPANY}"
    RMDir $0
  ${EndIf}

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  SetRegView 32
  DeleteRegKey HKLM "${INSTALL_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\${COMPANY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  SetRegView default

  ${If} $RemoveSettings == 1
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "${SETTINGS_VENDOR_KEY}"
    DeleteRegKey HKCU "${USER_STORE_KEY}"
    SetShellVarContext current
    Delete "$APPDATA\${PRODUCT}\positions.txt"
    RMDir "$APPDATA\${PRODUCT}"
  ${EndIf}
SectionEnd
