; How setup and the uninstaller start a clock: never elevated where it
; did not run so. Setup may run elevated (winget from an administrator's
; terminal); a program it starts directly would run elevated too, until
; the user signs out. So an elevated run starts a clock that ran unelevated
; with that clock's own token, kept by RememberClock (clocks.nsh), and a
; clock it did not close (Start now) with the unelevated token Windows
; linked to its own; where neither can be had it does not start the clock,
; and says why on the finish page and in the log. CreateProcessWithTokenW
; needs no more than an elevated administrator has. Functions of both;
; they need LogicLib, FileFunc and clocks.nsh.

; What a token needs to start a process (CreateProcessWithTokenW).
!define PRIMARY_TOKEN_ACCESS 0x018B
!define TOKEN_ELEVATION_CLASS 20
!define TOKEN_ELEVATION_TYPE_CLASS 18
!define TOKEN_LINKED_TOKEN_CLASS 19
!define TOKEN_ELEVATION_TYPE_DEFAULT 1
!define TOKEN_ELEVATION_TYPE_FULL 2
!define SECURITY_IMPERSONATION 2
!define TOKEN_PRIMARY 1
!define STARTUPINFO_SIZE 104
!define PROCESS_INFORMATION_SIZE 24

Var SetupElevated       ; 1 when this process runs elevated
Var ClockNotStarted     ; why a clock was not started, or empty

!macro START_FUNCTIONS prefix

; Takes a token and leaves whether it is elevated there: 1, 0, or "" when
; that cannot be told.
Function ${prefix}TokenElevated
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  System::Call 'advapi32::GetTokenInformation(p R0, i ${TOKEN_ELEVATION_CLASS}, *i .R1, i 4, *i .R3) i .R2'
  StrCpy $R0 ""
  ${If} $R2 != 0
    StrCpy $R0 0
    ${IfThen} $R1 != 0 ${|} StrCpy $R0 1 ${|}
  ${EndIf}
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Setup's own elevation, which decides how a clock it starts is started.
Function ${prefix}ReadElevation
  Push $R0
  Push $R1
  StrCpy $SetupElevated 0
  System::Call 'advapi32::OpenProcessToken(p -1, i ${TOKEN_QUERY}, *p .R0) i .R1'
  ${If} $R1 != 0
    Push $R0
    Call ${prefix}TokenElevated
    Pop $SetupElevated
    System::Call 'kernel32::CloseHandle(p R0)'
  ${EndIf}
  Pop $R1
  Pop $R0
FunctionEnd

; The token to start a clock with that setup did not close: the linked
; token of an elevated setup, the unelevated one Windows gave the same user
; at sign-in; "elevated" when there is no such pair (User Account Control
; off: all the user starts runs elevated); 0 when it cannot be had.
Function ${prefix}LinkedToken
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  StrCpy $R3 0
  System::Call 'advapi32::OpenProcessToken(p -1, i ${TOKEN_QUERY}, *p .R0) i .R1'
  ${If} $R1 != 0
    System::Call 'advapi32::GetTokenInformation(p R0, i ${TOKEN_ELEVATION_TYPE_CLASS}, *i .R1, i 4, *i .R2) i .R2'
    ${If} $R2 == 0
    ${ElseIf} $R1 == ${TOKEN_ELEVATION_TYPE_DEFAULT}
      StrCpy $R3 "elevated"
    ${ElseIf} $R1 == ${TOKEN_ELEVATION_TYPE_FULL}
      System::Call 'advapi32::GetTokenInformation(p R0, i ${TOKEN_LINKED_TOKEN_CLASS}, *p .R1, i 8, *i .R2) i .R2'
      ${If} $R2 != 0
        System::Call 'advapi32::DuplicateTokenEx(p R1, i ${PRIMARY_TOKEN_ACCESS}, p 0, i ${SECURITY_IMPERSONATION}, i ${TOKEN_PRIMARY}, *p .R3) i .R2'
        ${IfThen} $R2 == 0 ${|} StrCpy $R3 0 ${|}
        System::Call 'kernel32::CloseHandle(p R1)'
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p R0)'
  ${EndIf}
  StrCpy $R0 $R3
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Takes a program file and its argument string (pushed in that order) and
; starts the clock, never elevated where it did not run so: an elevated
; setup (winget from an administrator's terminal) starts a clock that ran
; unelevated with that clock's own token, and one it did not close with
; its own linked token; where neither can be had, the clock is not started
; and $ClockNotStarted says why. A setup that is not elevated, or a clock
; that ran elevated, starts it directly.
Function ${prefix}StartClock
  Exch $R1 ; the argument string
  Exch
  Exch $R0 ; the program file
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  StrCpy $R2 "$\"$R0$\""
  ${IfThen} $R1 != "" ${|} StrCpy $R2 "$R2 $R1" ${|}
  ${If} $SetupElevated != 1
  ${OrIf} $ClosedClockElevated == 1
    Exec $R2
  ${Else}
    StrCpy $R3 $ClosedClockToken
    ${If} $R3 == ""
    ${OrIf} $R3 == 0
      Call ${prefix}LinkedToken
      Pop $R3
    ${EndIf}
    StrCpy $R1 0
    ${If} $R3 == "elevated"
      Exec $R2
      StrCpy $R1 1
    ${ElseIf} $R3 != 0
      System::Alloc ${STARTUPINFO_SIZE}
      Pop $R4
      System::Call '*$R4(i ${STARTUPINFO_SIZE})'
      System::Alloc ${PROCESS_INFORMATION_SIZE}
      Pop $R5
      ${GetParent} $R0 $R0
      System::Call 'advapi32::CreateProcessWithTokenW(p R3, i 0, p 0, w R2, i 0, p 0, w R0, p R4, p R5) i .R1'
      ${If} $R1 != 0
        System::Call '*$R5(p .R0, p .R2)'
        System::Call 'kernel32::CloseHandle(p R0)'
        System::Call 'kernel32::CloseHandle(p R2)'
      ${EndIf}
      System::Free $R4
      System::Free $R5
      ${If} $R3 != $ClosedClockToken
        System::Call 'kernel32::CloseHandle(p R3)'
      ${EndIf}
    ${EndIf}
    ${If} $R1 == 0
      StrCpy $ClockNotStarted "${PRODUCT_NAME} was not started: setup runs as administrator, and the clock would have run so too until you sign out. Start it from the Start menu."
      DetailPrint $ClockNotStarted
    ${EndIf}
  ${EndIf}
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R0
  Pop $R1
FunctionEnd

; Starts again the clock that CloseClock closed, from where it ran and as
; it ran, unless that happened already: every way out that leaves the old
; program in place.
Function ${prefix}RestartClosedClock
  ${If} $ClockWasRunning == 1
  ${AndIf} $ClockRestarted != 1
  ${AndIf} ${FileExists} "$ClosedClockExe"
    Push $ClosedClockExe
    Push $ClosedClockArgs
    Call ${prefix}StartClock
    StrCpy $ClockRestarted 1
  ${EndIf}
FunctionEnd
!macroend
