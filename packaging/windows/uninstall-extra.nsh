  ; The start with Windows goes with the program (a Run value naming a
  ; program that is gone would fail at every logon); the user's data, the
  ; quarantine and the settings stay.
  DeleteRegValue HKCU "Software\Microsoft\Windows\CurrentVersion\Run" "quellon-pro"
  DeleteRegValue HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "quellon-pro"
