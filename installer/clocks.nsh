; How setup and the uninstaller meet a running clock. They close only the
; clock whose program is in the folder they install into or remove (by the
; folder's identity, as SameFolder decides), never one run from the zip,
; Scoop or any other copy, and keep how it ran, so that start_clock.nsh can
; start it again so: the same program file, the same switches, and not
; elevated when it was not. Functions of both; they need LogicLib, FileFunc,
; folders.nsh and start_clock.nsh.

!define SYNCHRONIZE 0x00100000
!define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
!define PROCESS_VM_READ 0x0010
!define /math CLOSE_ACCESS ${SYNCHRONIZE} | ${PROCESS_QUERY_LIMITED_INFORMATION}
!define /math CLOSE_AND_READ_ACCESS ${CLOSE_ACCESS} | ${PROCESS_VM_READ}
!define SMTO_ABORTIFHUNG 0x0002
!define WAIT_OBJECT_0 0
; How long a running clock gets to answer, and then to save its settings
; and end.
!define CLOSE_TIMEOUT_MS 15000
!define TOKEN_QUERY 0x0008
!define TOKEN_DUPLICATE 0x0002
!define /math TOKEN_READ_AND_COPY ${TOKEN_QUERY} | ${TOKEN_DUPLICATE}
; Where a 64-bit process keeps its command line (winternl.h): the PEB's
; ProcessParameters, and their CommandLine, a UNICODE_STRING.
!define PEB_PROCESS_PARAMETERS 0x20
!define PARAMETERS_COMMAND_LINE 0x70

Var ClockWasRunning     ; 1 once a clock was closed
Var ClockRestarted      ; 1 once that clock was started again
Var ClosedClockExe      ; the program file of the clock closed
Var ClosedClockArgs     ; what followed its program name on its command line
Var ClosedClockElevated ; 1 or 0; empty when it could not be told
Var ClosedClockToken    ; its token, kept to start it again unelevated, or 0
Var CloseResult         ; "ok", "hung" or "timeout", from CloseClock

!macro CLOCK_FUNCTIONS prefix

; Leaves on the stack the window of a running clock whose program is in the
; folder this run works on ($INSTDIR, or $PreviousDir that setup replaces),
; or 0. A clock whose program cannot be told is not Quorvo's to close.
Function ${prefix}FindOwnClock
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  StrCpy $R0 0
  ${Do}
    System::Call 'user32::FindWindowExW(p 0, p R0, w "${CLOCK_CLASS}", p 0) p .R0'
    ${IfThen} $R0 == 0 ${|} ${ExitDo} ${|}
    StrCpy $R1 0
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R1) i'
    System::Call 'kernel32::OpenProcess(i ${PROCESS_QUERY_LIMITED_INFORMATION}, i 0, i R1) p .R2'
    ${If} $R2 != 0
      System::Call 'kernel32::QueryFullProcessImageNameW(p R2, i 0, w .R3, *i ${NSIS_MAX_STRLEN}) i .R1'
      System::Call 'kernel32::CloseHandle(p R2)'
      ${If} $R1 != 0
        ${GetParent} $R3 $R3
        Push $R3
        Push $INSTDIR
        Call ${prefix}SameFolder
        Pop $R1
        ${If} $R1 == 0
        ${AndIf} $PreviousDir != ""
          Push $R3
          Push $PreviousDir
          Call ${prefix}SameFolder
          Pop $R1
        ${EndIf}
        ${IfThen} $R1 == 1 ${|} ${ExitDo} ${|}
      ${EndIf}
    ${EndIf}
  ${Loop}
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Takes a process (opened with PROCESS_VM_READ) and leaves its argument
; string there: its command line without the program's name and the blank
; after it, cut as the clock cuts its own, so that the program named again
; with it gets the same string. The error flag is set when it cannot be
; read. There is no documented call for another process's command line on
; every Windows the clock runs on; its PEB is documented in winternl.h, and
; ReadProcessMemory reads it for a process of the same user.
Function ${prefix}ClockArguments
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  StrCpy $R4 ""
  System::Alloc 48
  Pop $R1
  System::Call 'ntdll::NtQueryInformationProcess(p R0, i 0, p R1, i 48, p 0) i .R2'
  ${If} $R2 == 0
    System::Call '*$R1(p, p .R2)'
    IntPtrOp $R2 $R2 + ${PEB_PROCESS_PARAMETERS}
    System::Call 'kernel32::ReadProcessMemory(p R0, p R2, *p .R3, p 8, p 0) i .R2'
    ${If} $R2 != 0
      IntPtrOp $R3 $R3 + ${PARAMETERS_COMMAND_LINE}
      System::Call 'kernel32::ReadProcessMemory(p R0, p R3, p R1, p 16, p 0) i .R2'
      ${If} $R2 != 0
        ; Length in bytes, then the buffer, past two sizes and padding.
        System::Call '*$R1(&i2 .R2, &i2, i, p .R3)'
        IntOp $R2 $R2 & 0xFFFF
        ${If} $R2 < 2046
          System::Free $R1
          System::Alloc 2048
          Pop $R1
          System::Call 'kernel32::ReadProcessMemory(p R0, p R3, p R1, p R2, p 0) i .R2'
          ${If} $R2 != 0
            System::Call 'kernel32::lstrcpynW(w .R4, p R1, i ${NSIS_MAX_STRLEN}) p'
            StrCpy $R2 "ok"
          ${EndIf}
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  System::Free $R1
  ClearErrors
  ${If} $R2 != "ok"
    SetErrors
  ${Else}
    ; The program's name: quoted up to the next quote, else up to a blank.
    StrCpy $R1 $R4 1
    StrCpy $R2 1
    ${If} $R1 == '"'
      ${Do}
        StrCpy $R1 $R4 1 $R2
        IntOp $R2 $R2 + 1
        ${IfThen} $R1 == '"' ${|} ${ExitDo} ${|}
        ${IfThen} $R1 == "" ${|} ${ExitDo} ${|}
      ${Loop}
    ${Else}
      StrCpy $R2 0
      ${Do}
        StrCpy $R1 $R4 1 $R2
        ${If} $R1 == " "
        ${OrIf} $R1 == "$\t"
        ${OrIf} $R1 == ""
          ${ExitDo}
        ${EndIf}
        IntOp $R2 $R2 + 1
      ${Loop}
    ${EndIf}
    StrCpy $R4 $R4 "" $R2
    StrCpy $R1 $R4 1
    ${If} $R1 == " "
    ${OrIf} $R1 == "$\t"
      StrCpy $R4 $R4 "" 1
    ${EndIf}
  ${EndIf}
  StrCpy $R0 $R4
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Takes the process of the clock about to close and keeps what starting it
; again takes: its program, its switches, whether it ran elevated and, when
; this process is elevated and the clock was not, a copy of its token.
Function ${prefix}RememberClock
  Exch $R0
  Push $R1
  Push $R2
  StrCpy $ClosedClockExe "$INSTDIR\${PROGRAM}"
  StrCpy $ClosedClockArgs ""
  StrCpy $ClosedClockElevated ""
  StrCpy $ClosedClockToken 0
  System::Call 'kernel32::QueryFullProcessImageNameW(p R0, i 0, w .R1, *i ${NSIS_MAX_STRLEN}) i .R2'
  ${IfThen} $R2 != 0 ${|} StrCpy $ClosedClockExe $R1 ${|}
  Push $R0
  Call ${prefix}ClockArguments
  Pop $R1
  ${If} ${Errors}
    DetailPrint "The switches the clock was started with could not be read; it starts again without them."
  ${Else}
    StrCpy $ClosedClockArgs $R1
  ${EndIf}
  System::Call 'advapi32::OpenProcessToken(p R0, i ${TOKEN_READ_AND_COPY}, *p .R1) i .R2'
  ${If} $R2 != 0
    Push $R1
    Call ${prefix}TokenElevated
    Pop $ClosedClockElevated
    ${If} $SetupElevated == 1
    ${AndIf} $ClosedClockElevated == 0
      System::Call 'advapi32::DuplicateTokenEx(p R1, i ${PRIMARY_TOKEN_ACCESS}, p 0, i ${SECURITY_IMPERSONATION}, i ${TOKEN_PRIMARY}, *p .R2) i .R0'
      ${IfThen} $R0 != 0 ${|} StrCpy $ClosedClockToken $R2 ${|}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R1)'
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Asks the running clock of this folder to close as a user would (WM_CLOSE
; to its window: it saves its position and options, then ends) and waits
; for its process to end. $CloseResult: "ok" when no such clock runs any
; more; "hung" when one does not answer, which is then left exactly as it
; was (a close request it cannot take now would wait in its queue and end
; it later, after setup had said that nothing changed); "timeout" when one
; was asked to close but did not end in time. $ClockWasRunning is 1 once a
; clock was closed, and RememberClock has kept how it ran.
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
    Call ${prefix}FindOwnClock
    Pop $R0
    ${If} $R0 == 0
      ${Break}
    ${EndIf}
    System::Call 'user32::SendMessageTimeoutW(p R0, i ${WM_NULL}, p 0, p 0, i ${SMTO_ABORTIFHUNG}, i ${CLOSE_TIMEOUT_MS}, *p .R3) p .R1'
    ${If} $R1 == 0
      System::Call 'user32::IsWindow(p R0) i .R1'
      ${If} $R1 != 0
        StrCpy $CloseResult "hung"
        ${Break}
      ${EndIf}
      ${Continue}
    ${EndIf}
    DetailPrint "Closing the running ${PRODUCT_NAME} clock..."
    StrCpy $R1 0
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R1) i'
    System::Call 'kernel32::OpenProcess(i ${CLOSE_AND_READ_ACCESS}, i 0, i R1) p .R2'
    ${If} $R2 == 0
      System::Call 'kernel32::OpenProcess(i ${CLOSE_ACCESS}, i 0, i R1) p .R2'
    ${EndIf}
    ${If} $ClockWasRunning != 1
      StrCpy $ClockWasRunning 1
      Push $R2
      Call ${prefix}RememberClock
    ${EndIf}
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
