#!/usr/bin/env bash
# Publish -> serve -> install -> uninstall, end to end under Wine:
# the sample client and the real uninstaller are published with the native tandrel-pack,
# served by nginx, installed by tandrel-headless.exe, then removed by the uninstall
# entry's own command line plus /S. Hostile uninstall.ini files must remove nothing.
#   uninstall_e2e.sh <source root> <windows bin dir> <native bin dir> <setup url> <scratch dir> <display>
set -euo pipefail
root=$1; winbin=$2; nativebin=$3; setup_url=$4; work=$5; display=$6

game=TandrelPubE2E
# The install folder has Chinese in its name: the uninstaller reads it from a GBK ini.
dir="TandrelPubE2E 坦德尔"
hostile_game=TandrelHostileE2E
uninst=TandrelPubUninst.exe
title="Tandrel 卸载测试"
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"

# Wine creates windows (the headless driver's own, the client's) only with a display.
export WINEPREFIX=$(cd "$winbin/.." && pwd)/wineprefix
. "$root/scripts/wine-env.sh"
port=$(tandrel_port_of_url "$setup_url")
xvfb_pid=""
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
tandrel_start_xvfb "$display" || { echo "FAIL: no X display" >&2; exit 1; }
tandrel_wine_boot
drive_c=$WINEPREFIX/drive_c
unix_of() { tandrel_unix_path "$1"; }
tandrel_shell_folders

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
client_pids() { pgrep -f 'TandrelPubE2E .*TandrelGame\.exe' || true; }
cleanup() {
  "$root/scripts/serve-tree.sh" stop "$work/nginx" || true
  for pid in $(client_pids); do kill "$pid" 2>/dev/null || true; done
  rm -rf "$drive_c/$dir" "$drive_c/$dir-outside" "$drive_c/$dir.txt" "$drive_c/TandrelHostile" \
         "$drive_c/TandrelGame.exe" "$desktop/TandrelGame.lnk" "$programs/$game" "$programs/$hostile_game"
  wine reg delete "$key\\$game" /f </dev/null >/dev/null 2>&1 || true
  wine reg delete "$key\\$hostile_game" /f </dev/null >/dev/null 2>&1 || true
}
stop_all() {
  cleanup
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap stop_all EXIT
rm -rf "$work"; mkdir -p "$work"
cleanup

# 1. Publish and serve.
mkdir -p "$work/client/uninstall"
cp "$winbin/TandrelGame.exe" "$work/client/"
cp "$winbin/TandrelUninstall.exe" "$work/client/uninstall/$uninst"
"$nativebin/tandrel-pack" publish "$work/client" -o "$work/www" --base-url "http://127.0.0.1:$port" \
  --game "$game" --exe TandrelGame.exe --title "$title" --licence "http://127.0.0.1:$port/licence.html" \
  --uninst "$uninst" --publisher "Tandrel 测试" --contact "test@example.invalid" >"$work/publish.log"
"$root/scripts/serve-tree.sh" start "$work/www" "$port" "$work/nginx" >/dev/null

# 2. Install. The client stays up so the uninstaller has to close it.
TANDREL_CLIENT_EXIT_AFTER_MS=120000 wine "$winbin/tandrel-headless.exe" "C:\\$dir\\" </dev/null >"$work/headless.log" 2>&1 \
  || { cat "$work/headless.log"; echo "FAIL: the install did not complete" >&2; exit 1; }
for _ in $(seq 100); do [ -f "$drive_c/$dir/started.txt" ] && break; sleep 0.1; done
[ -n "$(client_pids)" ] || fail "the installed client is not running"
[ -f "$desktop/TandrelGame.lnk" ] || fail "install made no desktop link"
[ -d "$programs/$game" ] || fail "install made no program group"

entry=$(wine reg query "$key\\$game" /v UninstallString </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p')
[[ "$entry" =~ ^\"([^\"]+)\"\ \"([^\"]+)\"$ ]] || { echo "FAIL: unexpected UninstallString: $entry" >&2; exit 1; }
uninstaller=${BASH_REMATCH[1]}
ini_arg=${BASH_REMATCH[2]}
[ "$ini_arg" = "/U:C:\\$dir\\uninstall\\uninstall.ini" ] || fail "UninstallString argument: $ini_arg"

mkdir -p "$drive_c/$dir-outside"
echo keep > "$drive_c/$dir-outside/keep.txt"
echo keep > "$drive_c/$dir.txt"

# 3. Uninstall with the entry's own command line.
set +e
wine "$uninstaller" "$ini_arg" /S </dev/null >"$work/uninstall.log" 2>&1; rc=$?
set -e
[ "$rc" = 0 ] || fail "uninstall exited $rc: $(cat "$work/uninstall.log")"
# The temp copy removes the uninstaller itself once the original has ended.
for _ in $(seq 300); do [ -e "$drive_c/$dir" ] || break; sleep 0.1; done
[ -e "$drive_c/$dir" ] && fail "install folder still there: $(find "$drive_c/$dir")"
[ -e "$desktop/TandrelGame.lnk" ] && fail "desktop link still there"
[ -e "$programs/$game" ] && fail "program group still there"
wine reg query "$key\\$game" </dev/null >/dev/null 2>&1 && fail "uninstall key still there"
[ -n "$(client_pids)" ] && fail "the running client was not closed"
[ -f "$drive_c/$dir-outside/keep.txt" ] || fail "a folder beside the install folder was touched"
[ -f "$drive_c/$dir.txt" ] || fail "a file beside the install folder was touched"

# 4. Hostile uninstall.ini files: refused with exit 2, nothing removed. The program file
# and the registry key exist, so only the folder checks stand in the way.
mkdir -p "$drive_c/TandrelHostile/uninstall"
echo data > "$drive_c/TandrelHostile/data.txt"
cp "$winbin/TandrelGame.exe" "$drive_c/TandrelGame.exe"
wine reg add "$key\\$hostile_game" /v DisplayName /d x /f </dev/null >/dev/null 2>&1
mkdir -p "$programs/$hostile_game"
hostile_ini="$drive_c/TandrelHostile/uninstall/uninstall.ini"
while IFS='|' read -r label setupdir shortcut; do
  printf '[config]\r\nsetupdir=%s\r\ngamename=%s\r\nshortcutname=%s\r\nProductTitle=nothing\r\n' \
    "$setupdir" "$hostile_game" "$shortcut" > "$hostile_ini"
  set +e
  wine "$winbin/TandrelUninstall.exe" "/U:C:\\TandrelHostile\\uninstall\\uninstall.ini" /S </dev/null >/dev/null 2>&1; rc=$?
  set -e
  [ "$rc" = 2 ] || fail "$label: exit $rc, wanted 2"
done <<'CASES'
drive root|C:\|TandrelGame
drive root by climbing|C:\TandrelHostile\..\|TandrelGame
windows folder|C:\windows|notepad
system folder|C:\windows\system32|notepad
relative folder|TandrelHostile|TandrelGame
folder without the program|C:\TandrelHostile\|TandrelGame
CASES
set +e
wine "$winbin/TandrelUninstall.exe" "/U:C:\\TandrelHostile\\missing.ini" /S </dev/null >/dev/null 2>&1; rc=$?
# A relative /U: path means the folder the uninstaller was started in: the ini is
# found, and the refusal is about the folder it names.
reason=$(cd "$drive_c/TandrelHostile" && wine "$winbin/TandrelUninstall.exe" "/U:uninstall\\uninstall.ini" /S </dev/null 2>&1 | iconv -f GBK -t UTF-8)
set -e
[ "$rc" = 2 ] || fail "missing ini: exit $rc, wanted 2"
[[ "$reason" == *找不到游戏程序* ]] || fail "a relative ini path was not read: $reason"
[ -f "$drive_c/TandrelGame.exe" ] || fail "a file in the drive root was removed"
[ -f "$drive_c/windows/notepad.exe" ] || fail "the Windows folder was touched"
[ -f "$drive_c/TandrelHostile/data.txt" ] || fail "a folder without the program was emptied"
[ -f "$hostile_ini" ] || fail "the hostile ini was removed"
[ -d "$programs/$hostile_game" ] || fail "a refused uninstall removed a program group"
wine reg query "$key\\$hostile_game" </dev/null >/dev/null 2>&1 || fail "a refused uninstall removed the key"

[ "$failures" = 0 ] || exit 1
echo "uninstall end to end passed"
