  ; The program itself: the Start-menu entry and the desktop shortcut start
  ; the window program.
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Quellon Pro.lnk" "$INSTDIR\quellon-pro.exe" "" "$INSTDIR\quellon-pro.exe" 0
  CreateShortCut "$DESKTOP\Quellon Pro.lnk" "$INSTDIR\quellon-pro.exe" "" "$INSTDIR\quellon-pro.exe" 0
  ; The Start-menu entries besides "Uninstall": a scan of this machine in a
  ; console window that stays open, and the help (Help.chm when it is
  ; installed, else the page Help.html).
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Quellon Pro Scan.lnk" "$SYSDIR\cmd.exe" '/k ""$INSTDIR\quellon-cli.exe" scan"' "$INSTDIR\quellon-pro.ico" 0
  IfFileExists "$INSTDIR\Help.chm" 0 quellon_no_chm
    CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Quellon Pro Help.lnk" "$INSTDIR\Help.chm"
    Goto quellon_help_done
  quellon_no_chm:
  IfFileExists "$INSTDIR\Help.html" 0 quellon_help_done
    CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Quellon Pro Help.lnk" "$INSTDIR\Help.html"
  quellon_help_done:
