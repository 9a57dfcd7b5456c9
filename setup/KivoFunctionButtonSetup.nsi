; KivoFunctionButtonSetup: installs the function button software (the tray
; program, its control library and settings template, the charge command
; line, the device installer with the driver package, the Group Policy
; template) and removes it again.
;
; Built by CMake with makensis; it passes
;   DIST        the staged deliverables and tools (build/dist)
;   DRIVER_DIR  the driver package: the INF and its .sys (and .cat)
;   DRIVER_CATALOGUE  the package's signed catalogue, in DRIVER_DIR, as its
;               INF names it; left out only for the simulated driver's
;               package of the test bed, which has none
;   HELPER      StartAsDesktopUser.exe (signed)
;   SIGN        the command that signs a file in place, given its path: the
;               uninstaller and the setup file are signed with it
;   ICON        the tray program's icon, also the setup's
;   OUTFILE     the setup file to write
;
; Exit codes: 0 done, 3 not a supported machine, 4 the driver could not be
; installed (or removed, on uninstall), 5 the files could not be written.
; Every failure leaves the machine as it was before. A log of each run goes
; to %TEMP%\KivoFunctionButtonSetup.log.

Unicode true
Target amd64-unicode
SetDateSave off
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

!include LogicLib.nsh
!include FileFunc.nsh

!macro Required Name
  !ifndef ${Name}
    !error "makensis needs -D${Name}= (see the head of this script)"
  !endif
!macroend
!insertmacro Required DIST
!insertmacro Required DRIVER_DIR
!insertmacro Required HELPER
!insertmacro Required ICON
!insertmacro Required OUTFILE
!insertmacro Required SIGN

; The uninstaller is signed when it is made, before it goes into the setup
; file (so the Uninstall.exe written at installation carries the signature),
; and the setup file once it is written. A failed signing fails the build.
!uninstfinalize '${SIGN} "%1"' = 0
!finalize '${SIGN} "%1"' = 0

!getdllversion "${DIST}/KivoFunctionButtonApl.exe" HOST_VERSION_
!define VERSION "${HOST_VERSION_1}.${HOST_VERSION_2}.${HOST_VERSION_3}.${HOST_VERSION_4}"
!define PRODUCT "Kivo Function Button"
!define PUBLISHER "Zerin"
!define HOST "KivoFunctionButtonApl.exe"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KivoFunctionButton"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "KivoFunctionButton"
!define HOST_WINDOW "KIVO_FUNCTION"
!define LOG_FILE "$TEMP\KivoFunctionButtonSetup.log"

!define EXIT_DONE 0
!define EXIT_UNSUPPORTED 3
!define EXIT_DRIVER 4
!define EXIT_FILES 5

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zerin\KivoFunctionButton"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The files of an installation, each line "File" in the installer and
; "Delete" in the uninstaller.
!macro InstalledFiles Action
  !insertmacro ${Action} "${HOST}"
  !insertmacro ${Action} "KivoFCtrl.dll"
  !insertmacro ${Action} "KivoChargeCtl.exe"
  !insertmacro ${Action} "KivoFunctionButton.ini"
  !insertmacro ${Action} "KivoDevInst.exe"
!macroend
!macro DeleteInstalled Name
  Delete "$INSTDIR\${Name}"
!macroend

; The Group Policy administrative template, laid out as a PolicyDefinitions
; store for administrators to copy: each line a folder below the
; installation folder and a file in it.
!define POLICY_DIR "PolicyDefinitions"
!macro PolicyFiles Action
  !insertmacro ${Action} "${POLICY_DIR}" "KivoFunctionButton.admx"
  !insertmacro ${Action} "${POLICY_DIR}\en-US" "KivoFunctionButton.adml"
  !insertmacro ${Action} "${POLICY_DIR}\ja-JP" "KivoFunctionButton.adml"
!macroend
!macro DeletePolicyFile Folder Name
  Delete "$INSTDIR\${Folder}\${Name}"
!macroend
; Its folders go only when nothing but our files was in them.
!macro RemovePolicyFiles
  !insertmacro PolicyFiles DeletePolicyFile
  RMDir "$INSTDIR\${POLICY_DIR}\en-US"
  RMDir "$INSTDIR\${POLICY_DIR}\ja-JP"
  RMDir "$INSTDIR\${POLICY_DIR}"
!macroend

Var Upgrade       ; 1: an installation is there already (same folder)
Var FolderMade    ; 1: this run made the installation folder
Var ZerinMade     ; 1: this run made the "Zerin" folder above it
Var HostClosed    ; 1: this run closed the running tray program

; ---- log ------------------------------------------------------------------

!macro LogLine Text
  Push `${Text}`
  !ifdef __UNINSTALL__
    Call un.LogLine
  !else
    Call LogLine
  !endif
!macroend
!define Log `!insertmacro LogLine`

!macro LogFunction Prefix
  Function ${Prefix}LogLine
    Exch $0
    Push $1
    ClearErrors
    FileOpen $1 "${LOG_FILE}" a
    ${IfNot} ${Errors}
      FileSeek $1 0 END
      FileWrite $1 "$0$\r$\n"
      FileClose $1
    ${EndIf}
    DetailPrint $0
    Pop $1
    Pop $0
  FunctionEnd
!macroend
!insertmacro LogFunction ""
!insertmacro LogFunction "un."

; ---- closing the running tray program -------------------------------------

!macro CloseHostFunction Prefix
  Function ${Prefix}CloseHost
    Push $0
    Push $1
    FindWindow $0 "" "${HOST_WINDOW}"
    ${If} $0 <> 0
      StrCpy $HostClosed 1
      ${Log} "Closing the running ${HOST}"
      System::Call "user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0)"
      StrCpy $1 0
      ${Do}
        Sleep 100
        IntOp $1 $1 + 1
        FindWindow $0 "" "${HOST_WINDOW}"
        ${IfThen} $1 >= 100 ${|} ${ExitDo} ${|}
      ${LoopWhile} $0 <> 0
      ; Its files are free once the process has gone.
      Sleep 500
    ${EndIf}
    Pop $1
    Pop $0
  FunctionEnd
!macroend
!define WM_CLOSE 0x0010
!insertmacro CloseHostFunction ""
!insertmacro CloseHostFunction "un."

; ---- removing a folder ----------------------------------------------------

; The device installer has just ended, and the system may hold its file for
; a moment longer: the folder (made by this setup, so all in it is ours)
; goes with a few tries.
Function RemoveFolderRetrying
  Exch $0
  Push $1
  StrCpy $1 0
  ${Do}
    RMDir /r "$0"
    ${IfNot} ${FileExists} "$0\*.*"
      ${ExitDo}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 >= 40
      ${Log} "$0 could not be removed"
      ${ExitDo}
    ${EndIf}
    Sleep 250
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd

; ---- installation ---------------------------------------------------------

; The model check, before anything is changed.
Function .onInit
  SetRegView 64
  InitPluginsDir
  Delete "${LOG_FILE}"
  ${Log} "${PRODUCT} ${VERSION} setup"
  File "/oname=$PLUGINSDIR\ZrInstallPrep.dll" "${DIST}/ZrInstallPrep.dll"

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/FORCE" $R1
  ${IfNot} ${Errors}
    ; The library's one-shot mark makes its own check pass once; the check
    ; consumes it, so it is never left behind.
    ${Log} "/FORCE: the model check is passed by the install mark"
    System::Call '"$PLUGINSDIR\ZrInstallPrep.dll"::ZRPSetRegMark() i .r0'
  ${EndIf}
  System::Call '"$PLUGINSDIR\ZrInstallPrep.dll"::ZRPCheckFamily(i 100) i .r0'
  ${If} $0 <> 1
    System::Call '"$PLUGINSDIR\ZrInstallPrep.dll"::ZRPCheckFamily(i 200) i .r0'
  ${EndIf}
  ; Whatever the checks did, no mark stays.
  System::Call '"$PLUGINSDIR\ZrInstallPrep.dll"::ZRPCheckRegMark() i .r1'
  ${If} $0 <> 1
    ${Log} "Not a supported machine: nothing was installed"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} can only be installed on the notebooks it was made for: this machine is not one of them.$\r$\n$\r$\nNothing was installed." /SD IDOK
    SetErrorLevel ${EXIT_UNSUPPORTED}
    Quit
  ${EndIf}
  ${Log} "Supported machine"

  ; Installing over an installation is an upgrade in its folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${HOST}"
    StrCpy $INSTDIR $0
    StrCpy $Upgrade 1
  ${Else}
    StrCpy $Upgrade 0
  ${EndIf}
FunctionEnd

; The tray program for the user, with the user's rights rather than this
; installer's: after an installation, or again after a failed upgrade that
; had closed it.
Function StartHost
  ${If} $HostClosed <> 1
    Return
  ${EndIf}
  File "/oname=$PLUGINSDIR\StartAsDesktopUser.exe" "${HELPER}"
  ExecWait '"$PLUGINSDIR\StartAsDesktopUser.exe" "$INSTDIR\${HOST}"' $0
  ${If} $0 == 0
    ${Log} "Started ${HOST} for this user"
  ${Else}
    ${Log} "${HOST} was not started now (code $0); it starts at the next logon"
  ${EndIf}
FunctionEnd

; Puts back what was there before this run: the files of the earlier
; installation, or no folder at all.
Function RollBackFiles
  ; A folder that is the current directory cannot be removed.
  SetOutPath "$PLUGINSDIR"
  ${If} $Upgrade = 1
    ${Log} "Putting the earlier installation's files back"
    CopyFiles /SILENT "$PLUGINSDIR\previous\*.*" "$INSTDIR"
    Call StartHost
  ${Else}
    !insertmacro InstalledFiles DeleteInstalled
    !insertmacro RemovePolicyFiles
    Delete "$INSTDIR\*.inf"
    Delete "$INSTDIR\*.sys"
    Delete "$INSTDIR\*.cat"
    ${If} $FolderMade = 1
      Push "$INSTDIR"
      Call RemoveFolderRetrying
    ${EndIf}
    ${If} $ZerinMade = 1
      ${GetParent} "$INSTDIR" $R9
      RMDir "$R9"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Ends the installer with a failure; the machine is as it was.
!macro Fail Code Message
  ${Log} `${Message}`
  MessageBox MB_OK|MB_ICONSTOP `${Message}` /SD IDOK
  SetErrorLevel ${Code}
  Quit
!macroend

Section "Install"
  SetRegView 64
  SetShellVarContext all
  ${Log} "Installing to $INSTDIR (upgrade: $Upgrade)"
  Call CloseHost

  ; Every file must be writable before one is replaced.
  StrCpy $FolderMade 0
  StrCpy $ZerinMade 0
  ${GetParent} "$INSTDIR" $R9
  ${IfNot} ${FileExists} "$R9\*.*"
    StrCpy $ZerinMade 1
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    StrCpy $FolderMade 1
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$INSTDIR\*.*"
    Call RollBackFiles
    !insertmacro Fail ${EXIT_FILES} "The folder $INSTDIR could not be made: nothing was installed."
  ${EndIf}
  !macro CheckWritable Name
    ${If} ${FileExists} "$INSTDIR\${Name}"
      ClearErrors
      FileOpen $0 "$INSTDIR\${Name}" a
      ${If} ${Errors}
        Call RollBackFiles
        !insertmacro Fail ${EXIT_FILES} "$INSTDIR\${Name} is in use and could not be replaced: nothing was installed."
      ${EndIf}
      FileClose $0
    ${EndIf}
  !macroend
  !insertmacro InstalledFiles CheckWritable
  !macro CheckPolicyWritable Folder Name
    !insertmacro CheckWritable "${Folder}\${Name}"
  !macroend
  !insertmacro PolicyFiles CheckPolicyWritable

  ${If} $Upgrade = 1
    CreateDirectory "$PLUGINSDIR\previous"
    CopyFiles /SILENT "$INSTDIR\*.*" "$PLUGINSDIR\previous"
  ${EndIf}

  SetOutPath "$INSTDIR"
  SetOverwrite on
  AllowSkipFiles on
  ClearErrors
  !macro InstallFile Name
    File "${DIST}/${Name}"
  !macroend
  !insertmacro InstalledFiles InstallFile
  File "${DRIVER_DIR}/*.inf"
  File "${DRIVER_DIR}/*.sys"
  ; Windows x64 installs the driver only with its signed catalogue.
  !ifdef DRIVER_CATALOGUE
    File "${DRIVER_DIR}/${DRIVER_CATALOGUE}"
  !endif
  !macro InstallPolicyFile Folder Name
    SetOutPath "$INSTDIR\${Folder}"
    File "${DIST}/${Folder}\${Name}"
  !macroend
  !insertmacro PolicyFiles InstallPolicyFile
  SetOutPath "$INSTDIR"
  ${If} ${Errors}
    Call RollBackFiles
    !insertmacro Fail ${EXIT_FILES} "The files could not be written to $INSTDIR: nothing was installed."
  ${EndIf}
  ${Log} "Files written"

  ; The driver for the function button device. The device installer
  ; reports through its exit code only.
  ${Log} "Installing the device driver"
  ExecWait '"$INSTDIR\KivoDevInst.exe" /Install' $0
  ${Log} "KivoDevInst.exe /Install: exit code $0"
  ${If} $0 == 1
    Call RollBackFiles
    !insertmacro Fail ${EXIT_DRIVER} "The function button device could not be set up (the device installer ended with code 1). Nothing was installed."
  ${ElseIf} $0 == 2
    Call RollBackFiles
    !insertmacro Fail ${EXIT_DRIVER} "The function button driver could not be installed: its package was refused or is incomplete (the device installer ended with code 2). Nothing was installed."
  ${ElseIf} $0 != 0
    Call RollBackFiles
    !insertmacro Fail ${EXIT_DRIVER} "The device installer could not be run ($0). Nothing was installed."
  ${EndIf}

  ; Every user's session starts the tray program at logon.
  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${HOST}"'

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${HOST}",0'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${Log} "Registered: start at logon, Add/Remove Programs entry"

  StrCpy $HostClosed 1
  Call StartHost
  ${Log} "Done"
  SetErrorLevel ${EXIT_DONE}
SectionEnd

; ---- uninstallation -------------------------------------------------------

Function un.onInit
  SetRegView 64
  Delete "${LOG_FILE}"
FunctionEnd

Section "Uninstall"
  SetRegView 64
  ${Log} "Removing ${PRODUCT} from $INSTDIR"
  Call un.CloseHost

  ExecWait '"$INSTDIR\KivoDevInst.exe" /Uninstall' $0
  ${Log} "KivoDevInst.exe /Uninstall: exit code $0"
  ${If} $0 != 0
    ${Log} "The function button device could not be removed: nothing else was removed."
    MessageBox MB_OK|MB_ICONSTOP "The function button device could not be removed (the device installer ended with code $0). Nothing was removed." /SD IDOK
    SetErrorLevel ${EXIT_DRIVER}
    Quit
  ${EndIf}

  !insertmacro InstalledFiles DeleteInstalled
  !insertmacro RemovePolicyFiles
  Delete "$INSTDIR\*.inf"
  Delete "$INSTDIR\*.sys"
  Delete "$INSTDIR\*.cat"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when nothing but our files was in it.
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\KivoDevInst.exe"
    Sleep 500
    Delete "$INSTDIR\KivoDevInst.exe"
    RMDir "$INSTDIR"
  ${EndIf}
  ${GetParent} "$INSTDIR" $R9
  RMDir "$R9"
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Each user's settings files stay, in case the software comes back.
  ${Log} "Done; the users' settings files were kept"
  SetErrorLevel ${EXIT_DONE}
SectionEnd
