; How Quorvo's setup tells folders apart and which it refuses: the full
; form of a path, the checks a folder for /D= or the folder page must pass,
; and whether two paths name one folder (for the uninstaller too); and the
; folder page, which says why it refuses a folder. They need LogicLib,
; FileFunc, nsDialogs and MUI2.

!define INVALID_HANDLE_VALUE -1
!define INVALID_FILE_ATTRIBUTES -1
!define FILE_ATTRIBUTE_DIRECTORY 0x10
!define FILE_READ_ATTRIBUTES 0x80
!define FILE_SHARE_ALL 7
!define OPEN_EXISTING 3
!define FILE_FLAG_BACKUP_SEMANTICS 0x02000000

; Takes a path from the stack and leaves its full form there: .\ and ..\
; resolved, long names where the folder exists, no backslash at the end.
!macro FULL_FOLDER_PATH_FUNCTION prefix
Function ${prefix}FullFolderPath
  Exch $R0
  Push $R1
  Push $R2
  System::Call 'kernel32::GetFullPathNameW(w R0, i ${NSIS_MAX_STRLEN}, w .R1, p 0) i .R2'
  ${If} $R2 > 0
  ${AndIf} $R2 < ${NSIS_MAX_STRLEN}
    StrCpy $R0 $R1
  ${EndIf}
  System::Call 'kernel32::GetLongPathNameW(w R0, w .R1, i ${NSIS_MAX_STRLEN}) i .R2'
  ${If} $R2 > 0
  ${AndIf} $R2 < ${NSIS_MAX_STRLEN}
    StrCpy $R0 $R1
  ${EndIf}
  StrCpy $R1 $R0 1 -1
  ${If} $R1 == "\"
    StrCpy $R0 $R0 -1
  ${EndIf}
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd
!macroend
!insertmacro FULL_FOLDER_PATH_FUNCTION ""
!insertmacro FULL_FOLDER_PATH_FUNCTION "un."

; Takes a folder from the stack and leaves its full path there (see
; FullFolderPath); $FolderProblem says why setup cannot install into it, or
; is empty. Accepted: a full path on a drive (C:\Apps\Quorvo) or a share
; (\\server\share\Quorvo), below the top folder, free of the characters
; Windows does not allow in names, and not the name of a file.
Function CheckFolder
  Exch $R0
  Push $R1
  Push $R2
  StrCpy $FolderProblem ""
  StrCpy $R1 $R0 2 1
  StrCpy $R2 $R0 1
  ${If} $R0 == ""
    StrCpy $FolderProblem "no folder was named"
  ${ElseIf} $R1 == ":\"
    System::Call 'shlwapi::StrStrIW(w "ABCDEFGHIJKLMNOPQRSTUVWXYZ", w R2) p .R2'
    ${If} $R2 == 0
      StrCpy $FolderProblem "it is not on a drive"
    ${EndIf}
    StrCpy $R1 $R0 "" 2
  ${Else}
    StrCpy $R1 $R0 4
    StrCpy $R2 $R0 2
    ${If} $R2 != "\\"
    ${OrIf} $R1 == "\\?\"
    ${OrIf} $R1 == "\\.\"
      StrCpy $FolderProblem "it is not a full path such as C:\Apps\${PRODUCT_NAME}"
    ${EndIf}
    StrCpy $R1 $R0 "" 2
  ${EndIf}
  ${If} $FolderProblem == ""
    StrCpy $R2 '*?"<>|:'
    System::Call 'shlwapi::StrPBrkW(w R1, w R2) p .R2'
    ${If} $R2 != 0
      StrCpy $FolderProblem 'its name holds one of * ? " < > | :'
    ${EndIf}
  ${EndIf}
  ${If} $FolderProblem == ""
    Push $R0
    Call FullFolderPath
    Pop $R0
    ; The top folder: "C:", or "\\server\share" with nothing below it.
    StrLen $R1 $R0
    StrCpy $R2 $R0 2
    ${If} $R2 == "\\"
      StrCpy $R1 $R0 "" 2
      System::Call 'shlwapi::StrChrW(w R1, i 92) p .R2'
      ${If} $R2 != 0
        System::Call 'shlwapi::StrChrW(w R1, i 92) w .R1'
        StrCpy $R1 $R1 "" 1
        System::Call 'shlwapi::StrChrW(w R1, i 92) p .R2'
      ${EndIf}
      ${IfThen} $R2 == 0 ${|} StrCpy $FolderProblem "it is the top folder of a share" ${|}
    ${ElseIf} $R1 <= 2
      StrCpy $FolderProblem "it is the top folder of a drive"
    ${EndIf}
  ${EndIf}
  ${If} $FolderProblem == ""
    System::Call 'kernel32::GetFileAttributesW(w R0) i .R1'
    IntOp $R2 $R1 & ${FILE_ATTRIBUTE_DIRECTORY}
    ${If} $R1 != ${INVALID_FILE_ATTRIBUTES}
    ${AndIf} $R2 == 0
      StrCpy $FolderProblem "it is a file"
    ${EndIf}
  ${EndIf}
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Takes a folder from the stack and leaves its identity there: the volume's
; serial number and the folder's file index, or "" when the folder cannot
; be opened or its file system gives no index.
!macro SAME_FOLDER_FUNCTIONS prefix
Function ${prefix}FolderIdentity
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  System::Call 'kernel32::CreateFileW(w R0, i ${FILE_READ_ATTRIBUTES}, i ${FILE_SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i ${FILE_FLAG_BACKUP_SEMANTICS}, p 0) p .R1'
  StrCpy $R0 ""
  ${If} $R1 != ${INVALID_HANDLE_VALUE}
    ; BY_HANDLE_FILE_INFORMATION: 13 DWORDs; the serial number is the 8th,
    ; the index the last two.
    System::Call '*(i, i, i, i, i, i, i, i, i, i, i, i, i) p .R2'
    System::Call 'kernel32::GetFileInformationByHandle(p R1, p R2) i .R3'
    ${If} $R3 != 0
      System::Call '*$R2(i, i, i, i, i, i, i, i .R3, i, i, i, i .R4, i .R0)'
      ${If} $R4 != 0
      ${OrIf} $R0 != 0
        StrCpy $R0 "$R3:$R4:$R0"
      ${Else}
        StrCpy $R0 ""
      ${EndIf}
    ${EndIf}
    System::Free $R2
    System::Call 'kernel32::CloseHandle(p R1)'
  ${EndIf}
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Whether two paths name one folder, whatever their spelling (.\ or ..\,
; short names, another drive letter for the same folder, a junction): by
; the folders' identity, or where there is none for both, by their full
; paths. Takes the two from the stack and leaves 1 or 0 there.
Function ${prefix}SameFolder
  Exch $R1
  Exch
  Exch $R0
  Push $R2
  Push $R3
  Push $R0
  Call ${prefix}FolderIdentity
  Pop $R2
  Push $R1
  Call ${prefix}FolderIdentity
  Pop $R3
  ${If} $R2 != ""
  ${AndIf} $R3 != ""
    StrCpy $R0 0
    ${IfThen} $R2 == $R3 ${|} StrCpy $R0 1 ${|}
  ${Else}
    Push $R0
    Call ${prefix}FullFolderPath
    Pop $R2
    Push $R1
    Call ${prefix}FullFolderPath
    Pop $R3
    ; NSIS compares text without regard to case, as Windows names go.
    StrCpy $R0 0
    ${IfThen} $R2 == $R3 ${|} StrCpy $R0 1 ${|}
  ${EndIf}
  ; The caller's $R0 and $R1 back, each in its place.
  Pop $R3
  Pop $R2
  Exch $R0
  Exch
  Pop $R1
FunctionEnd
!macroend
!insertmacro SAME_FOLDER_FUNCTIONS ""
!insertmacro SAME_FOLDER_FUNCTIONS "un."

; ------------------------------------------------------------ folder page

; The folder page: the folder in an edit box with Browse, and below it, for
; a folder setup refuses, the reason in words (those of exit code 5) while
; Next stays off. NSIS's own directory page turns Next off without a word,
; and for some folders (C:, a relative path) does not even ask the script.
Var FolderPageEdit
Var FolderPageWhy

Function FolderPageCreate
  !insertmacro MUI_HEADER_TEXT "Choose Install Location" "Choose the folder in which to install ${PRODUCT_NAME}."
  nsDialogs::Create 1018
  Pop $R0
  ${If} $R0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 24u "Setup will install ${PRODUCT_NAME} in the following folder. To install in a different folder, click Browse and select another folder. Click Next to continue."
  Pop $R0
  ${NSD_CreateGroupBox} 0 34u 100% 34u "Destination Folder"
  Pop $R0
  ${NSD_CreateDirRequest} 8u 48u -84u 12u "$INSTDIR"
  Pop $FolderPageEdit
  ${NSD_CreateBrowseButton} -72u 47u 64u 14u "B&rowse..."
  Pop $R0
  ${NSD_OnClick} $R0 FolderPageBrowse
  ${NSD_CreateLabel} 0 76u 100% 36u ""
  Pop $FolderPageWhy
  ${NSD_OnChange} $FolderPageEdit FolderPageChanged
  Push $FolderPageEdit
  Call FolderPageChanged
  nsDialogs::Show
FunctionEnd

; Called with the edit box on the stack whenever its text changes.
Function FolderPageChanged
  Pop $R0
  ${NSD_GetText} $FolderPageEdit $R0
  Push $R0
  Call CheckFolder
  Pop $R0
  GetDlgItem $R1 $HWNDPARENT 1
  ${If} $FolderProblem != ""
    ${NSD_SetText} $FolderPageWhy "Setup cannot install into this folder: $FolderProblem."
    EnableWindow $R1 0
  ${Else}
    ${NSD_SetText} $FolderPageWhy ""
    EnableWindow $R1 1
  ${EndIf}
FunctionEnd

; A folder picked with Browse gets the program's own folder in it, as on
; NSIS's page, unless it is that folder already.
Function FolderPageBrowse
  Pop $R0
  ${NSD_GetText} $FolderPageEdit $R0
  nsDialogs::SelectFolderDialog "Select the folder to install ${PRODUCT_NAME} in:" $R0
  Pop $R0
  ${If} $R0 != error
    StrCpy $R1 $R0 1 -1
    ${IfThen} $R1 == "\" ${|} StrCpy $R0 $R0 -1 ${|}
    ${GetFileName} $R0 $R1
    ${IfThen} $R1 != "${PRODUCT_NAME}" ${|} StrCpy $R0 "$R0\${PRODUCT_NAME}" ${|}
    ${NSD_SetText} $FolderPageEdit $R0
  ${EndIf}
FunctionEnd

Function FolderPageLeave
  ${NSD_GetText} $FolderPageEdit $R0
  Push $R0
  Call CheckFolder
  Pop $R0
  ${If} $FolderProblem != ""
    Abort
  ${EndIf}
  StrCpy $INSTDIR $R0
FunctionEnd
