; The setup program: installs Vocorder, its MP3 encoder library and the word
; processor's add-in in both word sizes, registers each add-in in its own
; registry view and enters it in Word's list of COM add-ins for the whole
; machine, and leaves an uninstaller in Add/Remove Programs. The build passes
; the folders and names:
;   makensis -DARCH=i686|x86_64 -DSTAGE=<stripped binaries> -DOUTFILE=<setup.exe> Vocorder.nsi
;
; Exit codes (also of a silent run): 0 done; 1 cancelled; 2 done, but an
; add-in could not be registered; 3 refused, nothing replaced: Vocorder kept
; running or a file to replace is in use; 4 refused: a newer version is
; installed; 5 stopped: a file or a machine setting could not be written.
; The uninstaller: 3 refused while Vocorder runs, 3010 done but files that
; are in use go when Windows restarts.

!ifndef ARCH | STAGE | OUTFILE
  !error "ARCH, STAGE and OUTFILE must be defined (-DARCH=i686 -DSTAGE=... -DOUTFILE=...)"
!endif
!ifndef VERSION
  !define VERSION "1.05"
!endif

; The program ships for 32-bit Windows; the 64-bit setup program exists only
; to try the installation on machines that cannot run 32-bit code. Each runs
; the regsvr32 of an add-in's word size, which registers it in that size's
; registry view: the setup program's own one, and the other one's through the
; folder a process of the setup program's size sees it under.
!if ${ARCH} == "x86_64"
  Target amd64-unicode
  !define PROGRAMS "$PROGRAMFILES64"
  !define REGSVR32_32 "$WINDIR\SysWOW64\regsvr32.exe"
  !define REGSVR32_64 "$SYSDIR\regsvr32.exe"
!else
  Target x86-unicode
  !define PROGRAMS "$PROGRAMFILES"
  !define REGSVR32_32 "$SYSDIR\regsvr32.exe"
  !define REGSVR32_64 "$WINDIR\Sysnative\regsvr32.exe"
!endif

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WordFunc.nsh"
!include "WinMessages.nsh"

!define COMPANY "Korvel"
!define PRODUCT "Vocorder"
!define WINDOW_CLASS "TfrmVocorder"
; The installer's record of its folder, which the add-ins read (32-bit view).
!define INSTALL_KEY "SOFTWARE\${COMPANY}\${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; Word's list of COM add-ins: read from the machine's key in the view of
; Word's own word size, and from each user's key (earlier versions wrote
; there, for the installing user only).
!define WORD_ADDIN_KEY "Software\Microsoft\Office\Word\Addins\VocorderAddIn.AddIn"
; What the program keeps per user: the settings and layouts, its own store
; of the window position and the recordings folders, and its folder in the
; application data (remembered positions; and, where the program's folder may
; not be written, "Player.ini" and the list files).
!define SETTINGS_VENDOR_KEY "Software\Tarnwell"
!define SETTINGS_KEY "${SETTINGS_VENDOR_KEY}\Kestrel v.5.1"
!define USER_STORE_KEY "Vocorder"
; How long a closing program may take before the user is asked again (the
; program asks about a dictation that is not saved; it ends in about 2 s).
!define CLOSE_WAIT_MS 10000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS}\${COMPANY}\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
; A file that cannot be written stops the installation: skipping it would
; leave one version's program beside another one's libraries.
AllowSkipFiles off

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
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartAsTheUser
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\ReadMe.txt"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var RemoveSettings
Var Registered32
Var Registered64

; Asks a running Vocorder to close as its own close button would, so that a
; dictation not saved yet is asked about, and waits until its process has
; ended: a program still ending holds its files. The error flag is set when
; it keeps running (the user kept it, or silently, it did not end in time).
!macro CLOSE_PROGRAM UN
Function ${UN}CloseProgram
  Push $0
  Push $1
  Push $2
  find:
    FindWindow $0 "${WINDOW_CLASS}"
    StrCmp $0 0 closed
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "${PRODUCT} is running and is closed now.$\r$\nA dictation it has not saved yet is asked about first." /SD IDOK IDOK ask
    Goto kept
  ask:
    System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)'
  wait:
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    StrCmp $2 0 still
    System::Call 'kernel32::WaitForSingleObject(p r2, i ${CLOSE_WAIT_MS}) i .r1'
    System::Call 'kernel32::CloseHandle(p r2)'
    StrCmp $1 0 find
  still:
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is still running: it may be asking about a dictation.$\r$\nAnswer it, or close ${PRODUCT} yourself, then choose Retry." /SD IDCANCEL IDRETRY retry
    Goto kept
  retry:
    ; Asked again only when no window of its own is open over the strip: a
    ; question still waiting is not asked twice.
    IsWindow $0 0 find
    System::Call 'user32::IsWindowEnabled(p r0) i .r1'
    StrCmp $1 0 wait ask
  kept:
    Pop $2
    Pop $1
    Pop $0
    SetErrors
    Return
  closed:
    Pop $2
    Pop $1
    Pop $0
    ClearErrors
FunctionEnd
!macroend
!insertmacro CLOSE_PROGRAM ""
!insertmacro CLOSE_PROGRAM "un."

Function Refuse
  ; $0: what is said; the exit code is on the stack.
  Exch $1
  DetailPrint $0
  MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
  SetErrorLevel $1
  Abort
FunctionEnd

!macro REFUSE CODE TEXT
  StrCpy $0 "${TEXT}"
  Push ${CODE}
  Call Refuse
!macroend

; Every file the installation replaces must be free first: a running program,
; a Word holding an add-in, another user's Vocorder. $R0: the file's name.
Function RequireReplaceable
  retry:
  IfFileExists "$INSTDIR\$R0" 0 free
  ClearErrors
  FileOpen $0 "$INSTDIR\$R0" a
  IfErrors 0 open
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$INSTDIR\$R0 is in use (Word holds the add-in while it runs).$\r$\nClose the program that uses it, then choose Retry." /SD IDCANCEL IDRETRY retry
  !insertmacro REFUSE 3 "$INSTDIR\$R0 is in use; nothing was replaced."
  open:
  FileClose $0
  free:
FunctionEnd

!macro REQUIRE_REPLACEABLE NAME
  StrCpy $R0 "${NAME}"
  Call RequireReplaceable
!macroend

!macro INSTALL_FILE NAME
  ClearErrors
  File "${STAGE}\${NAME}"
  ${If} ${Errors}
    !insertmacro REFUSE 5 "$INSTDIR\${NAME} could not be written."
  ${EndIf}
!macroend

; Machine-wide values: a failed write stops the installation (a standard
; user's rights, a policy).
!macro MACHINE_STR KEY NAME VALUE
  ClearErrors
  WriteRegStr HKLM "${KEY}" "${NAME}" `${VALUE}`
  ${If} ${Errors}
    !insertmacro REFUSE 5 "HKEY_LOCAL_MACHINE\${KEY} could not be written."
  ${EndIf}
!macroend
!macro MACHINE_DWORD KEY NAME VALUE
  ClearErrors
  WriteRegDWORD HKLM "${KEY}" "${NAME}" "${VALUE}"
  ${If} ${Errors}
    !insertmacro REFUSE 5 "HKEY_LOCAL_MACHINE\${KEY} could not be written."
  ${EndIf}
!macroend

; Registers (or, with /u, unregisters) an add-in with the regsvr32 of its
; word size: $R0 regsvr32, $R1 the DLL, $R2 options. $R3 gives "done",
; "failed", or "none" where this machine runs no programs of that size (and
; so no Word of it either).
!macro REGSVR UN
Function ${UN}RegSvr
  StrCpy $R3 "none"
  IfFileExists $R0 0 done
  ClearErrors
  ExecWait '"$R0" /s $R2 "$R1"' $R4
  IfErrors done
  StrCpy $R3 "done"
  StrCmp $R4 0 done
  StrCpy $R3 "failed"
  done:
FunctionEnd
!macroend
!insertmacro REGSVR ""
!insertmacro REGSVR "un."

!macro REGISTER_ADDIN BITS DLL RESULT
  StrCpy $R0 "${REGSVR32_${BITS}}"
  StrCpy $R1 "$INSTDIR\${DLL}"
  StrCpy $R2 ""
  Call RegSvr
  StrCpy ${RESULT} $R3
  ${If} $R3 == "failed"
    DetailPrint "The add-in for ${BITS}-bit Word could not be registered."
    MessageBox MB_OK|MB_ICONEXCLAMATION "The add-in for ${BITS}-bit Word could not be registered.$\r$\n${PRODUCT} itself is installed." /SD IDOK
    SetErrorLevel 2
  ${ElseIf} $R3 == "done"
    SetRegView ${BITS}
    !insertmacro MACHINE_STR "${WORD_ADDIN_KEY}" "FriendlyName" "Vocorder pre MS Word"
    !insertmacro MACHINE_STR "${WORD_ADDIN_KEY}" "Description" "Starts Vocorder from the Tools menu"
    !insertmacro MACHINE_DWORD "${WORD_ADDIN_KEY}" "LoadBehavior" 3
    SetRegView default
  ${EndIf}
!macroend

!macro UNREGISTER_ADDIN BITS DLL
  ${If} ${FileExists} "$INSTDIR\${DLL}"
    StrCpy $R0 "${REGSVR32_${BITS}}"
    StrCpy $R1 "$INSTDIR\${DLL}"
    StrCpy $R2 "/u"
    Call un.RegSvr
  ${EndIf}
  SetRegView ${BITS}
  DeleteRegKey HKLM "${WORD_ADDIN_KEY}"
  SetRegView default
!macroend

Function .onInit
  SetRegView 32
  ReadRegStr $0 HKLM "${INSTALL_KEY}" "InstallDir"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  SetRegView default
  ; An earlier installation into another folder is updated where it is,
  ; unless /D= named a folder (it has then replaced the default already).
  ${If} $0 != ""
  ${AndIf} $INSTDIR == "${PROGRAMS}\${COMPANY}\${PRODUCT}"
    StrCpy $INSTDIR $0
  ${EndIf}
  ${If} $1 != ""
    ${VersionCompare} $1 "${VERSION}" $2
    ${If} $2 == 1
      MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "${PRODUCT} $1 is installed, which is newer than this setup program's ${PRODUCT} ${VERSION}.$\r$\nReplace it with the older version?" /SD IDNO IDYES older
      SetErrorLevel 4
      Quit
    ${EndIf}
  ${EndIf}
  older:
FunctionEnd

Section "Vocorder" SecMain
  SectionIn RO
  Call CloseProgram
  ${If} ${Errors}
    !insertmacro REFUSE 3 "${PRODUCT} is still running; nothing was replaced."
  ${EndIf}
  !insertmacro REQUIRE_REPLACEABLE "Vocorder.exe"
  !insertmacro REQUIRE_REPLACEABLE "libmp3lame-0.dll"
  !insertmacro REQUIRE_REPLACEABLE "VocorderAddIn.dll"
  !insertmacro REQUIRE_REPLACEABLE "VocorderAddIn64.dll"
  !insertmacro REQUIRE_REPLACEABLE "Uninstall.exe"

  SetOutPath "$INSTDIR"
  !insertmacro INSTALL_FILE "Vocorder.exe"
  !insertmacro INSTALL_FILE "libmp3lame-0.dll"
  !insertmacro INSTALL_FILE "VocorderAddIn.dll"
  !insertmacro INSTALL_FILE "VocorderAddIn64.dll"
  !insertmacro INSTALL_FILE "LAME-COPYING.txt"
  !insertmacro INSTALL_FILE "SONIC-COPYING.txt"
  !insertmacro INSTALL_FILE "ReadMe.txt"
  ; A start-up file the user has edited is kept.
  SetOverwrite off
  !insertmacro INSTALL_FILE "Player.ini"
  SetOverwrite on

  !insertmacro REGISTER_ADDIN 32 "VocorderAddIn.dll" $Registered32
  !insertmacro REGISTER_ADDIN 64 "VocorderAddIn64.dll" $Registered64
  ${If} $Registered32 == "none"
  ${AndIf} $Registered64 == "none"
    DetailPrint "No regsvr32 found: the Word add-in is not registered."
    SetErrorLevel 2
  ${EndIf}
  ; Earlier versions entered the add-in for the installing user only.
  DeleteRegKey HKCU "${WORD_ADDIN_KEY}"

  ; The shortcut starts the program in its folder, where "Player.ini" is.
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Vocorder.exe" "" "$INSTDIR\Vocorder.exe" 0

  ClearErrors
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${If} ${Errors}
    !insertmacro REFUSE 5 "$INSTDIR\Uninstall.exe could not be written."
  ${EndIf}
  SetRegView 32
  !insertmacro MACHINE_STR "${INSTALL_KEY}" "InstallDir" "$INSTDIR"
  !insertmacro MACHINE_STR "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  !insertmacro MACHINE_STR "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  !insertmacro MACHINE_STR "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  !insertmacro MACHINE_STR "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vocorder.exe"
  !insertmacro MACHINE_STR "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  !insertmacro MACHINE_STR "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  !insertmacro MACHINE_STR "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  !insertmacro MACHINE_DWORD "${UNINSTALL_KEY}" "NoModify" 1
  !insertmacro MACHINE_DWORD "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  !insertmacro MACHINE_DWORD "${UNINSTALL_KEY}" "EstimatedSize" $0
  SetRegView default
SectionEnd

; The setup program runs with an administrator's rights, and a program it
; started would too, writing where the user's own start may not. The shell
; starts the shortcut instead, as the signed-in user, in the program's folder.
Function StartAsTheUser
  SetShellVarContext all
  Exec '"$WINDIR\explorer.exe" "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"'
FunctionEnd

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

; Deleted now, or when Windows restarts if the file is in use.
!macro REMOVE_FILE NAME
  Delete /REBOOTOK "$INSTDIR\${NAME}"
!macroend

Section "Uninstall"
  ; Nothing is removed while the program runs: its files would stay, and
  ; an unsaved dictation with them.
  Call un.CloseProgram
  ${If} ${Errors}
    DetailPrint "${PRODUCT} is still running; nothing was removed."
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is still running; nothing was removed." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}

  ${If} $RemoveSettings == 0
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Remove your Vocorder settings too (the settings, the layouts, the window position, the recordings folders and the remembered playing positions)?$\r$\nYour recordings are kept either way." /SD IDNO IDNO keep
    StrCpy $RemoveSettings 1
  keep:
  ${EndIf}

  !insertmacro UNREGISTER_ADDIN 32 "VocorderAddIn.dll"
  !insertmacro UNREGISTER_ADDIN 64 "VocorderAddIn64.dll"
  DeleteRegKey HKCU "${WORD_ADDIN_KEY}"

  ; Only what the setup program and the program put here; a folder the
  ; user keeps other things in stays.
  !insertmacro REMOVE_FILE "Vocorder.exe"
  !insertmacro REMOVE_FILE "libmp3lame-0.dll"
  !insertmacro REMOVE_FILE "VocorderAddIn.dll"
  !insertmacro REMOVE_FILE "VocorderAddIn64.dll"
  !insertmacro REMOVE_FILE "LAME-COPYING.txt"
  !insertmacro REMOVE_FILE "SONIC-COPYING.txt"
  !insertmacro REMOVE_FILE "ReadMe.txt"
  !insertmacro REMOVE_FILE "Player.ini"
  !insertmacro REMOVE_FILE "listdir.m3u"
  !insertmacro REMOVE_FILE "listdir.bak"
  ; A replaced list's temporary copy, left when its writer was stopped.
  Delete "$INSTDIR\lst*.tmp"
  ; Run in place (_?=), the uninstaller is this file: its caller removes it.
  Delete "$INSTDIR\Uninstall.exe"
  ; The folders go now, or after the files that wait for the restart.
  ${GetParent} "$INSTDIR" $0
  ${GetFileName} $0 $1
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
    StrCmp $1 "${COMPANY}" 0 +2
    RMDir /REBOOTOK $0
  ${Else}
    RMDir "$INSTDIR"
    StrCmp $1 "${COMPANY}" 0 +2
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
    ; The program's own files there, and the temporary copies a replaced
    ; file leaves when its writer was stopped; recordings stay.
    SetShellVarContext current
    Delete "$APPDATA\${PRODUCT}\positions.txt"
    Delete "$APPDATA\${PRODUCT}\Player.ini"
    Delete "$APPDATA\${PRODUCT}\*.m3u"
    Delete "$APPDATA\${PRODUCT}\*.bak"
    Delete "$APPDATA\${PRODUCT}\lst*.tmp"
    RMDir "$APPDATA\${PRODUCT}"
  ${EndIf}

  ${If} ${RebootFlag}
    DetailPrint "Files in use are removed when Windows restarts."
    MessageBox MB_OK|MB_ICONINFORMATION "Some of ${PRODUCT}'s files are in use (Word holds the add-in while it runs).$\r$\nThey are removed when Windows restarts." /SD IDOK
    SetErrorLevel 3010
  ${EndIf}
SectionEnd
