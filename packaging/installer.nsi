; Installer of Velmora (Tavrix.exe), built by makensis from the CMake target `installer`:
;   makensis -INPUTCHARSET UTF8 -DTAVRIX_EXE=<Tavrix.exe> -DTAVRIX_ICON=<tavrix.ico>
;            -DOUTFILE=<TavrixSetup.exe> installer.nsi
; Silent use: TavrixSetup.exe /S [/D=<folder>]   and   uninstall.exe /S
;
; The program keeps config.ini and log\ beside itself, so it goes into a folder that its
; users can write (C:\Tavrix by default, not Program Files). Uninstalling removes the
; program, its start-up value and its shortcut, and keeps config.ini, log\ and backups.

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef TAVRIX_EXE
  !error "define TAVRIX_EXE (see the head of this file)"
!endif
!ifndef TAVRIX_ICON
  !error "define TAVRIX_ICON (see the head of this file)"
!endif
!ifndef OUTFILE
  !error "define OUTFILE (see the head of this file)"
!endif

!define PRODUCT "Velmora"
!define VERSION "1.2"
!define VENDOR "Hemlow软件"
!define RUN_KEY "SOFTWARE\Microsoft\windows\CurrentVersion\Run"
!define RUN_VALUE "Tavrix"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrix"
!define TEMP_BACKUP_DIR "c:\tempbak"
; The service account of the default SQL Server instance; it writes the backups into
; TEMP_BACKUP_DIR, and a folder it cannot write is the usual reason a backup fails.
!define SQL_SERVICE_ACCOUNT "NT SERVICE\MSSQLSERVER"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "C:\Tavrix"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${VENDOR}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "1.2.0.0"
VIFileVersion "1.2.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${VENDOR}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} ${VERSION} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "© ${VENDOR}"

!define MUI_ICON "${TAVRIX_ICON}"
!define MUI_UNICON "${TAVRIX_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Ends every running copy, so that its file can be replaced or removed.
!macro EndRunningProgram
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM Tavrix.exe'
  Pop $0
!macroend

; The start-up value, the uninstall entry and the folder rights need an administrator.
!macro RequireAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "需要管理员权限。" /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdmin
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  !insertmacro RequireAdmin
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; The start-up command: the program's full path, in quotes only when it holds a blank.
Function RunCommand
  Push $1
  Push $2
  StrCpy $0 "$INSTDIR"
  StrCpy $1 "$0" 1 -1
  ${If} $1 != "\"
    StrCpy $0 "$0\"
  ${EndIf}
  StrCpy $0 "$0Tavrix.exe"
  StrCpy $1 0
  ${Do}
    StrCpy $2 "$0" 1 $1
    ${If} $2 == ""
      ${Break}
    ${ElseIf} $2 == " "
      StrCpy $0 '"$0"'
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
  Pop $2
  Pop $1
FunctionEnd

; The installer runs elevated; the program itself must run as the user who is logged on,
; so it is started through the shell (explorer hands it to the user's desktop session).
Function StartProgram
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\Tavrix.exe"'
FunctionEnd

; Every user may create and change files in the program's folder (config.ini, log\); only
; administrators may replace the program itself, which starts at every user's logon.
Function SetFolderRights
  nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX *S-1-5-11:(OI)(CI)(IO)M *S-1-5-11:(WD,AD)'
  Pop $0
  ${If} $0 == 0
    nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\Tavrix.exe" /inheritance:r /grant:r *S-1-5-32-544:F *S-1-5-18:F *S-1-5-32-545:RX'
    Pop $0
    nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\uninstall.exe" /inheritance:r /grant:r *S-1-5-32-544:F *S-1-5-18:F *S-1-5-32-545:RX'
    Pop $0
  ${Else}
    DetailPrint "未能设置 $INSTDIR 的访问权限（icacls: $0）"
  ${EndIf}
FunctionEnd

Section "Tavrix"
  !insertmacro EndRunningProgram
  ; Access rights are set only on a folder of our own: one this installer makes or one that
  ; holds an earlier copy, never on a drive root or a shared folder chosen by hand.
  StrCpy $R9 0
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
  ${OrIf} ${FileExists} "$INSTDIR\Tavrix.exe"
    StrCpy $R9 1
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "/oname=Tavrix.exe" "${TAVRIX_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} $R9 == 1
    Call SetFolderRights
  ${Else}
    DetailPrint "$INSTDIR 不是新建的文件夹，保留其访问权限"
  ${EndIf}

  ; The folder the server writes its backups into, writable by its service account.
  CreateDirectory "${TEMP_BACKUP_DIR}"
  nsExec::Exec '"$SYSDIR\icacls.exe" "${TEMP_BACKUP_DIR}" /grant "${SQL_SERVICE_ACCOUNT}:(OI)(CI)M"'
  Pop $0
  ${If} $0 == 0
    DetailPrint "已允许 ${SQL_SERVICE_ACCOUNT} 写入 ${TEMP_BACKUP_DIR}"
  ${Else}
    DetailPrint "未找到 ${SQL_SERVICE_ACCOUNT}，跳过 ${TEMP_BACKUP_DIR} 的权限设置"
  ${EndIf}

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Tavrix.exe" "" "$INSTDIR\Tavrix.exe" 0

  ; Start with Windows. The program writes this value again at every start, which only an
  ; elevated process may do; the installer writes it once here.
  Call RunCommand
  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" "$0"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tavrix.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/M=*.exe /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  !insertmacro EndRunningProgram
  Delete "$INSTDIR\Tavrix.exe"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Last, so that its disappearance tells that everything above is done. config.ini, log\,
  ; ${TEMP_BACKUP_DIR} and the backups stay; the folder goes only when nothing is left in it.
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
