#!/bin/sh
# Runs inside the harness's Wine session (tools/with-wine-session): imports the harness's
# registry file (provider aliases, a removable drive's type), points the removable drive at
# its folder, then runs the command.
#   TDS_HARNESS_REG=file.reg [TDS_HARNESS_REMOVABLE=e=/folder] inside_wine_session.sh COMMAND...
set -eu
"$WINELOADER" reg import "$TDS_HARNESS_REG" >/dev/null 2>&1
if [ -n "${TDS_HARNESS_REMOVABLE:-}" ]; then
  letter=${TDS_HARNESS_REMOVABLE%%=*}
  folder=${TDS_HARNESS_REMOVABLE#*=}
  ln -sfn "$folder" "$WINEPREFIX/dosdevices/$letter:"
  # mountmgr reads the drive types when the server starts: start it again.
  /usr/lib/wine/wineserver -k
  /usr/lib/wine/wineserver -w
  /usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
  "$WINELOADER" wineboot >/dev/null 2>&1 </dev/null
fi
exec "$@"
