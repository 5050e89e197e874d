; Farhollow setup for x86-64. Built by CMake (target "installer") with:
;   makensis -DVERSION=<a.b.c> -DBIN=<folder of the built deliverables> -DSRC=<source root> -DOUT=<setup.exe>
; Silent: "setup.exe /S" installs; "uninstall.exe /S" removes everything but the user's sites and
; settings, "uninstall.exe /S /REMOVESITES" removes those too.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "FileFunc.nsh"
!include "x64.nsh"

!define PRODUCT "Farhollow"
!define PUBLISHER "Quillon, Inc."
!define CLSID "{5E0C7A31-0000-0000-0002-000007310412}"
!define PRODUCT_KEY "SoftWare\Quillon\Farhollow"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Farhollow"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Quillon\Farhollow"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Farhollow"
  SetOutPath "$INSTDIR"
  ; An upgrade replaces the program files; the sites and settings under the product key stay.
  File "${BIN}\vqTools.dll"
  File "${BIN}\vqEngine.dll"
  File "${BIN}\vqSMgr.dll"
!if /FileExists "${BIN}\fh32.dll"
  File "${BIN}\fh32.dll"
!endif
!if /FileExists "${BIN}\siteDesk.exe"
  File "${BIN}\siteDesk.exe"
!endif
  File "${SRC}\resources\relnotes.html"
  File "${SRC}\resources\fh32help.html"
!if /FileExists "${SRC}\docs\help\index.html"
  SetOutPath "$INSTDIR\help"
  File /r "${SRC}\docs\help\*.*"
  SetOutPath "$INSTDIR"
!endif

  ; The class, then the extension's own registration (namespace keys, attributes).
  WriteRegStr HKCR "CLSID\${CLSID}" "" "${PRODUCT}"
  WriteRegStr HKCR "CLSID\${CLSID}\InprocServer32" "" "$INSTDIR\fh32.dll"
  WriteRegStr HKCR "CLSID\${CLSID}\InprocServer32" "ThreadingModel" "Apartment"
!if /FileExists "${BIN}\fh32.dll"
  ClearErrors
  RegDLL "$INSTDIR\fh32.dll"
  IfErrors 0 +2
    DetailPrint "The shell extension could not register itself."
!endif
  WriteRegStr HKCU "${PRODUCT_KEY}\Settings" "TargetDir-FH32" "$INSTDIR"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
!if /FileExists "${BIN}\siteDesk.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Site Manager.lnk" "$INSTDIR\siteDesk.exe" "-fh32"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Options.lnk" "$INSTDIR\siteDesk.exe" "-fh32 -a"
!endif
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Release Notes.lnk" "$INSTDIR\relnotes.html"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\uninstall.exe"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vqTools.dll,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  IfFileExists "$INSTDIR\fh32.dll" 0 +2
    UnRegDLL "$INSTDIR\fh32.dll"
  DeleteRegKey HKCR "CLSID\${CLSID}"
  ; Whatever the extension's registration left for any icon placement.
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop\NameSpace\${CLSID}"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Explorer\MyComputer\NameSpace\${CLSID}"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Explorer\Internet\NameSpace\${CLSID}"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Explorer\NetworkNeighborhood\NameSpace\${CLSID}"

  ; Sites and settings stay unless the user says otherwise (or /REMOVESITES when silent).
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESITES" $R1
  IfErrors 0 removeSites
  MessageBox MB_YESNO|MB_ICONQUESTION "Keep your ${PRODUCT} sites and settings for a later installation?" /SD IDYES IDYES keepSites
removeSites:
  DeleteRegKey HKCU "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKCU "SoftWare\Quillon"
  Goto sitesDone
keepSites:
  DeleteRegValue HKCU "${PRODUCT_KEY}\Settings" "TargetDir-FH32"
sitesDone:

  Delete "$SMPROGRAMS\${PRODUCT}\Site Manager.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Options.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Release Notes.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  Delete "$INSTDIR\vqTools.dll"
  Delete "$INSTDIR\vqEngine.dll"
  Delete "$INSTDIR\vqSMgr.dll"
  Delete "$INSTDIR\fh32.dll"
  Delete "$INSTDIR\siteDesk.exe"
  Delete "$INSTDIR\relnotes.html"
  Delete "$INSTDIR\fh32help.html"
  RMDir /r "$INSTDIR\help"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$PROGRAMFILES64\Quillon"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
