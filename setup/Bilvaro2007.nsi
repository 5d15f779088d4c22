; The setup program of Bilvaro 2007 (NSIS, 64-bit). scripts/build-windows.sh
; makes it with makensis -DSOURCE=<program folder> -DVERSION=<version>
; -DOUTFILE=<setup file> -DICON=<program icon .ico> -DLICENSE=<licence text>.
;
; It installs for the current user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Bilvaro 2007: a folder that user owns, so the
; program keeps its tables (DB\), its remembered settings (mem.txt) and its
; archive images (DB\) there and an update replaces Bilvaro2007.exe there
; with no right granted to anybody else. The Start-menu shortcut starts the
; program in that folder. The uninstaller removes the program's own files
; only: the tables, the archive images and mem.txt stay.
;
; An older installation under "C:\Program Files\Bilvaro 2007" keeps working
; where it is; the setup says how to move its tables and archive over and
; leaves them where they are.

Target amd64-unicode
; zlib: fast to build, and the setup program stays about 20 MB.
SetCompressor zlib

!include "MUI2.nsh"

!define NAME "Bilvaro 2007"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Bilvaro2007"
!define OLD_FOLDER "$PROGRAMFILES64\Bilvaro 2007"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Bilvaro 2007"
RequestExecutionLevel user
ShowInstDetails show
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${NAME}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${NAME} - setup"
VIAddVersionKey /LANG=0 "LegalCopyright" "GNU GPL, version 3 or later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Bulgarian"

Section "Program"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  File /oname=LICENSE.txt "${LICENSE}"
  CreateDirectory "$INSTDIR\DB"
  ; The four tables, empty, where there are none yet; existing tables stay as they are.
  ; nsExec reads UTF-16 output as such, whatever the machine's code page.
  nsExec::ExecToStack '"$INSTDIR\bilvaro-make-tables.exe" "$INSTDIR" --encoding utf-16'
  Pop $0
  Pop $1
  Call LogLines
  ; The shortcut starts the program in its installation folder (the output path).
  CreateDirectory "$SMPROGRAMS\${NAME}"
  CreateShortCut "$SMPROGRAMS\${NAME}\${NAME}.lnk" "$INSTDIR\Bilvaro2007.exe" "" "$INSTDIR\Bilvaro2007.exe" 0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The user's own "Apps" list.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\Bilvaro2007.exe",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; An older installation for all users: it keeps working there with its own
  ; tables; moving them is the user's decision.
  IfFileExists "${OLD_FOLDER}\Bilvaro2007.exe" 0 no_old_installation
    DetailPrint "По-стара инсталация: ${OLD_FOLDER}"
    MessageBox MB_OK|MB_ICONINFORMATION "На този компютър има и по-стара инсталация на ${NAME} в „${OLD_FOLDER}“. \
Тя продължава да работи там със своите таблици и архив.$\r$\n$\r$\n\
За да работите с тях в новата инсталация: затворете програмата и копирайте папката „DB“ \
(таблиците и архивните изображения) и файла „mem.txt“ от „${OLD_FOLDER}“ в „$INSTDIR“, \
като замените празните таблици там. Програмата за инсталиране не ги премества сама." /SD IDOK
  no_old_installation:
SectionEnd

; The table tool's lines ($1) into the details list and into install.log
; beside the program, in UTF-16: a silent install has no details list.
Function LogLines
  FileOpen $2 "$INSTDIR\install.log" w
  FileWriteUTF16LE /BOM $2 ""
  StrLen $6 $1
  StrCpy $3 0
  StrCpy $4 ""
  next_character:
    StrCpy $5 $1 1 $3
    IntOp $3 $3 + 1
    IntCmp $3 $6 0 0 end_of_line
    StrCmp $5 "$\n" end_of_line
    ; StrCmp takes the byte order mark for an empty string: it is left out,
    ; as are the carriage returns.
    StrCmp $5 "" next_character
    StrCmp $5 "$\r" next_character
    StrCpy $4 "$4$5"
    Goto next_character
  end_of_line:
    StrCmp $4 "" +4
      DetailPrint $4
      FileWriteUTF16LE $2 "$4$\r$\n"
      StrCpy $4 ""
    IntCmp $3 $6 next_character next_character
  FileClose $2
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${NAME}\${NAME}.lnk"
  RMDir "$SMPROGRAMS\${NAME}"
  ; The program's files, and what an update leaves behind; DB\ and mem.txt stay.
  Delete "$INSTDIR\Bilvaro2007.exe"
  Delete "$INSTDIR\Bilvaro2007old.exe"
  Delete "$INSTDIR\BILVARO2007.BAK"
  Delete "$INSTDIR\bilvaro-make-tables.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\COPYRIGHT-postgresql.txt"
  Delete "$INSTDIR\install.log"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\sqldrivers"
  RMDir /r "$INSTDIR\tls"
  RMDir /r "$INSTDIR\imageformats"
  RMDir /r "$INSTDIR\translations"
  RMDir /r "$INSTDIR\numbertext"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Only when nothing of the user's is left.
  RMDir "$INSTDIR"
SectionEnd
