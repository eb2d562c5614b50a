  ; The Start-menu entries besides "Uninstall": a scan of this machine in a
  ; console window that stays open, and the help file when it is installed.
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Quellon Pro Scan.lnk" "$SYSDIR\cmd.exe" '/k ""$INSTDIR\quellon-cli.exe" scan"' "$INSTDIR\quellon-pro.ico" 0
  IfFileExists "$INSTDIR\Help.chm" 0 +2
    CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Quellon Pro Help.lnk" "$INSTDIR\Help.chm"
