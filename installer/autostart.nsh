; Start with Windows as the user sees it. Windows starts the clock at
; sign-in from the per-user Run value "Quorvo", unless Task Manager's
; Startup tab or Settings > Apps > Startup has switched the entry off: they
; keep an on/off mark for it under StartupApproved\Run, a binary value whose
; first byte is odd for off (03 and the time it was switched off) and even
; for on; no mark is on. Setup reads both, ticks the box as Windows shows
; the entry, and changes them only as asked: /AUTOSTART=1 or a box ticked
; switches the entry on (an off mark goes), /AUTOSTART=0 or a box cleared
; removes both, and otherwise the entry stays as it was, off mark and all,
; and leads to the program just installed. They need LogicLib and Sections.

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quorvo"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
!define HKEY_CURRENT_USER 0x80000001
!define RRF_RT_REG_BINARY 0x08

Var AutostartAsked ; "1", "0", or "" without /AUTOSTART=
Var AutostartFound ; 1 when the Run value was there before setup
Var AutostartShown ; 1 when the box started ticked

; Leaves 1 on the stack when the entry's mark says off, else 0.
Function StartupMarkedOff
  Push $R0
  Push $R1
  Push $R2
  System::Alloc 64
  Pop $R1
  System::Call 'advapi32::RegGetValueW(p ${HKEY_CURRENT_USER}, w "${APPROVED_KEY}", w "${RUN_VALUE}", i ${RRF_RT_REG_BINARY}, p 0, p R1, *i 64) i .R2'
  StrCpy $R0 0
  ${If} $R2 == 0
    System::Call '*$R1(&i1 .R0)'
    IntOp $R0 $R0 & 1
  ${EndIf}
  System::Free $R1
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; From .onInit: the switch, the entry as it is, and the box as it shows.
Function ReadAutostart
  Push $R0
  Push $R1
  Push "/AUTOSTART="
  Call ReadSwitch
  StrCpy $AutostartAsked $R1
  ClearErrors
  ReadRegStr $R0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  StrCpy $AutostartFound 1
  ${IfThen} ${Errors} ${|} StrCpy $AutostartFound 0 ${|}
  Call StartupMarkedOff
  Pop $R0
  ${If} $AutostartAsked != ""
    StrCpy $AutostartShown $AutostartAsked
  ${ElseIf} $AutostartFound == 1
  ${AndIf} $R0 == 0
    StrCpy $AutostartShown 1
  ${Else}
    StrCpy $AutostartShown 0
  ${EndIf}
  ${If} $AutostartShown == 1
    !insertmacro SelectSection ${SecAutostart}
  ${Else}
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
  Pop $R1
  Pop $R0
FunctionEnd

; From the registration: what the user chose, done; the error flag is set
; when the Run value could not be written.
Function ApplyAutostart
  Push $R0
  StrCpy $R0 0
  ${If} ${SectionIsSelected} ${SecAutostart}
    StrCpy $R0 1
  ${EndIf}
  ClearErrors
  ${If} $AutostartAsked == ""
  ${AndIf} $R0 == $AutostartShown
    ; Nothing asked: the entry as it was, now for this program.
    ${If} $AutostartFound == 1
      WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${PROGRAM}"'
    ${EndIf}
  ${ElseIf} $R0 == 1
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${PROGRAM}"'
    ${IfNot} ${Errors}
      DeleteRegValue HKCU "${APPROVED_KEY}" "${RUN_VALUE}"
      ClearErrors
    ${EndIf}
  ${Else}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    DeleteRegValue HKCU "${APPROVED_KEY}" "${RUN_VALUE}"
    ClearErrors
  ${EndIf}
  Pop $R0
FunctionEnd
