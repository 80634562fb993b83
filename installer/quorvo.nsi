; Quorvo's installer: a per-user setup built with NSIS (makensis runs on
; Linux). It installs Quorvo.exe to %LOCALAPPDATA%\Programs\Quorvo without
; administrator rights, adds a Start-menu shortcut and an entry in Add or
; Remove Programs, and can have the clock start with Windows. Everything it
; writes is under HKEY_CURRENT_USER; the clock's own settings are never
; touched by the installer, and by the uninstaller only when asked.
;
; Command line (every step works silently, as package managers call it):
;   /S                 silent
;   /AUTOSTART=1|0     start with Windows or not; without it a new install
;                      does not, and an update keeps what the user had
;   /D=DIR             install folder (last on the command line, unquoted)
; Uninstaller: /S silent, /PURGE=1 also removes the clock's settings.
;
; Exit codes: 0 done, 1 cancelled, 2 stopped by a wrong option or an error,
; 3 a running clock did not close (nothing was changed).
;
; dist.py builds it and passes everything that depends on the release with
; -D: PRODUCT_NAME, PUBLISHER, DISPLAY_VERSION, FILE_VERSION, HOMEPAGE,
; COPYRIGHT, QUORVO_EXE, ICON, OUTFILE and, for signed builds, SIGN_COMMAND.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all
SetCompressor /SOLID lzma
; A file that cannot be written stops the installation: Windows (and Wine)
; lock a running program, and a skipped file must never pass for success.
AllowSkipFiles off
CRCCheck on

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvo"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quorvo"
!define SETTINGS_ROOT "Software\VB and VBA Program Settings"
!define SETTINGS_PARENT "${SETTINGS_ROOT}\Velmora Software"
!define SETTINGS_KEY "${SETTINGS_PARENT}\Quorvo"
!define CLOCK_CLASS "Quorvo.Form"
!define PROGRAM "Quorvo.exe"
!define UNINSTALLER "Uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
; How long a running clock gets to save its settings and end.
!define CLOSE_TIMEOUT_MS 15000
!define EXIT_CLOCK_STILL_RUNNING 3
!define SYNCHRONIZE 0x00100000
!define WAIT_OBJECT_0 0
!define MOVEFILE_REPLACE_EXISTING_WRITE_THROUGH 9

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT_NAME}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT_NAME} ${DISPLAY_VERSION}"

!ifdef SIGN_COMMAND
  ; Authenticode signatures on the uninstaller (before it is packed) and on
  ; the finished installer.
  !uninstfinalize `${SIGN_COMMAND} "%1"` = 0
  !finalize `${SIGN_COMMAND} "%1"` = 0
!endif

Var ClockWasRunning   ; 1 when setup closed a running clock
Var CloseResult       ; "ok" or "timeout", from CloseClock
Var PreviousDir       ; where an earlier install lives, if any

; ---------------------------------------------------------------- pages

!define MUI_ICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT_NAME} now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartInstalledClock
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT_NAME} ${DISPLAY_VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${DISPLAY_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${DISPLAY_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"

; ------------------------------------------------------ closing the clock

; Asks a running clock to close as a user would (WM_CLOSE to its window: it
; saves its position and options, then ends) and waits for its process to
; end. Sets $ClockWasRunning to 1 if there was one and $CloseResult to "ok",
; or to "timeout" when a process did not end in time.
!macro CLOSE_CLOCK_FUNCTION prefix
Function ${prefix}CloseClock
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  StrCpy $CloseResult "ok"
  ; One clock runs per session; a few rounds cover one that was starting
  ; while the first closed.
  ${For} $R4 1 5
    FindWindow $R0 "${CLOCK_CLASS}"
    ${If} $R0 == 0
      ${Break}
    ${EndIf}
    StrCpy $ClockWasRunning 1
    DetailPrint "Closing the running ${PRODUCT_NAME} clock..."
    StrCpy $R1 0
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R1) i'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i R1) p .R2'
    System::Call 'user32::PostMessageW(p R0, i ${WM_CLOSE}, p 0, p 0) i'
    ${If} $R2 != 0
      System::Call 'kernel32::WaitForSingleObject(p R2, i ${CLOSE_TIMEOUT_MS}) i .R3'
      System::Call 'kernel32::CloseHandle(p R2)'
    ${Else}
      ; No handle to wait on: wait for the window to go instead.
      StrCpy $R3 1
      ${For} $R2 1 150
        System::Call 'user32::IsWindow(p R0) i .R1'
        ${If} $R1 == 0
          StrCpy $R3 ${WAIT_OBJECT_0}
          ${Break}
        ${EndIf}
        Sleep 100
      ${Next}
    ${EndIf}
    ${If} $R3 != ${WAIT_OBJECT_0}
      StrCpy $CloseResult "timeout"
      ${Break}
    ${EndIf}
  ${Next}
  ${If} $R4 > 5
    StrCpy $CloseResult "timeout"
  ${EndIf}
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro CLOSE_CLOCK_FUNCTION ""
!insertmacro CLOSE_CLOCK_FUNCTION "un."

!macro STOP_BECAUSE_CLOCK_RUNS message
  MessageBox MB_OK|MB_ICONSTOP "${message}$\r$\n$\r$\nClose the clock (right-click it, then Exit) and try again." /SD IDOK
  SetErrorLevel ${EXIT_CLOCK_STILL_RUNNING}
  Abort
!macroend

; ---------------------------------------------------------------- install

Section "${PRODUCT_NAME}" SecProgram
  SectionIn RO
  ; Nothing is changed before a running clock has ended: it saves its
  ; settings on the way out and holds its program file while it runs.
  Call CloseClock
  ${If} $CloseResult != "ok"
    !insertmacro STOP_BECAUSE_CLOCK_RUNS "${PRODUCT_NAME} is still running and did not close within 15 seconds. Setup has changed nothing."
  ${EndIf}

  SetOutPath "$INSTDIR"
  ; The new program goes in beside the old one and replaces it in one step,
  ; so an interrupted update leaves the old program whole.
  File "/oname=${PROGRAM}.new" "${QUORVO_EXE}"
  ${For} $R0 1 10
    System::Call 'kernel32::MoveFileExW(w "$INSTDIR\${PROGRAM}.new", w "$INSTDIR\${PROGRAM}", i ${MOVEFILE_REPLACE_EXISTING_WRITE_THROUGH}) i .R1'
    ${If} $R1 != 0
      ${Break}
    ${EndIf}
    Sleep 500
  ${Next}
  ${If} $R1 == 0
    Delete "$INSTDIR\${PROGRAM}.new"
    !insertmacro STOP_BECAUSE_CLOCK_RUNS "${PRODUCT_NAME}.exe is in use and could not be replaced. Setup has left the old program in place."
  ${EndIf}

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 \
    SW_SHOWNORMAL "" "${PRODUCT_NAME} desk clock"
SectionEnd

Section /o "Start with Windows" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${PROGRAM}"'
SectionEnd

Section "-Registration"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${DISPLAY_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $R0 $R1 $R2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; Installed somewhere else before: that copy is replaced by this one.
  ${If} $PreviousDir != ""
  ${AndIf} $PreviousDir != $INSTDIR
    Delete "$PreviousDir\${PROGRAM}"
    Delete "$PreviousDir\${UNINSTALLER}"
    RMDir "$PreviousDir"
  ${EndIf}

  ; A clock that setup closed comes back, now the new one.
  ${If} $ClockWasRunning == 1
    Exec '"$INSTDIR\${PROGRAM}"'
  ${EndIf}
SectionEnd

LangString DESC_SecProgram ${LANG_ENGLISH} "The clock, a Start-menu shortcut and an entry in Add or Remove Programs."
LangString DESC_SecAutostart ${LANG_ENGLISH} "Start the clock whenever you sign in to Windows."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_SecProgram)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} $(DESC_SecAutostart)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Reads a 0/1 switch such as /AUTOSTART=1 into $R1: "1", "0", or "" when the
; switch is not given. Anything else stops setup before it changes anything.
!macro READ_SWITCH_FUNCTION prefix
Function ${prefix}ReadSwitch
  Exch $R2 ; the switch, e.g. "/AUTOSTART="
  Push $R0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 $R2 $R1
  ${If} ${Errors}
    StrCpy $R1 ""
  ${ElseIf} $R1 != "1"
  ${AndIf} $R1 != "0"
    MessageBox MB_OK|MB_ICONSTOP "$R2 takes 1 or 0, not $\"$R1$\"." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  Pop $R0
  Pop $R2
FunctionEnd
!macroend
!insertmacro READ_SWITCH_FUNCTION ""
!insertmacro READ_SWITCH_FUNCTION "un."

Function .onInit
  SetShellVarContext current
  StrCpy $ClockWasRunning 0
  ReadRegStr $PreviousDir HKCU "${UNINSTALL_KEY}" "InstallLocation"
  Push "/AUTOSTART="
  Call ReadSwitch
  ${If} $R1 == "1"
    !insertmacro SelectSection ${SecAutostart}
  ${ElseIf} $R1 == "0"
    !insertmacro UnselectSection ${SecAutostart}
  ${Else}
    ; An update keeps the user's choice.
    ClearErrors
    ReadRegStr $R0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${IfNot} ${Errors}
      !insertmacro SelectSection ${SecAutostart}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function StartInstalledClock
  Exec '"$INSTDIR\${PROGRAM}"'
FunctionEnd

Function FinishPageShow
  ; The clock setup closed was started again already.
  ${If} $ClockWasRunning == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

; -------------------------------------------------------------- uninstall

Section "un.${PRODUCT_NAME}" UnSecProgram
  SectionIn RO
  Call un.CloseClock
  ${If} $CloseResult != "ok"
    !insertmacro STOP_BECAUSE_CLOCK_RUNS "${PRODUCT_NAME} is still running and did not close within 15 seconds. Nothing was removed."
  ${EndIf}
  ; The program first: if it cannot go, everything else stays too.
  ClearErrors
  Delete "$INSTDIR\${PROGRAM}"
  ${If} ${Errors}
    !insertmacro STOP_BECAUSE_CLOCK_RUNS "${PRODUCT_NAME}.exe is in use and could not be removed. Nothing was removed."
  ${EndIf}
  Delete "$INSTDIR\${PROGRAM}.new"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only an empty folder: never files that setup did not put there.
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; After the clock has closed (and saved), so nothing writes the key again.
Section /o "un.Clock settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  ; The publisher's key and the shared key above it only when nothing else
  ; is kept there.
  DeleteRegKey /ifempty /ifnovalues HKCU "${SETTINGS_PARENT}"
  DeleteRegKey /ifempty /ifnovalues HKCU "${SETTINGS_ROOT}"
SectionEnd

LangString DESC_UnSecProgram ${LANG_ENGLISH} "The clock, its shortcut, Start with Windows and the Add or Remove Programs entry."
LangString DESC_UnSecSettings ${LANG_ENGLISH} "Your clock's position and display options. Keep them if you may install ${PRODUCT_NAME} again."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} $(DESC_UnSecProgram)
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} $(DESC_UnSecSettings)
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  SetShellVarContext current
  StrCpy $ClockWasRunning 0
  Push "/PURGE="
  Call un.ReadSwitch
  ${If} $R1 == "1"
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
