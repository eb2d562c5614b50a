  ; A running Quellon Pro is asked to end first, as its own Exit does (a scan
  ; stops, its settings are kept): WM_CLOSE to its host window, a
  ; message-only window of the class QuellonHostTimers. What still runs
  ; after ten seconds, and a restart companion waiting to start it again,
  ; is ended by force, so that no file of the program folder is in use.
  StrCpy $R1 0
  quellon_end_ask:
    FindWindow $R0 "QuellonHostTimers" "" -3
    IntCmp $R0 0 quellon_end_asked
    SendMessage $R0 16 0 0 /TIMEOUT=2000
    Sleep 250
    IntOp $R1 $R1 + 1
    IntCmp $R1 40 quellon_end_asked quellon_end_ask quellon_end_asked
  quellon_end_asked:
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM AppRestart.exe'
  Pop $R0
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM quellon-pro.exe'
  Pop $R0
