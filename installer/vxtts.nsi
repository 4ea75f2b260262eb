; The Windows installer: the 64-bit engine DLL into the 64-bit Program Files and the 32-bit one into
; the 32-bit Program Files (on a 32-bit Windows that one alone), each with its data and modules
; folders and registered by the regsvr32 of its own width, so that each lands in its own registry
; view; an entry in Programs and Features; an uninstaller that undoes all of it.
;
; makensis -DVERSION=X.Y.Z -DX86=FOLDER -DX86_DLL=FILE -DX64=FOLDER -DX64_DLL=FILE -DOUTFILE=FILE
; vxtts.nsi: each FOLDER the bin folder of a build, whose data and modules are packed, and each
; DLL its vxtts.dll (a copy without debug information). installer/CMakeLists.txt gives them.
;
; The installer is a 32-bit program, so that one file serves 32- and 64-bit Windows. A 32-bit
; process sees the 32-bit System32 (SysWOW64): its $SYSDIR\regsvr32.exe is the 32-bit one, and
; $WINDIR\Sysnative\regsvr32.exe, the name Windows (and Wine) gives 32-bit processes for the real
; System32, the 64-bit one. The DLLs are never loaded into the installer itself (RegDLL would
; load them): the 64-bit one could not be.

Unicode true
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT "Vexalon TTS Shell"
!define FOLDER "VxTts"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VxTts"
!define REGSVR32_64 "$WINDIR\Sysnative\regsvr32.exe"
!define REGSVR32_32 "$SYSDIR\regsvr32.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The uninstaller and its entry live in the folder of the system's own width. On a 64-bit Windows
; the entry is written to the 64-bit registry view, where Programs and Features looks first.
!macro UseSystemWidth
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $INSTDIR "$PROGRAMFILES64\${FOLDER}"
  ${Else}
    StrCpy $INSTDIR "$PROGRAMFILES32\${FOLDER}"
  ${EndIf}
!macroend

Function .onInit
  !insertmacro UseSystemWidth
FunctionEnd

Function un.onInit
  !insertmacro UseSystemWidth
FunctionEnd

; Puts one build's DLL and its folders into TARGET and registers it with REGSVR32; a registration
; that fails stops the installation (the uninstaller, already written, removes what is there).
!macro InstallBuild DLL SOURCE TARGET REGSVR32
  SetOutPath "${TARGET}"
  File "/oname=vxtts.dll" "${DLL}"
  File /r "${SOURCE}/data"
  File /r "${SOURCE}/modules"
  ClearErrors
  ExecWait '"${REGSVR32}" /s "${TARGET}\vxtts.dll"' $0
  ${If} ${Errors}
  ${OrIf} $0 <> 0
    Abort "${REGSVR32} could not register ${TARGET}\vxtts.dll (exit code $0)"
  ${EndIf}
!macroend

; The keys the DLL's registration writes (server/Registration.cpp, server/ServerIds.h), each removed
; whole. The uninstaller removes them itself after the DLL's own unregistration, so that a DLL that is
; missing, cannot be loaded or fails to unregister leaves nothing behind either.
!define CLASS_ID "{5E31A0C4-7D92-4b6e-9A13-C84F2D60B7E5}"
!define TYPE_LIBRARY_ID "{A2D6E9F1-0B47-4c3a-8E25-71F9C3B04D68}"
!define TOKENS "SOFTWARE\Microsoft\Speech\Voices\Tokens"
!macro RemoveRegistration VIEW
  SetRegView ${VIEW}
  DeleteRegKey HKCR "Vexalon.TTSShell.1"
  DeleteRegKey HKCR "Vexalon.TTSShell"
  DeleteRegKey HKCR "CLSID\${CLASS_ID}"
  DeleteRegKey HKCR "TypeLib\${TYPE_LIBRARY_ID}"
  DeleteRegKey HKLM "${TOKENS}\VXTembraRU"
  DeleteRegKey HKLM "${TOKENS}\VXTembraUK"
!macroend

; Unregisters the DLL in FOLDER from registry view VIEW and removes what InstallBuild put there. A
; DLL that a running SAPI program still holds goes at the next restart.
!macro RemoveBuild FOLDER REGSVR32 VIEW
  ${If} ${FileExists} "${FOLDER}\vxtts.dll"
    ClearErrors
    ExecWait '"${REGSVR32}" /u /s "${FOLDER}\vxtts.dll"' $0
    ${If} ${Errors}
    ${OrIf} $0 <> 0
      DetailPrint "${REGSVR32} could not unregister ${FOLDER}\vxtts.dll (exit code $0): its keys are removed without it"
    ${EndIf}
  ${Else}
    DetailPrint "${FOLDER}\vxtts.dll is missing: its keys are removed without it"
  ${EndIf}
  !insertmacro RemoveRegistration ${VIEW}
  Delete /REBOOTOK "${FOLDER}\vxtts.dll"
  RMDir /r /REBOOTOK "${FOLDER}\data"
  RMDir /r /REBOOTOK "${FOLDER}\modules"
  Delete "${FOLDER}\uninstall.exe"
  RMDir /REBOOTOK "${FOLDER}"
!macroend

Section
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Vexalon"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ${If} ${RunningX64}
    !insertmacro InstallBuild "${X64_DLL}" "${X64}" "$PROGRAMFILES64\${FOLDER}" "${REGSVR32_64}"
  ${EndIf}
  !insertmacro InstallBuild "${X86_DLL}" "${X86}" "$PROGRAMFILES32\${FOLDER}" "${REGSVR32_32}"

  ; In KB, both folders together.
  ${GetSize} "$PROGRAMFILES32\${FOLDER}" "/S=0K" $0 $1 $2
  ${If} ${RunningX64}
    ${GetSize} "$PROGRAMFILES64\${FOLDER}" "/S=0K" $1 $2 $3
    IntOp $0 $0 + $1
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The per-user copies in %APPDATA%\VxTts are the users' own and stay.
Section Uninstall
  ${If} ${RunningX64}
    !insertmacro RemoveBuild "$PROGRAMFILES64\${FOLDER}" "${REGSVR32_64}" 64
  ${EndIf}
  !insertmacro RemoveBuild "$PROGRAMFILES32\${FOLDER}" "${REGSVR32_32}" 32
  !insertmacro UseSystemWidth
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The uninstaller runs from a copy of itself in a folder of its own in the temporary folder. NSIS
  ; has both deleted at the next restart, the folder first, when the copy is still in it: asked for
  ; again, the folder goes after the copy.
  RMDir /REBOOTOK "$EXEDIR"
SectionEnd
