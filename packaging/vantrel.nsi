; Installer of the Vantrel program folder, built by makensis from the folder
; that `cmake --install` lays out (CPack does this: packaging/installer.cmake).
;   makensis -INPUTCHARSET UTF8 -DSTAGE=<program folder> -DOUTFILE=<setup.exe>
;            -DVERSION=<version> [-DSIGN=<packaging/sign.sh>] packaging/vantrel.nsi
; With SIGN, the uninstaller is signed by that script as it is made (the
; programs are signed when they are staged, the installer after makensis).
;
; Vantrel writes beside itself (settings, machine table, control files in
; tmp\, logs in Log\, kept programs in backup\), so it is installed per user into a folder the user can
; write, not into Program Files, and needs no administrator rights.
; Silent use: Setup.exe /S [/D=C:\folder]   Uninstall.exe /S

; A 64-bit installer for a 64-bit program (it also runs where no 32-bit
; subsystem is installed, as in a 64-bit-only Wine).
Target amd64-unicode
!include "MUI2.nsh"
!include "LogicLib.nsh"

!ifndef STAGE | OUTFILE | VERSION
  !error "STAGE, OUTFILE and VERSION must be defined"
!endif

!define PRODUCT "Vantrel"
!define MAKER "Tarnvale Service"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"

!ifdef SIGN
  !uninstfinalize 'bash "${SIGN}" "%1"' = 0
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "Software\${MAKER}\${PRODUCT}" "InstallDir"
SetCompressor /SOLID lzma
ShowInstDetails show

!define MUI_FINISHPAGE_RUN "$INSTDIR\Vantrel.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; Program Files and the Windows folder take files from administrators only:
; installed there, every transfer would fail to write its control file.
; $R0 becomes 1 when $INSTDIR is FOLDER or lies inside it (any letter case).
!macro InFolder FOLDER
  StrLen $R1 "${FOLDER}"
  StrCpy $R2 "$INSTDIR" $R1
  StrCpy $R3 "$INSTDIR" 1 $R1
  ${If} $R1 > 0
  ${AndIf} $R2 == "${FOLDER}"
    ${If} $R3 == ""
    ${OrIf} $R3 == "\"
      StrCpy $R0 1
    ${EndIf}
  ${EndIf}
!macroend

Function GuardedFolder
  StrCpy $R0 0
  !insertmacro InFolder "$PROGRAMFILES32"
  !insertmacro InFolder "$PROGRAMFILES64"
  !insertmacro InFolder "$WINDIR"
FunctionEnd

; The folder page cannot go on with such a folder.
Function .onVerifyInstDir
  Call GuardedFolder
  ${If} $R0 == 1
    Abort
  ${EndIf}
FunctionEnd

; A silent install (/D=) sees no folder page: it is refused here.
Function .onInit
  Call GuardedFolder
  ${If} $R0 == 1
    MessageBox MB_ICONSTOP "$INSTDIR には Vantrel をインストールできません。Program Files と Windows のフォルダーには、Vantrel が作業ファイルを書き込めません。" /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Section "Vantrel"
  SetOutPath "$INSTDIR"
  File "${STAGE}/Vantrel.exe"
  File "${STAGE}/filelist.exe"
  File "${STAGE}/FTPClient.exe"
  ; An update keeps the user's settings and registered machines.
  SetOverwrite off
  File "${STAGE}/Vantrel.ini"
  File "${STAGE}/machines.ini"
  SetOverwrite on
  SetOutPath "$INSTDIR\help"
  File /r "${STAGE}/help/*.*"
  CreateDirectory "$INSTDIR\tmp"
  CreateDirectory "$INSTDIR\Log"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; The shortcut's working folder is the program folder.
  SetOutPath "$INSTDIR"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Vantrel.lnk" "$INSTDIR\Vantrel.exe"
  CreateShortcut "${MENU_FOLDER}\Vantrel のアンインストール.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKCU "Software\${MAKER}\${PRODUCT}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vantrel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer put there. The settings file, the machine table,
; the logs and the machines' programs kept in backup\ (backup=1) are the
; user's: they stay (and with them the folder), so that a later installation
; finds the registered machines again and no kept program is lost. Leftover control
; files hold FTP passwords and go.
Section "Uninstall"
  Delete "$INSTDIR\Vantrel.exe"
  Delete "$INSTDIR\filelist.exe"
  Delete "$INSTDIR\FTPClient.exe"
  RMDir /r "$INSTDIR\help"
  Delete "$INSTDIR\tmp\*.*"
  RMDir "$INSTDIR\tmp"
  RMDir "$INSTDIR\Log"
  RMDir "$INSTDIR\backup"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "${MENU_FOLDER}\Vantrel.lnk"
  Delete "${MENU_FOLDER}\Vantrel のアンインストール.lnk"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\${MAKER}\${PRODUCT}"
  DeleteRegKey /ifempty HKCU "Software\${MAKER}"
  RMDir "$INSTDIR"
SectionEnd
