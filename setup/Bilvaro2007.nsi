; The setup program of Bilvaro 2007 (NSIS, 64-bit). scripts/build-windows.sh
; makes it with makensis -DSOURCE=<program folder> -DVERSION=<version> -DOUTFILE=<setup file>.
;
; The program keeps its tables (DB\), its remembered settings (mem.txt) and
; its archive images (DB\) in its installation folder, which is also the start
; folder of the Start-menu shortcut, and an update replaces Bilvaro2007.exe
; there. So that all of this works for users without administrator rights,
; the setup gives the local Users group the right to change files in that
; folder. The uninstaller removes the program's own files only: the tables,
; the archive images and mem.txt stay.

Target amd64-unicode
; zlib: fast to build, and the setup program stays about 20 MB.
SetCompressor zlib

!define NAME "Bilvaro 2007"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Bilvaro2007"

Name "${NAME}"
OutFile "${OUTFILE}"
; The program looks for itself in this fixed folder.
InstallDir "C:\Program Files\Bilvaro 2007"
RequestExecutionLevel admin
ShowInstDetails show
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${NAME}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${NAME} - setup"

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Program"
  SetRegView 64
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  CreateDirectory "$INSTDIR\DB"
  ; The four tables, empty, where there are none yet; existing tables stay as they are.
  nsExec::ExecToLog '"$INSTDIR\bilvaro-make-tables.exe" "$INSTDIR"'
  Pop $0
  ; Users (S-1-5-32-545) may change the tables, the settings file, the archive images
  ; and, for an update, the program itself.
  nsExec::ExecToLog 'icacls "$INSTDIR" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $0
  ; The shortcut starts the program in its installation folder.
  CreateDirectory "$SMPROGRAMS\${NAME}"
  CreateShortCut "$SMPROGRAMS\${NAME}\${NAME}.lnk" "$INSTDIR\Bilvaro2007.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all
  Delete "$SMPROGRAMS\${NAME}\${NAME}.lnk"
  RMDir "$SMPROGRAMS\${NAME}"
  ; The program's files, and what an update leaves behind; DB\ and mem.txt stay.
  Delete "$INSTDIR\Bilvaro2007.exe"
  Delete "$INSTDIR\Bilvaro2007old.exe"
  Delete "$INSTDIR\BILVARO2007.BAK"
  Delete "$INSTDIR\bilvaro-make-tables.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\sqldrivers"
  RMDir /r "$INSTDIR\tls"
  RMDir /r "$INSTDIR\imageformats"
  RMDir /r "$INSTDIR\translations"
  RMDir /r "$INSTDIR\numbertext"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Only when nothing of the user's is left.
  RMDir "$INSTDIR"
SectionEnd
