; The Windows installer of Tivaro (NSIS 3, makensis). tools/package-windows.sh builds it:
;   makensis -DVERSION=1.0.0 -DARCH=x64 -DSCR=<stripped Tivaro.scr> -DREADME=<INSTALL.txt>
;            -DOUTFILE=<setup.exe> packaging/windows/tivaro.nsi
; ARCH x64 makes a 64-bit installer for 64-bit Windows; ARCH x86 a 32-bit one, which on
; 64-bit Windows lands in SysWOW64 (the system's redirection does that for it).
;
; It copies Tivaro.scr to the system folder, makes it the current screen saver
; (SCRNSAVE.EXE under HKCU\Control Panel\Desktop) and remembers the one set before; the
; uninstaller removes every file and key and puts that one back, unless the user has
; chosen another saver since. /S runs either silently.

Unicode true
!if ${ARCH} == x64
  Target amd64-unicode
  InstallDir "$PROGRAMFILES64\Tivaro"
  !define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tivaro"
!else
  Target x86-unicode
  InstallDir "$PROGRAMFILES32\Tivaro"
  !define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tivaro (32-bit)"
!endif

Name "Tivaro ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Tivaro"
VIAddVersionKey /LANG=1033 "FileDescription" "Tivaro screen saver setup (${ARCH})"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Tivaro developers"

!define DESKTOP "Control Panel\Desktop"
!define STATE "Software\Tivaro"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Saver  ; the full path SCRNSAVE.EXE gets

; The real folder of the installed saver: a 32-bit program on 64-bit Windows writes
; $SYSDIR's files to SysWOW64, and the system's settings must name that folder.
!macro FindSaver
  StrCpy $Saver "$SYSDIR\Tivaro.scr"
  !if ${ARCH} == x86
    IfFileExists "$WINDIR\SysWOW64\*.*" 0 +2
      StrCpy $Saver "$WINDIR\SysWOW64\Tivaro.scr"
  !endif
!macroend

Section "Tivaro"
  !insertmacro FindSaver
  SetOutPath "$SYSDIR"
  File "/oname=Tivaro.scr" "${SCR}"

  ; Remember the screen saver set before, once: a second install keeps the first record.
  ClearErrors
  ReadRegStr $0 HKCU "${STATE}" "PreviousSet"
  IfErrors 0 remembered
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP}" "SCRNSAVE.EXE"
    IfErrors none
      StrCmp $0 $Saver remembered
      WriteRegStr HKCU "${STATE}" "PreviousScreenSaver" $0
      WriteRegStr HKCU "${STATE}" "PreviousSet" "1"
      Goto remembered
    none:
      WriteRegStr HKCU "${STATE}" "PreviousSet" "0"
  remembered:
  WriteRegStr HKCU "${DESKTOP}" "SCRNSAVE.EXE" $Saver

  SetOutPath "$INSTDIR"
  File "/oname=INSTALL.txt" "${README}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tivaro screen saver (${ARCH})"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tivaro developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$Saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro FindSaver
  Delete "$SYSDIR\Tivaro.scr"

  ; Put the previous saver back, unless the user has chosen another one since.
  ReadRegStr $0 HKCU "${DESKTOP}" "SCRNSAVE.EXE"
  StrCmp $0 $Saver 0 restored
    ReadRegStr $1 HKCU "${STATE}" "PreviousSet"
    StrCmp $1 "1" 0 unset
      ReadRegStr $2 HKCU "${STATE}" "PreviousScreenSaver"
      WriteRegStr HKCU "${DESKTOP}" "SCRNSAVE.EXE" $2
      Goto restored
    unset:
      DeleteRegValue HKCU "${DESKTOP}" "SCRNSAVE.EXE"
  restored:
  DeleteRegKey HKCU "${STATE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\INSTALL.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
