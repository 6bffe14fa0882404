; The per-machine installer of ブリムレットボックス: a 64-bit program (the deliverables are
; x64 and read the 64-bit registry view), Japanese texts, silent with /S.
;   makensis -DDIST=<installation tree> -DOUTFILE=<setup.exe> [-DPARTNER=<code>]
;            [-DSIGN=<command>] brimlet.nsi
; The version is read from Tessiv.exe's version block, which the build took from
; project(VERSION); -DVERSION=<a.b.c.d> overrides it (the upgrade test builds a later one).

Unicode true
Target amd64-unicode
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh
!include FileFunc.nsh

!ifndef DIST | OUTFILE
  !error "define DIST (the installation tree) and OUTFILE (the installer to write)"
!endif
!ifndef VERSION
  !getdllversion "${DIST}\Tessiv.exe" BIN_VERSION_
  !define VERSION "${BIN_VERSION_1}.${BIN_VERSION_2}.${BIN_VERSION_3}.${BIN_VERSION_4}"
!endif
!ifndef PARTNER
  !define PARTNER "std"
!endif
; -DSIGN=<command>: the command signs the uninstaller before it is packed and the installer
; once it is written ("%1" is the file).
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"'
  !finalize '${SIGN} "%1"'
!endif

!define GADGET_GUID "{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}"
!define PRODUCT_KEY "SOFTWARE\Zelvo\BrimletBox"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zelvo BrimletBox"
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Zelvo BrimletBox"
!define HOOK_MODULE "Gadgets\${GADGET_GUID}\BrimletHook.dll"
!define HOST_CLASS "Zelvo_Gadget_WndClass"
!define HOST_TITLE "Zelvo Gadget"
!define HOST_EXIT_COMMAND 57665
!define ERROR_ELEVATION_REQUIRED 740

Name "$(ProductName)"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zelvo\BrimletBox"
BrandingText "Zelvo ブリムレットボックス ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductName" "Zelvo ブリムレットボックス"
VIAddVersionKey /LANG=1041 "CompanyName" "Zelvo"
VIAddVersionKey /LANG=1041 "FileDescription" "ブリムレットボックス セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) Zelvo. All rights reserved."

!define MUI_ICON "${__FILEDIR__}\..\resources\icons\brimlet.ico"
!define MUI_UNICON "${__FILEDIR__}\..\resources\icons\brimlet.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
!include "${__FILEDIR__}\ja.nsh"

Var previousVersion
Var hostWasRunning

; Refuses to go on without administrator rights: a half installation (files without the
; product key, or the reverse) is worse than none.
!macro RequireAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "$(NotElevated)" /SD IDOK
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
    Quit
  ${EndIf}
!macroend

; Ends every running host of this desktop as its user would, with the tray menu's exit
; command: its exit removes its system-wide hooks, so no process keeps the hook module
; busy. A host that does not end within 10 s is ended. Sets $hostWasRunning to 1 when a
; host ran, and the error flag when one could not be ended.
!macro DefineEndHost prefix
Function ${prefix}EndHost
  StrCpy $hostWasRunning 0
  ClearErrors
  ${For} $R0 1 10
    FindWindow $0 "${HOST_CLASS}" "${HOST_TITLE}"
    ${If} $0 = 0
      Return
    ${EndIf}
    StrCpy $hostWasRunning 1
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1)"
    ; SYNCHRONIZE | PROCESS_TERMINATE
    System::Call "kernel32::OpenProcess(i 0x00100001, i 0, i r1) p .r2"
    ; Posted, as the menu does: the host may be busy, and the installer waits below.
    System::Call "user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${HOST_EXIT_COMMAND}, p 0)"
    ${If} $2 P<> 0
      System::Call "kernel32::WaitForSingleObject(p r2, i 10000) i .r3"
      ${If} $3 <> 0
        System::Call "kernel32::TerminateProcess(p r2, i 1)"
        System::Call "kernel32::WaitForSingleObject(p r2, i 5000)"
      ${EndIf}
      System::Call "kernel32::CloseHandle(p r2)"
    ${Else}
      Sleep 1000
    ${EndIf}
  ${Next}
  FindWindow $0 "${HOST_CLASS}" "${HOST_TITLE}"
  ${If} $0 <> 0
    SetErrors
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DefineEndHost ""
!insertmacro DefineEndHost "un."

Function .onInit
  SetRegView 64
  SetShellVarContext all
  !insertmacro RequireAdmin
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
  !insertmacro RequireAdmin
FunctionEnd

Section "Install"
  ReadRegStr $previousVersion HKLM "${PRODUCT_KEY}" "Version"
  Call EndHost
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(HostDidNotEnd)" /SD IDOK
    SetErrorLevel 1
    Quit
  ${EndIf}

  ; The gadget's folder is replaced whole, so nothing an earlier version shipped stays
  ; behind; settings and history are per user in the registry and are not touched.
  ; A program that took keyboard input may still have the old hook module mapped: such a
  ; file can be renamed but not replaced, so it moves aside and goes at the next restart.
  ${If} ${FileExists} "$INSTDIR\${HOOK_MODULE}"
    Delete "$INSTDIR\${HOOK_MODULE}.old"
    Rename "$INSTDIR\${HOOK_MODULE}" "$INSTDIR\${HOOK_MODULE}.old"
    Delete /REBOOTOK "$INSTDIR\${HOOK_MODULE}.old"
  ${EndIf}
  RMDir /r "$INSTDIR\Gadgets\${GADGET_GUID}"
  SetOutPath "$INSTDIR"
  File /r "${DIST}\*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "${VERSION}"
  ; The partner of the first installation stays: the download addresses and the usage
  ; counters of an existing user are filed under it.
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "Partner"
  ${If} $0 == ""
    WriteRegStr HKLM "${PRODUCT_KEY}" "Partner" "${PARTNER}"
  ${EndIf}
  ; Only a different earlier version makes an upgrade; installing the same version again
  ; leaves the mark as it was.
  ${If} $previousVersion != ""
  ${AndIf} $previousVersion != "${VERSION}"
    WriteRegStr HKLM "${PRODUCT_KEY}" "Upgrade" "$previousVersion"
  ${EndIf}

  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\Tessiv.exe"'
  CreateShortcut "$SMPROGRAMS\$(StartMenuEntry).lnk" "$INSTDIR\Tessiv.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "$(ProductName)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zelvo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Tessiv.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The host comes back when it ran before; an installation the user watches starts it
  ; too. A silent fresh installation leaves that to the next logon.
  ; Started with this installer's elevated token, the host asks the desktop's shell to start
  ; it again with the user's normal one and ends without installing its hook.
  ${If} $hostWasRunning = 1
  ${OrIfNot} ${Silent}
    Exec '"$INSTDIR\Tessiv.exe"'
  ${EndIf}
SectionEnd

; Per-user settings and the history stay: they belong to each user's own profile (the
; uninstaller can reach only its own user's), and a later installation finds them again.
Section "Uninstall"
  Call un.EndHost
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(HostDidNotEnd)" /SD IDOK
    SetErrorLevel 1
    Quit
  ${EndIf}

  Delete "$SMPROGRAMS\$(StartMenuEntry).lnk"
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Zelvo"

  ; Programs that took keyboard input may keep the hook module mapped for a while after
  ; the host removed its hook: give them time, then leave it to the next restart.
  ${For} $R0 1 20
    Delete "$INSTDIR\${HOOK_MODULE}"
    ${IfNot} ${FileExists} "$INSTDIR\${HOOK_MODULE}"
      ${Break}
    ${EndIf}
    Sleep 250
  ${Next}
  Delete /REBOOTOK "$INSTDIR\Tessiv.exe"
  RMDir /r /REBOOTOK "$INSTDIR\Gadgets\${GADGET_GUID}"
  RMDir "$INSTDIR\Gadgets"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."

  ; The downloaded catalogue in the machine's data folder.
  RMDir /r "$APPDATA\Zelvo\BrimletBox\${GADGET_GUID}"
  RMDir "$APPDATA\Zelvo\BrimletBox"
  RMDir "$APPDATA\Zelvo"
SectionEnd
