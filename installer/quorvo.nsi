; Quorvo's installer: a per-user setup built with NSIS (makensis runs on
; Linux). It installs Quorvo.exe to %LOCALAPPDATA%\Programs\Quorvo without
; administrator rights, adds a Start-menu shortcut and an entry in Add or
; Remove Programs, and can have the clock start with Windows. Everything it
; writes is under HKEY_CURRENT_USER; the clock's own settings are never
; touched by the installer, and by the uninstaller only when asked. Setup
; and uninstaller close only a clock run from the folder they work on, and
; start the one they closed again as it ran (clocks.nsh); one runs at a
; time; the uninstaller leaves no copy of itself behind.
;
; Command line (every step works silently, as package managers call it):
;   /S                 silent
;   /AUTOSTART=1|0     start with Windows or not (switched on, or removed
;                      with its mark in Task Manager's Startup tab); without
;                      it a new install does not, and an update keeps what
;                      the user had, switched off there or not
;   /D=DIR             install folder (last on the command line, unquoted)
; Uninstaller: /S silent, /PURGE=1 also removes the clock's settings; the
; registered commands end with _?=<folder>, and switches go before it.
;
; Exit codes, of setup and uninstaller alike; 0 only when the requested
; state was reached:
;   0  done
;   1  cancelled by the user
;   2  a switch setup does not know, or a wrong value for one (and NSIS's
;      own code for a setup file that fails its integrity check)
;   3  the running clock did not close: nothing was changed
;   4  a file or registry value could not be written, replaced or removed
;      (Quorvo.exe held by another program, no permission, a full disk):
;      setup leaves the old program in place, the uninstaller what it had
;      not removed yet, and a clock either of them closed runs again
;   5  the folder was refused: not a full path, a drive's top folder, a
;      file, or one that cannot be made; for the uninstaller, a folder
;      Quorvo is not installed in. Nothing was changed.
;   6  another setup or uninstaller of Quorvo is running: nothing was
;      changed
; The README's table and the winget manifest list the same codes.
;
; dist.py builds it and passes everything that depends on the release with
; -D: PRODUCT_NAME, PUBLISHER, DISPLAY_VERSION, FILE_VERSION, HOMEPAGE,
; COPYRIGHT, QUORVO_EXE, LICENSE_FILE, INSTALLED_LICENSE (the licence's name
; in the folder), ICON, OUTFILE and, for signed builds, SIGN_COMMAND.

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
!include nsDialogs.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvo"
!define SETTINGS_ROOT "Software\VB and VBA Program Settings"
!define SETTINGS_PARENT "${SETTINGS_ROOT}\Velmora Software"
!define SETTINGS_KEY "${SETTINGS_PARENT}\Quorvo"
!define CLOCK_CLASS "Quorvo.Form"
!define PROGRAM "Quorvo.exe"
; A name of Quorvo's own: a folder given with /D= may hold other programs'
; files, an "Uninstall.exe" among them.
!define UNINSTALLER "Uninstall ${PRODUCT_NAME}.exe"
; The copy of the uninstaller that removes it from the install folder runs
; from here and is deleted once it has ended; setup and uninstaller delete
; any an older version left.
!define LEFTOVER_PREFIX "$TEMP\${PRODUCT_NAME}-uninstall-"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
; Held by a setup or uninstaller while it runs, for this user's session.
!define SETUP_MUTEX "Local\Velmora.Quorvo.Setup"

!define EXIT_CANCELLED 1
!define EXIT_BAD_SWITCH 2
!define EXIT_CLOCK_STILL_RUNNING 3
!define EXIT_NOT_WRITTEN 4
!define EXIT_FOLDER_REFUSED 5
!define EXIT_SETUP_RUNNING 6

!define INFINITE -1
!define MOVEFILE_REPLACE_EXISTING_WRITE_THROUGH 9
!define ERROR_ALREADY_EXISTS 183
!define ERROR_ACCESS_DENIED 5
!define CREATE_NO_WINDOW 0x08000000
!define CMD_POLICY_KEY "Software\Policies\Microsoft\Windows\System"

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

Var PreviousDir       ; where an earlier install lives, if any
Var FolderProblem     ; why a folder was refused, from CheckFolder

; ---------------------------------------------------------------- pages

!define MUI_ICON "${ICON}"
; The clock's own icon, with a picture for every scale, on the uninstaller too.
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS
Page custom FolderPageCreate FolderPageLeave
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

; ------------------------------------------------------------- switches

; Stops with EXIT_BAD_SWITCH at any switch on the command line that is not
; in the list: a mistyped switch must not pass for a plain install. /D= and
; _?= never get here, NSIS takes them off first.
!macro CHECK_SWITCHES_FUNCTION prefix known
Function ${prefix}CheckSwitches
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  ${GetParameters} $R0
  ${Do}
    ; The next word, without the spaces before it.
    ${Do}
      StrCpy $R1 $R0 1
      ${IfThen} $R1 != " " ${|} ${ExitDo} ${|}
      StrCpy $R0 $R0 "" 1
    ${Loop}
    ${IfThen} $R0 == "" ${|} ${ExitDo} ${|}
    StrCpy $R1 ""
    ${Do}
      StrCpy $R2 $R0 1
      ${If} $R2 == " "
      ${OrIf} $R2 == ""
        ${ExitDo}
      ${EndIf}
      StrCpy $R1 "$R1$R2"
      StrCpy $R0 $R0 "" 1
    ${Loop}
    ; Its name alone: "/AUTOSTART=" for "/AUTOSTART=1".
    StrCpy $R2 ""
    StrCpy $R3 0
    ${Do}
      StrCpy $R4 $R1 1 $R3
      ${IfThen} $R4 == "" ${|} ${ExitDo} ${|}
      StrCpy $R2 "$R2$R4"
      ${IfThen} $R4 == "=" ${|} ${ExitDo} ${|}
      IntOp $R3 $R3 + 1
    ${Loop}
    System::Call 'shlwapi::StrStrIW(w " ${known} ", w " $R2 ") p .R3'
    ; NSIS itself takes /S only in capitals.
    ${If} $R3 == 0
    ${OrIf} $R1 S== "/s"
      MessageBox MB_OK|MB_ICONSTOP "Unknown switch $\"$R1$\". The switches are: ${known}" /SD IDOK
      SetErrorLevel ${EXIT_BAD_SWITCH}
      Quit
    ${EndIf}
  ${Loop}
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro CHECK_SWITCHES_FUNCTION "" "/S /NCRC /AUTOSTART="
!insertmacro CHECK_SWITCHES_FUNCTION "un." "/S /NCRC /PURGE= /CLEANUP="

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
    SetErrorLevel ${EXIT_BAD_SWITCH}
    Quit
  ${EndIf}
  Pop $R0
  Pop $R2
FunctionEnd
!macroend
!insertmacro READ_SWITCH_FUNCTION ""
!insertmacro READ_SWITCH_FUNCTION "un."

; One setup or uninstaller at a time: a second one, started while another
; runs (a double-click during a winget upgrade), would race it for the
; program file and the registry, so it stops at once. The mutex is held
; until the process ends. A name taken by an elevated run of the same user
; refuses access, which means the same.
!macro ONE_AT_A_TIME
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .R0 ?e'
  Pop $R1
  ${If} $R1 == ${ERROR_ALREADY_EXISTS}
  ${OrIf} $R1 == ${ERROR_ACCESS_DENIED}
    MessageBox MB_OK|MB_ICONSTOP "Another ${PRODUCT_NAME} setup or uninstaller is running. Let it finish, then try again." /SD IDOK
    SetErrorLevel ${EXIT_SETUP_RUNNING}
    Quit
  ${EndIf}
!macroend

; ------------------------------------------------------------- folders

!include "folders.nsh"

; ------------------------------------------------------ closing the clock

!include "clocks.nsh"
!include "start_clock.nsh"
!insertmacro CLOCK_FUNCTIONS ""
!insertmacro CLOCK_FUNCTIONS "un."
!insertmacro START_FUNCTIONS ""
!insertmacro START_FUNCTIONS "un."

; Stops with EXIT_CLOCK_STILL_RUNNING after CloseClock gave up; the note
; says whether the clock may still close by itself.
!macro STOP_BECAUSE_CLOCK_RUNS nothing_changed
  ${If} $CloseResult == "hung"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT_NAME} is running but not responding. ${nothing_changed}, and the clock was left as it is.$\r$\n$\r$\nClose the clock (right-click it, then Exit), or end it in Task Manager, and try again." /SD IDOK
  ${Else}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT_NAME} was asked to close but did not end within 15 seconds. ${nothing_changed}; the clock may still close by itself.$\r$\n$\r$\nClose the clock (right-click it, then Exit) and try again." /SD IDOK
  ${EndIf}
  SetErrorLevel ${EXIT_CLOCK_STILL_RUNNING}
  Abort
!macroend

; Stops with the given exit code after starting again a clock setup closed.
!macro STOP_WITH code message
  MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
  !ifdef __UNINSTALL__
    Call un.RestartClosedClock
  !else
    Call RestartClosedClock
  !endif
  SetErrorLevel ${code}
  Abort
!macroend

; ---------------------------------------------------------------- install

Section "${PRODUCT_NAME}" SecProgram
  SectionIn RO
  ; The folder first: one setup cannot use stops it before anything changes.
  Push $INSTDIR
  Call CheckFolder
  Pop $R0
  ${If} $FolderProblem != ""
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot install into $\"$INSTDIR$\": $FolderProblem. Nothing was changed." /SD IDOK
    SetErrorLevel ${EXIT_FOLDER_REFUSED}
    Abort
  ${EndIf}
  StrCpy $INSTDIR $R0

  ; Nothing is changed before a running clock has ended: it saves its
  ; settings on the way out and holds its program file while it runs.
  Call CloseClock
  ${If} $CloseResult != "ok"
    !insertmacro STOP_BECAUSE_CLOCK_RUNS "Setup has changed nothing"
  ${EndIf}

  ClearErrors
  CreateDirectory "$INSTDIR"
  ${If} ${Errors}
    !insertmacro STOP_WITH ${EXIT_FOLDER_REFUSED} "Setup could not make the folder $\"$INSTDIR$\". Nothing was changed."
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "/oname=${INSTALLED_LICENSE}" "${LICENSE_FILE}"
  ; The new program goes in beside the old one and replaces it in one step,
  ; so an interrupted update leaves the old program whole.
  File "/oname=${PROGRAM}.new" "${QUORVO_EXE}"
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    Delete "$INSTDIR\${PROGRAM}.new"
    !insertmacro STOP_WITH ${EXIT_NOT_WRITTEN} "Setup could not write $\"$INSTDIR\${UNINSTALLER}$\". Setup has left the old program in place."
  ${EndIf}
  ${For} $R0 1 10
    System::Call 'kernel32::MoveFileExW(w "$INSTDIR\${PROGRAM}.new", w "$INSTDIR\${PROGRAM}", i ${MOVEFILE_REPLACE_EXISTING_WRITE_THROUGH}) i .R1'
    ${If} $R1 != 0
      ${Break}
    ${EndIf}
    Sleep 500
  ${Next}
  ${If} $R1 == 0
    Delete "$INSTDIR\${PROGRAM}.new"
    !insertmacro STOP_WITH ${EXIT_NOT_WRITTEN} "${PROGRAM} is in use and could not be replaced. Setup has left the old program in place."
  ${EndIf}

  ClearErrors
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 \
    SW_SHOWNORMAL "" "${PRODUCT_NAME} desk clock"
  ${If} ${Errors}
    !insertmacro STOP_WITH ${EXIT_NOT_WRITTEN} "Setup could not make the Start-menu shortcut $\"${SHORTCUT}$\"."
  ${EndIf}
SectionEnd

; Only a choice: the registration does what it means (autostart.nsh).
Section /o "Start with Windows" SecAutostart
SectionEnd

Section "-Registration"
  Call ApplyAutostart
  ${If} ${Errors}
    !insertmacro STOP_WITH ${EXIT_NOT_WRITTEN} "Setup could not write the registry value that starts ${PRODUCT_NAME} with Windows."
  ${EndIf}

  ClearErrors

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  ; The four-part version: package managers compare versions part by part,
  ; and "1.62" would come after a later "1.610".
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${FILE_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; Run in place (_?=) the uninstaller returns its real exit code to
  ; whoever runs these, winget among them; without _?= NSIS would start a
  ; copy of it in %TEMP% and return 0 at once.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" _?=$INSTDIR'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  ; Quorvo's files only: a folder given with /D= may hold others.
  StrCpy $R0 0
  FileOpen $R1 "$INSTDIR\${PROGRAM}" r
  FileSeek $R1 0 END $R2
  FileClose $R1
  IntOp $R0 $R0 + $R2
  FileOpen $R1 "$INSTDIR\${UNINSTALLER}" r
  FileSeek $R1 0 END $R2
  FileClose $R1
  IntOp $R0 $R0 + $R2
  FileOpen $R1 "$INSTDIR\${INSTALLED_LICENSE}" r
  FileSeek $R1 0 END $R2
  FileClose $R1
  IntOp $R0 $R0 + $R2
  IntOp $R0 $R0 + 1023
  IntOp $R0 $R0 / 1024
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} ${Errors}
    !insertmacro STOP_WITH ${EXIT_NOT_WRITTEN} "Setup could not write the Add or Remove Programs entry of ${PRODUCT_NAME}."
  ${EndIf}

  ; Installed in another folder before: that copy is replaced by this one.
  ; Another spelling of this very folder is not another folder.
  ${If} $PreviousDir != ""
    Push $PreviousDir
    Push $INSTDIR
    Call SameFolder
    Pop $R0
    ${If} $R0 == 0
      Delete "$PreviousDir\${PROGRAM}"
      Delete "$PreviousDir\${UNINSTALLER}"
      Delete "$PreviousDir\${INSTALLED_LICENSE}"
      RMDir "$PreviousDir"
    ${EndIf}
  ${EndIf}

  ; A clock that setup closed comes back, now the new one: from where it
  ; ran, or from here when it ran from the earlier folder, now gone.
  ${If} $ClockWasRunning == 1
    ${GetParent} $ClosedClockExe $R0
    Push $R0
    Push $INSTDIR
    Call SameFolder
    Pop $R0
    ${IfThen} $R0 != 1 ${|} StrCpy $ClosedClockExe "$INSTDIR\${PROGRAM}" ${|}
    Push $ClosedClockExe
    Push $ClosedClockArgs
    Call StartClock
    StrCpy $ClockRestarted 1
  ${EndIf}
SectionEnd

!include "autostart.nsh"

LangString DESC_SecProgram ${LANG_ENGLISH} "The clock, a Start-menu shortcut and an entry in Add or Remove Programs."
LangString DESC_SecAutostart ${LANG_ENGLISH} "Start the clock whenever you sign in to Windows."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_SecProgram)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} $(DESC_SecAutostart)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetShellVarContext current
  StrCpy $ClockWasRunning 0
  StrCpy $ClockRestarted 0
  StrCpy $ClosedClockToken 0
  Call CheckSwitches
  !insertmacro ONE_AT_A_TIME
  Call ReadElevation
  ; The folder exactly as /D= gave it: NSIS replaces one it does not
  ; accept (C:\, say) with the earlier or the default folder, and setup
  ; must refuse it instead of installing somewhere else. NSIS has cut /D=
  ; off $CMDLINE; the process's command line still holds it.
  System::Call 'kernel32::GetCommandLineW() w .R0'
  System::Call 'shlwapi::StrStrW(w R0, w " /D=") p .R1'
  ${If} $R1 != 0
    System::Call 'shlwapi::StrStrW(w R0, w " /D=") w .R1'
    StrCpy $INSTDIR $R1 "" 4
    ${Do}
      StrCpy $R1 $INSTDIR 1 -1
      ${IfThen} $R1 != " " ${|} ${ExitDo} ${|}
      StrCpy $INSTDIR $INSTDIR -1
    ${Loop}
  ${EndIf}
  ReadRegStr $PreviousDir HKCU "${UNINSTALL_KEY}" "InstallLocation"
  Delete "${LEFTOVER_PREFIX}*.exe"
  Call ReadAutostart
FunctionEnd

; Every stop ends here, NSIS's own too (a file it could not write): the
; closed clock runs again, and the exit code says what failed.
Function .onInstFailed
  Call RestartClosedClock
  GetErrorLevel $R0
  ${If} $R0 == -1
    SetErrorLevel ${EXIT_NOT_WRITTEN}
  ${EndIf}
FunctionEnd

Function StartInstalledClock
  Push "$INSTDIR\${PROGRAM}"
  Push ""
  Call StartClock
  ${If} $ClockNotStarted != ""
    MessageBox MB_OK|MB_ICONINFORMATION $ClockNotStarted
  ${EndIf}
FunctionEnd

Function FinishPageShow
  ; The clock setup closed was started again already, or must not be
  ; started from here.
  ${If} $ClockRestarted == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
  ${If} $ClockNotStarted != ""
    ${NSD_SetText} $mui.FinishPage.Text $ClockNotStarted
  ${EndIf}
FunctionEnd

; -------------------------------------------------------------- uninstall

Section "un.${PRODUCT_NAME}" UnSecProgram
  SectionIn RO
  Call un.CloseClock
  ${If} $CloseResult != "ok"
    !insertmacro STOP_BECAUSE_CLOCK_RUNS "Nothing was removed"
  ${EndIf}
  ; The program first: if it cannot go, everything else stays too.
  ClearErrors
  Delete "$INSTDIR\${PROGRAM}"
  ${If} ${Errors}
    !insertmacro STOP_WITH ${EXIT_NOT_WRITTEN} "${PROGRAM} is in use and could not be removed. Nothing was removed."
  ${EndIf}
  Delete "$INSTDIR\${PROGRAM}.new"
  Delete "$INSTDIR\${INSTALLED_LICENSE}"
  Delete "${SHORTCUT}"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegValue HKCU "${APPROVED_KEY}" "${RUN_VALUE}"
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

; The uninstaller last. Started by the registered commands it runs from
; the install folder itself, and a running program cannot be deleted (nor,
; held open by NSIS, moved): a copy of it deletes it and the folder once
; this process has ended (StartCleanUp).
Section "-un.Uninstaller"
  ClearErrors
  Delete "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    System::Call 'kernel32::GetCurrentProcessId() i .R0'
    StrCpy $R1 "${LEFTOVER_PREFIX}$R0.exe"
    Delete $R1
    System::Call 'kernel32::CopyFileW(w "$INSTDIR\${UNINSTALLER}", w R1, i 0) i .R2'
    ${If} $R2 != 0
      Push $R0
      Push $R1
      Call un.StartCleanUp
      Pop $R2
    ${EndIf}
    ${If} $R2 == 0
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT_NAME} is removed, but $\"$INSTDIR\${UNINSTALLER}$\" could not be: delete it yourself." /SD IDOK
      SetErrorLevel ${EXIT_NOT_WRITTEN}
    ${EndIf}
  ${Else}
    ; Run from a copy (as NSIS does without _?=): nothing is left to do.
    RMDir "$INSTDIR"
  ${EndIf}
SectionEnd

LangString DESC_UnSecProgram ${LANG_ENGLISH} "The clock, its shortcut, Start with Windows and the Add or Remove Programs entry."
LangString DESC_UnSecSettings ${LANG_ENGLISH} "Your clock's position and display options. Keep them if you may install ${PRODUCT_NAME} again."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} $(DESC_UnSecProgram)
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} $(DESC_UnSecSettings)
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

; Takes this process's id and the copy of the uninstaller in %TEMP%, and
; starts that copy; leaves 1 when it started, else 0. The copy deletes the
; uninstaller here and the folder once this process has ended; cmd.exe
; starts it, waits for it and then deletes it in turn, so nothing is left
; behind, and nothing needs administrator rights (a deletion at the next
; restart would: Windows refuses it to a user who is not elevated). The
; folder and the copy reach cmd and the copy through the environment,
; where no character of a path means anything to cmd; the copy's _?=,
; without which NSIS would copy it once more, names a folder of no concern
; to it. Where a policy switches the command prompt off, the copy is
; started directly and left to the next setup or uninstall run.
Function un.StartCleanUp
  Exch $R1
  Exch
  Exch $R0
  Push $R2
  Push $R3
  Push $R4
  System::Call 'kernel32::SetEnvironmentVariableW(w "QUORVO_UNINSTALL_COPY", w R1) i'
  System::Call 'kernel32::SetEnvironmentVariableW(w "QUORVO_UNINSTALL_DIR", w "$INSTDIR") i'
  ReadRegDWORD $R2 HKCU "${CMD_POLICY_KEY}" "DisableCMD"
  ReadRegDWORD $R3 HKLM "${CMD_POLICY_KEY}" "DisableCMD"
  ${If} $R2 == 1
  ${OrIf} $R3 == 1
    ClearErrors
    Exec '"$R1" /S /CLEANUP=$R0 _?=$SYSDIR'
    StrCpy $R0 1
    ${IfThen} ${Errors} ${|} StrCpy $R0 0 ${|}
  ${Else}
    StrCpy $R4 '"$SYSDIR\cmd.exe" /d /c start "" /wait "%QUORVO_UNINSTALL_COPY%" /S /CLEANUP=$R0 _?=$SYSDIR& del /f /q "%QUORVO_UNINSTALL_COPY%"'
    System::Alloc ${STARTUPINFO_SIZE}
    Pop $R2
    System::Call '*$R2(i ${STARTUPINFO_SIZE})'
    System::Alloc ${PROCESS_INFORMATION_SIZE}
    Pop $R3
    System::Call 'kernel32::CreateProcessW(p 0, w R4, p 0, p 0, i 0, i ${CREATE_NO_WINDOW}, p 0, p 0, p R2, p R3) i .R0'
    ${If} $R0 != 0
      System::Call '*$R3(p .R1, p .R4)'
      System::Call 'kernel32::CloseHandle(p R1)'
      System::Call 'kernel32::CloseHandle(p R4)'
    ${EndIf}
    System::Free $R2
    System::Free $R3
  ${EndIf}
  Pop $R4
  Pop $R3
  Pop $R2
  Exch $R0
  Exch
  Pop $R1
FunctionEnd

; /CLEANUP=<process id>: the copy StartCleanUp starts. It waits for that
; uninstaller to end (only that one: its number may belong to another
; program once it has ended), then deletes the uninstaller it ran from and
; the folder, if empty: never files that setup did not put there.
Function un.CleanUpAfter
  Exch $R0
  Push $R1
  Push $R2
  System::Call 'kernel32::OpenProcess(i ${CLOSE_ACCESS}, i 0, i R0) p .R1'
  ${If} $R1 != 0
    System::Call 'kernel32::QueryFullProcessImageNameW(p R1, i 0, w .R2, *i ${NSIS_MAX_STRLEN}) i .R0'
    ${GetFileName} $R2 $R0
    ${GetParent} $R2 $R2
    ${If} $R0 == "${UNINSTALLER}"
      Push $R2
      Push $INSTDIR
      Call un.SameFolder
      Pop $R0
      ${If} $R0 == 1
        System::Call 'kernel32::WaitForSingleObject(p R1, i ${INFINITE}) i'
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R1)'
  ${EndIf}
  ClearErrors
  Delete "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    SetErrorLevel ${EXIT_NOT_WRITTEN}
  ${Else}
    SetErrorLevel 0
  ${EndIf}
  RMDir "$INSTDIR"
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

Function un.onInit
  SetShellVarContext current
  StrCpy $ClockWasRunning 0
  StrCpy $ClockRestarted 0
  StrCpy $ClosedClockToken 0
  Call un.CheckSwitches
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CLEANUP=" $R1
  ${IfNot} ${Errors}
    ReadEnvStr $R2 QUORVO_UNINSTALL_DIR
    ${IfThen} $R2 != "" ${|} StrCpy $INSTDIR $R2 ${|}
    Push $R1
    Call un.CleanUpAfter
    Quit
  ${EndIf}
  !insertmacro ONE_AT_A_TIME
  Call un.ReadElevation
  Push "/PURGE="
  Call un.ReadSwitch
  ${If} $R1 == "1"
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
  ; _?= names the folder; one without Quorvo's uninstaller is not an
  ; install of Quorvo (a switch after _?= ends up in the folder's name).
  ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT_NAME} is not installed in $\"$INSTDIR$\". Nothing was removed." /SD IDOK
    SetErrorLevel ${EXIT_FOLDER_REFUSED}
    Quit
  ${EndIf}
  Delete "${LEFTOVER_PREFIX}*.exe"
FunctionEnd

Function un.onUninstFailed
  Call un.RestartClosedClock
  GetErrorLevel $R0
  ${If} $R0 == -1
    SetErrorLevel ${EXIT_NOT_WRITTEN}
  ${EndIf}
FunctionEnd
