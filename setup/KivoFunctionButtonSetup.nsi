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
;   HELPER      KivoSetupHelper.exe (signed)
;   DEVICE_INSTALLER  optional: the device installer to ship instead of
;               the staged KivoDevInst.exe (the setup test's stand-ins)
;   SIGN        the command that signs a file in place, given its path: the
;               uninstaller and the setup file are signed with it
;   ICON        the tray program's icon, also the setup's
;   OUTFILE     the setup file to write
;
; Exit codes: 0 done, 3 not a supported machine, 4 the driver could not be
; installed (or removed, on uninstall), 5 the files could not be written,
; 6 the folder given with /D= is not below Program Files (nothing written),
; 7 uninstall only: everything was removed but the driver package, which
; stays in the driver store, 3010 done, but a restart completes it (a file
; in use is replaced or removed then, or the driver asked for it).
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

!ifndef DEVICE_INSTALLER
  !define DEVICE_INSTALLER "${DIST}/KivoDevInst.exe"
!endif

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
!define EXIT_FOLDER 6
!define EXIT_DRIVER_PACKAGE_LEFT 7
!define EXIT_RESTART 3010

; How long the tray programs of all sessions have to close before their
; files are replaced at the next restart instead.
!define HOST_CLOSE_SECONDS 10

; The device installer's switches: the silent one shows no dialog.
!define DEVINST_INSTALL "/SetupInstall"
!define DEVINST_INSTALL_SILENT "/SetupInstallSilent"
!define DEVINST_UNINSTALL "/SetupUninstall"
!define SETUP_HELPER "$PLUGINSDIR\KivoSetupHelper.exe"
; The sessions whose tray program this run closed: started again at the end.
!define CLOSED_SESSIONS "$PLUGINSDIR\closed-sessions.txt"

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
; "Delete" in the uninstaller. The tray program and the library it loads
; (the companion settings application loads it too) may still be in use
; when a program does not close: they are then replaced at the next
; restart. Every other file must be writable.
!macro ReplaceableFiles Action
  !insertmacro ${Action} "${HOST}"
  !insertmacro ${Action} "KivoFCtrl.dll"
!macroend
!macro OtherFiles Action
  !insertmacro ${Action} "KivoChargeCtl.exe"
  !insertmacro ${Action} "KivoFunctionButton.ini"
  !insertmacro ${Action} "KivoDevInst.exe"
!macroend
!macro InstalledFiles Action
  !insertmacro ReplaceableFiles ${Action}
  !insertmacro OtherFiles ${Action}
!macroend
!macro DeleteInstalled Name
  Delete "$INSTDIR\${Name}"
!macroend
; The new copy waiting for a restart goes with a rollback, so the earlier
; file stays.
!macro DeletePending Name
  Delete "$INSTDIR\${Name}.new"
!macroend
!macro DeleteInstalledAtRestart Name
  Delete /REBOOTOK "$INSTDIR\${Name}"
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
; A 64-bit setup's $PROGRAMFILES32 is the 64-bit folder: the 32-bit one
; comes from the registry.
Var ProgramFilesX86

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

; ---- the tray programs of all sessions ----------------------------------

; Runs the setup's helper with the arguments on the stack; what it reports
; goes to the log, and its exit code comes back on the stack.
!macro HelperFunction Prefix
  Function ${Prefix}RunHelper
    Exch $0
    Push $1
    Push $2
    ${IfNot} ${FileExists} "${SETUP_HELPER}"
      File "/oname=${SETUP_HELPER}" "${HELPER}"
    ${EndIf}
    nsExec::ExecToStack '"${SETUP_HELPER}" $0'
    Pop $0
    Pop $1
    ; Its lines are the log's; the last line's ending is the log's own.
    ${Do}
      StrCpy $2 $1 1 -1
      ${If} $2 != "$\n"
      ${AndIf} $2 != "$\r"
        ${ExitDo}
      ${EndIf}
      StrCpy $1 $1 -1
    ${Loop}
    ${IfThen} $1 != "" ${|} ${Log} $1 ${|}
    Pop $2
    Pop $1
    Exch $0
  FunctionEnd
!macroend

; Asks the tray program of every session to close and waits for it, at most
; HOST_CLOSE_SECONDS; $0 is 0 when none runs any more.
!macro CloseHostsFunction Prefix
  Function ${Prefix}CloseHosts
    System::Call "kernel32::GetCurrentProcessId() i .r0"
    Push `close "$INSTDIR\${HOST}" ${HOST_CLOSE_SECONDS} "${CLOSED_SESSIONS}" $0`
    Call ${Prefix}RunHelper
    Pop $0
  FunctionEnd
  ; Once the files are in place (or back): a tray program may run again.
  Function ${Prefix}ReleaseHosts
    Push $0
    Push "reset"
    Call ${Prefix}RunHelper
    Pop $0
    ${IfThen} $0 != 0 ${|} ${Log} "The close signal could not be reset ($0): it goes when the setup ends" ${|}
    Pop $0
  FunctionEnd
!macroend
!insertmacro HelperFunction ""
!insertmacro HelperFunction "un."
!insertmacro CloseHostsFunction ""
!insertmacro CloseHostsFunction "un."

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

; Windows starts a program whose manifest asks for UI access (the tray
; program) only from a protected folder: the installation folder must lie
; below one of the Program Files folders. The folder on the stack, its
; normalised full path compared ("..", "." resolved), case-insensitively;
; 1 or 0 comes back.
!macro BelowFolder Root
  StrLen $2 "${Root}\"
  StrCpy $3 $1 $2
  StrLen $4 $1
  ${If} $3 == "${Root}\"
  ${AndIf} $4 > $2
    StrCpy $0 1
  ${EndIf}
!macroend
Function IsBelowProgramFiles
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  ; (GetFullPathName of NSIS wants the folder to be there already.)
  System::Call 'kernel32::GetFullPathNameW(w r0, i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r2'
  StrCpy $0 0
  ${If} $2 > 0
  ${AndIf} $2 < ${NSIS_MAX_STRLEN}
    ${If} $ProgramFilesX86 != ""
      !insertmacro BelowFolder "$ProgramFilesX86"
    ${EndIf}
    !insertmacro BelowFolder "$PROGRAMFILES64"
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; The directory page lets no one go on with another folder.
Function .onVerifyInstDir
  Push $INSTDIR
  Call IsBelowProgramFiles
  Pop $0
  ${IfThen} $0 <> 1 ${|} Abort ${|}
FunctionEnd

; The folder and model checks, before anything is changed.
Function .onInit
  SetRegView 64
  InitPluginsDir
  Delete "${LOG_FILE}"
  ${Log} "${PRODUCT} ${VERSION} setup"
  ; Installing over an installation is an upgrade in its folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${HOST}"
    StrCpy $INSTDIR $0
    StrCpy $Upgrade 1
  ${Else}
    StrCpy $Upgrade 0
  ${EndIf}
  ReadRegStr $ProgramFilesX86 HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion" "ProgramFilesDir (x86)"
  Push $INSTDIR
  Call IsBelowProgramFiles
  Pop $0
  ${If} $0 <> 1
    StrCpy $0 "$INSTDIR is not a folder below $PROGRAMFILES64 or $ProgramFilesX86. Windows starts ${PRODUCT} only from a protected folder: choose one below Program Files."
    ${If} $Upgrade = 1
      StrCpy $0 "$0 Remove the installation in $INSTDIR first."
    ${EndIf}
    ${Log} "$0 Nothing was installed."
    MessageBox MB_OK|MB_ICONSTOP "$0$\r$\n$\r$\nNothing was installed." /SD IDOK
    SetErrorLevel ${EXIT_FOLDER}
    Quit
  ${EndIf}

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
  ; Whatever the checks did, no mark stays. The library is let go of with
  ; this last call ("?u"): a library still loaded when the setup ends cannot
  ; be deleted with its temporary folder, which would then wait for a
  ; restart in PendingFileRenameOperations, where deployment tools read
  ; that a restart is pending.
  System::Call '"$PLUGINSDIR\ZrInstallPrep.dll"::ZRPCheckRegMark() i .r1 ?u'
  ${If} $0 <> 1
    ${Log} "Not a supported machine: nothing was installed"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} can only be installed on the notebooks it was made for: this machine is not one of them.$\r$\n$\r$\nNothing was installed." /SD IDOK
    SetErrorLevel ${EXIT_UNSUPPORTED}
    Quit
  ${EndIf}
  ${Log} "Supported machine"

FunctionEnd

; The tray program again for the users whose program this run closed, in
; their sessions and with their rights rather than this installer's; with
; "own", for the user who runs the setup as well (after an installation).
Function StartHosts
  Exch $0
  Push `start "$INSTDIR\${HOST}" "${CLOSED_SESSIONS}" $0`
  Call RunHelper
  Pop $0
  ${IfThen} $0 != 0 ${|} ${Log} "The tray program is not running for every user now ($0): it starts at their next logon" ${|}
  Pop $0
FunctionEnd

; Puts back what was there before this run: the files of the earlier
; installation, or no folder at all.
Function RollBackFiles
  ; A folder that is the current directory cannot be removed.
  SetOutPath "$PLUGINSDIR"
  ${If} $Upgrade = 1
    ${Log} "Putting the earlier installation's files back"
    !insertmacro ReplaceableFiles DeletePending
    CopyFiles /SILENT "$PLUGINSDIR\previous\*.*" "$INSTDIR"
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
  Call ReleaseHosts
  Push ""
  Call StartHosts
FunctionEnd

; Ends a run that did what it should: 3010 when a restart completes it.
!macro Finish What
  ${If} ${RebootFlag}
    ${Log} "Done; a restart completes the ${What}"
    MessageBox MB_OK|MB_ICONINFORMATION "The ${What} of ${PRODUCT} is complete once Windows has restarted." /SD IDOK
    SetErrorLevel ${EXIT_RESTART}
  ${Else}
    ${Log} "Done"
    SetErrorLevel ${EXIT_DONE}
  ${EndIf}
!macroend

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
  Call CloseHosts

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
  !insertmacro OtherFiles CheckWritable
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
  ; A file still in use goes in beside it and takes its place at the next
  ; restart.
  !macro InstallReplaceable Name
    StrCpy $R8 0
    ${If} ${FileExists} "$INSTDIR\${Name}"
      ClearErrors
      FileOpen $0 "$INSTDIR\${Name}" a
      ${If} ${Errors}
        StrCpy $R8 1
      ${Else}
        FileClose $0
      ${EndIf}
    ${EndIf}
    ClearErrors
    ${If} $R8 = 1
      File "/oname=${Name}.new" "${DIST}/${Name}"
      ${IfNot} ${Errors}
        Rename /REBOOTOK "$INSTDIR\${Name}.new" "$INSTDIR\${Name}"
      ${EndIf}
      ${IfNot} ${Errors}
        ${Log} "$INSTDIR\${Name} is in use: it is replaced at the next restart"
      ${EndIf}
    ${Else}
      File "${DIST}/${Name}"
    ${EndIf}
    ${If} ${Errors}
      Call RollBackFiles
      !insertmacro Fail ${EXIT_FILES} "$INSTDIR\${Name} could not be replaced: nothing was installed."
    ${EndIf}
  !macroend
  !insertmacro ReplaceableFiles InstallReplaceable
  ClearErrors
  !macro InstallFile Name
    File "${DIST}/${Name}"
  !macroend
  !macro InstallOtherFile Name
    !if "${Name}" == "KivoDevInst.exe"
      File "/oname=${Name}" "${DEVICE_INSTALLER}"
    !else
      File "${DIST}/${Name}"
    !endif
  !macroend
  !insertmacro OtherFiles InstallOtherFile
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
  ; reports through its exit code only; it shows no dialog in a silent run.
  StrCpy $1 "${DEVINST_INSTALL}"
  ${If} ${Silent}
    StrCpy $1 "${DEVINST_INSTALL_SILENT}"
  ${EndIf}
  ${Log} "Installing the device driver"
  ExecWait '"$INSTDIR\KivoDevInst.exe" $1' $0
  ${Log} "KivoDevInst.exe $1: exit code $0"
  ${If} $0 == ${EXIT_RESTART}
    ${Log} "The driver is installed; a restart completes it"
    SetRebootFlag true
  ${ElseIf} $0 == 2
    Call RollBackFiles
    !insertmacro Fail ${EXIT_DRIVER} "The function button driver could not be installed: its package was refused or is incomplete (the device installer ended with code 2). Nothing was installed."
  ${ElseIf} $0 != 0
    Call RollBackFiles
    !insertmacro Fail ${EXIT_DRIVER} "The function button driver could not be installed (the device installer ended with code $0). Nothing was installed."
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

  ; The folder every user's control library shares (the one-time full
  ; charge belongs to the machine). A library makes it too when it is
  ; missing, so a failure here is logged, not fatal.
  Push `share`
  Call RunHelper
  Pop $0

  Call ReleaseHosts
  Push "own"
  Call StartHosts
  !insertmacro Finish "installation"
SectionEnd

; ---- uninstallation -------------------------------------------------------

Function un.onInit
  SetRegView 64
  InitPluginsDir
  Delete "${LOG_FILE}"
FunctionEnd

; What the device installer's removal leaves decides what else goes:
;   0     the device nodes and the driver package are gone
;   3010  so too, once Windows has restarted
;   4     the nodes are gone, the driver package stays in the driver store:
;         the files go too (a node never stays without its program), and
;         the run ends with EXIT_DRIVER_PACKAGE_LEFT
;   else  (1 no device list, 3 a node stays) nothing else is removed, the
;         tray programs start again, and the run ends with EXIT_DRIVER
Section "Uninstall"
  SetRegView 64
  ${Log} "Removing ${PRODUCT} from $INSTDIR"
  Call un.CloseHosts

  ExecWait '"$INSTDIR\KivoDevInst.exe" ${DEVINST_UNINSTALL}' $R6
  ${Log} "KivoDevInst.exe ${DEVINST_UNINSTALL}: exit code $R6"
  StrCpy $R7 0
  ${If} $R6 == ${EXIT_RESTART}
    ${Log} "The device is removed; a restart completes it"
    SetRebootFlag true
  ${ElseIf} $R6 == 4
    StrCpy $R7 1
  ${ElseIf} $R6 != 0
    ${Log} "The function button device could not be removed: nothing else was removed."
    Call un.ReleaseHosts
    Push `start "$INSTDIR\${HOST}" "${CLOSED_SESSIONS}"`
    Call un.RunHelper
    Pop $0
    MessageBox MB_OK|MB_ICONSTOP "The function button device could not be removed (the device installer ended with code $R6). Nothing was removed." /SD IDOK
    SetErrorLevel ${EXIT_DRIVER}
    Quit
  ${EndIf}

  !insertmacro InstalledFiles DeleteInstalled
  !insertmacro ReplaceableFiles DeletePending
  !insertmacro RemovePolicyFiles
  ; The control library's machine folder: what the policy wrote means
  ; nothing without the program; a running one-time full charge's record
  ; stays for a later installation to complete, and so does the folder then.
  SetShellVarContext all
  Delete "$APPDATA\zerin\KivoFCtrl\PolicyWritten.ini"
  Delete "$APPDATA\zerin\KivoFCtrl\*.new"
  RMDir "$APPDATA\zerin\KivoFCtrl"
  RMDir "$APPDATA\zerin"
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
  ; What is still in use goes at the next restart, and its folders then.
  !insertmacro InstalledFiles DeleteInstalledAtRestart
  ${GetParent} "$INSTDIR" $R9
  ${If} ${RebootFlag}
  ${AndIf} ${FileExists} "$INSTDIR\*.*"
    RMDir /REBOOTOK "$INSTDIR"
    RMDir /REBOOTOK "$R9"
  ${Else}
    RMDir "$R9"
  ${EndIf}
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Call un.ReleaseHosts
  ; Each user's settings files stay, in case the software comes back.
  ${Log} "The users' settings files were kept"
  ${If} $R7 = 1
    ${Log} "The driver package could not be removed from the driver store: it stays there (pnputil /enum-drivers shows it)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} was removed, but its driver package stays in the driver store (the device installer ended with code 4)." /SD IDOK
    SetErrorLevel ${EXIT_DRIVER_PACKAGE_LEFT}
  ${Else}
    !insertmacro Finish "removal"
  ${EndIf}
SectionEnd
