; The Windows installer of Tivaro (NSIS 3, makensis). tools/package-windows.sh builds it:
;   makensis -DVERSION=1.0.0 -DARCH=x64 -DSCR=<stripped Tivaro.scr> -DREADME=<INSTALL.txt>
;            -DOUTFILE=<setup.exe> packaging/windows/tivaro.nsi
; ARCH x64 makes a 64-bit installer for 64-bit Windows; ARCH x86 a 32-bit one.
;
; It installs for the account that runs it, and only that one, without asking for an
; administrator: the screen saver Windows runs is a setting of each account
; (SCRNSAVE.EXE under HKCU\Control Panel\Desktop, a full path), so an installer that asks
; for elevation can end up writing another account's settings (an administrator's, typed
; in over a standard user's shoulder) and setting nothing for the user who ran it. The
; screen-saver settings list the .scr files of the Windows and system folders, which only
; an administrator may write, and no per-user folder; a saver elsewhere is offered there
; while SCRNSAVE.EXE names it (as after right-clicking a .scr and choosing "Install").
; So Tivaro.scr goes to %LOCALAPPDATA%\Programs\Tivaro\<arch>, a folder fixed for each
; account and architecture (there is no folder page, and /D= is overridden): a chosen one
; could be shared by both installers, or be one whose empty parent the uninstaller removes.
; Tivaro becomes the account's current screen saver, and the one set before is remembered
; in HKCU\Software\Tivaro\<arch>, each installer's own record. Installing again while
; another saver is current records that one instead (the saver the user picked since). The
; uninstaller removes every file and key of its own and puts the remembered saver back,
; unless the user has chosen another one since. The two records can chain (installed
; after x64, the x86 record names the x64 Tivaro); whichever installer leaves the chain,
; uninstalled or installed again, hands its record to the other one's when that names its
; own Tivaro.scr, so neither ever puts back a saver that is gone. /S runs either silently.

Unicode true
!if ${ARCH} == x64
  Target amd64-unicode
!else
  Target x86-unicode
!endif
InstallDir "$LOCALAPPDATA\Programs\Tivaro\${ARCH}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tivaro-${ARCH}"

Name "Tivaro ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
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
!define STATE "Software\Tivaro\${ARCH}"
!if ${ARCH} == x64
  !define OTHER_STATE "Software\Tivaro\x86"
!else
  !define OTHER_STATE "Software\Tivaro\x64"
!endif

Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Saver  ; the full path SCRNSAVE.EXE gets

Function .onInit
  StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Tivaro\${ARCH}"  ; not where /D= says
FunctionEnd

; When the other installer's record names our Tivaro.scr as the saver set before it, that
; record gets ours (the saver set before ours, or none), as ours is about to go or to name
; another saver. StrCmp ignores case, as Windows does in paths.
!macro HandOverRecord
  ReadRegStr $3 HKCU "${OTHER_STATE}" "PreviousScreenSaver"
  StrCmp $3 $Saver 0 handed_over
    ClearErrors
    ReadRegStr $4 HKCU "${STATE}" "PreviousSet"
    IfErrors handed_over  ; no record of ours to give
    WriteRegStr HKCU "${OTHER_STATE}" "PreviousSet" $4
    StrCmp $4 "1" 0 hand_over_none
      ReadRegStr $5 HKCU "${STATE}" "PreviousScreenSaver"
      WriteRegStr HKCU "${OTHER_STATE}" "PreviousScreenSaver" $5
      Goto handed_over
    hand_over_none:
      DeleteRegValue HKCU "${OTHER_STATE}" "PreviousScreenSaver"
  handed_over:
!macroend

Section "Tivaro"
  SetShellVarContext current
  StrCpy $Saver "$INSTDIR\Tivaro.scr"
  SetOutPath "$INSTDIR"
  File "/oname=Tivaro.scr" "${SCR}"
  File "/oname=INSTALL.txt" "${README}"

  ; Remember the screen saver set now (or none), unless it is this Tivaro already: installed
  ; again with nothing changed since, the record stands.
  ClearErrors
  ReadRegStr $0 HKCU "${DESKTOP}" "SCRNSAVE.EXE"
  IfErrors 0 some
    StrCpy $1 "0"
    Goto record
  some:
    StrCpy $1 "1"
    StrCmp $0 $Saver remembered
  record:
    !insertmacro HandOverRecord
    WriteRegStr HKCU "${STATE}" "PreviousSet" $1
    StrCmp $1 "1" 0 record_none
      WriteRegStr HKCU "${STATE}" "PreviousScreenSaver" $0
      Goto remembered
    record_none:
      DeleteRegValue HKCU "${STATE}" "PreviousScreenSaver"
  remembered:
  WriteRegStr HKCU "${DESKTOP}" "SCRNSAVE.EXE" $Saver

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tivaro screen saver (${ARCH})"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tivaro developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$Saver"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  StrCpy $Saver "$INSTDIR\Tivaro.scr"
  Delete "$INSTDIR\Tivaro.scr"

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
  !insertmacro HandOverRecord
  ; The key above ours goes once no other record is left.
  DeleteRegKey HKCU "${STATE}"
  DeleteRegKey /ifempty HKCU "Software\Tivaro"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\INSTALL.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
SectionEnd
