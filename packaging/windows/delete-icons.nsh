  Delete "$SMPROGRAMS\$MUI_TEMP\Quellon Pro.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\Quellon Pro Scan.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\Quellon Pro Help.lnk"
  Delete "$DESKTOP\Quellon Pro.lnk"
