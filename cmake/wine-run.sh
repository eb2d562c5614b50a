#!/bin/sh
# Runs a test program under Wine for ctest: EMULATOR PROGRAM ARGS...
# The program's output goes through a file, so that Wine's background
# processes (services, device drivers), which take over the handles of the
# program that started them, never hold ctest's pipe open.
log="$(mktemp)"
"$@" </dev/null >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit $status
