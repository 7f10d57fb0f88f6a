#!/usr/bin/env bash
# End to end under Wine: TavrixSetup.exe installs silently; the program then starts from the
# installed folder, once through its start-up value (wineboot runs the Run key like a
# logon) and once through its Start-menu shortcut; the silent uninstaller removes the
# program, its start-up value, its shortcut and its Programs and Features entry, and leaves
# config.ini, log\ and every backup as they were. The installed program carries its icon,
# version and manifest (installer_pe_resources.py).
#   tests/e2e/installer_test.sh build/<dir>/TavrixSetup.exe
# Runs inside tools/with-wine-session (it needs the display), in a copy of the session's
# prefix of its own, so the tests that share the session prefix never see it.
set -euo pipefail

setup=$(realpath "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../cmake/wine-env"
wine_prefix_ready
: "${DISPLAY:?run this test inside tools/with-wine-session}"

template=$WINEPREFIX
work=$(mktemp -d "$TAVRIX_WINE_DIR/installer-test.XXXXXX")
export WINEPREFIX=$work/prefix
wineserver=/usr/lib/wine/wineserver
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

run_key='HKLM\SOFTWARE\Microsoft\windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrix'
shortcut='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Velmora.lnk'
started_line='程序启动。'
timeout_s=30

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

wine_quiet() { "$WINELOADER" "$@" </dev/null >/dev/null 2>&1; }

# Unix path of a Windows path in the prefix: C:\a\b -> $WINEPREFIX/drive_c/a/b
unix_path() {
  local p=${1//\\//}
  echo "$WINEPREFIX/drive_$(tr '[:upper:]' '[:lower:]' <<<"${p:0:1}")${p:2}"
}

# Exports a registry key to a file (UTF-16LE, as `reg export` writes it); fails when the
# key is missing.
reg_export() {
  rm -f "$2"
  wine_quiet reg export "$1" "Z:$2" /y
}

# Prints a value of an exported key (text, or the raw form of other types); fails when the
# value is missing.
reg_get() {
  python3 - "$1" "$2" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-16").read()
unescape = lambda s: re.sub(r"\\(.)", r"\1", s)
for line in text.splitlines():
    m = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
    if m and unescape(m[1]).lower() == sys.argv[2].lower():
        data = m[2]
        print(unescape(data[1:-1]) if data.startswith('"') else data)
        sys.exit(0)
sys.exit(1)
PY
}

reg_value() {
  reg_export "$1" "$work/value.reg" && reg_get "$work/value.reg" "$2"
}

wait_until() {
  local deadline=$((SECONDS + timeout_s))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# Number of start-up lines in the folder's daily logs (written in the ANSI code page, 936).
started_count() {
  local f n=0
  for f in "$1"/log/*.txt; do
    [ -f "$f" ] || continue
    n=$((n + $(iconv -f GBK -t UTF-8 "$f" | grep -c "$started_line" || true)))
  done
  echo $n
}
started_at_least() { [ "$(started_count "$1")" -ge "$2" ]; }

# Wine's tasklist is a stub; wmic lists the processes (in UTF-16).
program_running() {
  "$WINELOADER" wmic process get name 2>/dev/null </dev/null | iconv -f UTF-16 -t UTF-8 |
    grep -qi '^Tavrix\.exe'
}
program_gone() { ! program_running; }

# The program may end by itself or stay in the notification area; either way it is ended.
end_program() {
  wine_quiet taskkill /F /IM Tavrix.exe || true
  wait_until program_gone || fail "Tavrix.exe still running after taskkill"
}

# --- the cases ------------------------------------------------------------------------
# folder given to /D (empty: the default) | expected folder | expected start-up value |
# whether the program is run and leaves data behind
cases=(
  '|C:\Tavrix|C:\Tavrix\Tavrix.exe|yes'
  'C:\Velmora 备份|C:\Velmora 备份|"C:\Velmora 备份\Tavrix.exe"|yes'
  'C:\Tavrix 空|C:\Tavrix 空|"C:\Tavrix 空\Tavrix.exe"|no'
)

# --- a prefix of our own, free of earlier installs ----------------------------------------
cp -a "$template" "$WINEPREFIX"
python3 - "$WINEPREFIX/system.reg" <<'PY'
import sys
# Offline, before our wineserver starts: drop a start-up value and an uninstall entry that
# other runs in the session prefix may have left.
path = sys.argv[1]
lines = open(path, encoding="latin-1").read().split("\n")
out, section = [], ""
for line in lines:
    if line.startswith("["):
        section = line.split("]")[0].lower()
    if section == r"[software\\microsoft\\windows\\currentversion\\uninstall\\tavrix":
        continue
    if section == r"[software\\microsoft\\windows\\currentversion\\run" and line.lower().startswith('"tavrix"='):
        continue
    out.append(line)
open(path, "w", encoding="latin-1").write("\n".join(out))
PY
rm -rf "$WINEPREFIX/drive_c/tempbak" "$(unix_path "$shortcut")"
for case in "${cases[@]}"; do
  IFS='|' read -r _ folder _ _ <<<"$case"
  rm -rf "$(unix_path "$folder")"
done
"$wineserver" -p10 >/dev/null 2>&1 </dev/null
wine_quiet wineboot
! reg_value "$run_key" Tavrix >/dev/null || fail "start-up value present before the install"
! reg_value "$uninstall_key" DisplayName >/dev/null || fail "Programs and Features entry present before the install"

for case in "${cases[@]}"; do
  IFS='|' read -r given folder run_value used <<<"$case"
  dir=$(unix_path "$folder")
  echo "== install into $folder"
  [ ! -e "$dir" ] || fail "$folder exists before the install"

  # NSIS takes /D= unquoted and last, so the command line goes through cmd unchanged.
  cmdline="Z:${setup//\//\\} /S"
  [ -z "$given" ] || cmdline="$cmdline /D=$given"
  wine_quiet cmd /c "$cmdline" || fail "silent install failed"

  for f in Tavrix.exe uninstall.exe; do [ -f "$dir/$f" ] || fail "$folder\\$f not installed"; done
  [ -d "$WINEPREFIX/drive_c/tempbak" ] || fail 'c:\tempbak not created'
  python3 "$here/installer_pe_resources.py" "$dir/Tavrix.exe" "$setup" ||
    fail "icon, version or manifest of the installed program"
  [ -f "$(unix_path "$shortcut")" ] || fail "no Start-menu shortcut"
  [ "$(reg_value "$run_key" Tavrix)" = "$run_value" ] ||
    fail "start-up value is '$(reg_value "$run_key" Tavrix || true)', expected '$run_value'"
  entry=$work/entry.reg
  reg_export "$uninstall_key" "$entry" || fail "no Programs and Features entry"
  for pair in "DisplayName=Velmora" "DisplayVersion=1.2" "Publisher=Hemlow软件" \
              "InstallLocation=$folder" "UninstallString=\"$folder\\uninstall.exe\"" \
              "QuietUninstallString=\"$folder\\uninstall.exe\" /S"; do
    [ "$(reg_get "$entry" "${pair%%=*}")" = "${pair#*=}" ] ||
      fail "Programs and Features entry: ${pair%%=*} is '$(reg_get "$entry" "${pair%%=*}" || true)'"
  done

  declare -A kept=()
  if [ "$used" = yes ]; then
    echo "   start through the start-up value"
    wine_quiet wineboot
    wait_until started_at_least "$dir" 1 || fail "no '$started_line' in $folder\\log after a logon"
    end_program
    echo "   start through the Start-menu shortcut"
    wine_quiet start "$shortcut"
    wait_until started_at_least "$dir" 2 || fail "no second '$started_line' after the shortcut"
    end_program

    # What a user has after a while: saved settings and backups, here and in c:\tempbak.
    printf '[CONFIG]\r\nBACKUP_PATH=%s\\BACKUP\r\nBACKUP_USB=0\r\n' "$folder" >"$dir/config.ini"
    mkdir -p "$dir/BACKUP"
    head -c 4096 /dev/urandom >"$dir/BACKUP/master220609143005.bak"
    head -c 4096 /dev/urandom >"$WINEPREFIX/drive_c/tempbak/master220609143006.bak"
    while IFS= read -r -d '' f; do kept[$f]=$(md5sum <"$f"); done < <(
      find "$dir/config.ini" "$dir/log" "$dir/BACKUP" "$WINEPREFIX/drive_c/tempbak" -type f -print0)
  fi

  echo "== uninstall from $folder"
  # Run what Programs and Features would run for a silent removal: "<uninstaller>" /S
  quiet_uninstall=$(reg_get "$entry" QuietUninstallString)
  [[ $quiet_uninstall =~ ^\"([^\"]+)\"\ (.*)$ ]] || fail "QuietUninstallString '$quiet_uninstall'"
  wine_quiet "${BASH_REMATCH[1]}" ${BASH_REMATCH[2]} || fail "silent uninstall failed"
  # The uninstaller runs on from a copy of itself and removes uninstall.exe last.
  wait_until test ! -e "$dir/uninstall.exe" || fail "uninstall.exe still present"
  wait_until program_gone || true

  [ ! -e "$dir/Tavrix.exe" ] || fail "$folder\\Tavrix.exe not removed"
  [ ! -e "$(unix_path "$shortcut")" ] || fail "Start-menu shortcut not removed"
  ! reg_value "$run_key" Tavrix >/dev/null || fail "start-up value not removed"
  ! reg_value "$uninstall_key" DisplayName >/dev/null || fail "Programs and Features entry not removed"
  if [ "$used" = yes ]; then
    for f in "${!kept[@]}"; do
      [ -f "$f" ] || fail "uninstall removed ${f#"$WINEPREFIX"/}"
      [ "$(md5sum <"$f")" = "${kept[$f]}" ] || fail "uninstall changed ${f#"$WINEPREFIX"/}"
    done
    [ ${#kept[@]} -ge 4 ] || fail "expected config.ini, a log and two backups, kept ${#kept[@]} files"
  else
    wait_until test ! -e "$dir" || fail "empty folder $folder not removed"
  fi
  unset kept
done
echo "installer test passed"
