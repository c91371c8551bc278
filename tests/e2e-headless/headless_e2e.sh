#!/usr/bin/env bash
# One whole install from a real nginx by tandrel-headless.exe under Wine, checked from
# outside: unpacked bytes, package removed, uninstall key, links, uninstall.ini, the
# started client and the posted message sequence. Needs DISPLAY (the client's window).
#   headless_e2e.sh <source root> <windows bin dir> <native bin dir> <setup url> <scratch dir>
set -uo pipefail
root=$1; winbin=$2; nativebin=$3; setup_url=$4; work=$5

game=TandrelHeadlessE2E
exe=TandrelGame.exe
uninst=TandrelE2EUninst.exe
title="泰卓大厅 无头测试"
publisher="泰卓网络"
contact="客服 400-000-0000"
win_dir='C:\TandrelE2E\'
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$game"

export WINEPREFIX=$(cd "$winbin/.." && pwd)/wineprefix
. "$root/scripts/wine-env.sh"
tandrel_wine_boot
port=$(tandrel_port_of_url "$setup_url")
base="http://127.0.0.1:$port"
drive_c=$WINEPREFIX/drive_c
unix_dir=$drive_c/TandrelE2E
unix_of() { tandrel_unix_path "$1"; }
win_env() { tandrel_win_env "$1"; }
tandrel_shell_folders

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
client_pids() { pgrep -if 'TandrelE2E.TandrelGame\.exe' || true; }
cleanup() {
  "$root/scripts/serve-tree.sh" stop "$work/nginx" >/dev/null 2>&1 || true
  for _ in $(seq 50); do [ -z "$(client_pids)" ] && break; sleep 0.1; done
  for pid in $(client_pids); do kill "$pid" 2>/dev/null || true; done
  rm -rf "$unix_dir" "$desktop/TandrelGame.lnk" "$programs/$game"
  wine reg delete "$key" /f </dev/null >/dev/null 2>&1 || true
}
trap cleanup EXIT

[ -x "$nativebin/tandrel-pack" ] || { echo "FAIL: no $nativebin/tandrel-pack (build the native tree)" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no DISPLAY" >&2; exit 1; }
rm -rf "$work"; mkdir -p "$work"
touch "$work/started-at"
cleanup
# The engine keeps its downloads in fgl*.tmp files; the ones of this run go at the end.
temp_dir=$(unix_of "$(win_env TEMP)")
remove_downloads() {
  [ -d "$temp_dir" ] && find "$temp_dir" -maxdepth 1 -name 'fgl*.tmp' -newer "$work/started-at" -delete
}
trap 'cleanup; remove_downloads' EXIT

# 1. The client folder, its package and the update-server tree (texts in GBK).
mkdir -p "$work/client/uninstall" "$work/client/data" "$work/www/update"
cp "$winbin/$exe" "$work/client/$exe"
cp "$winbin/$exe" "$work/client/uninstall/$uninst"
head -c 70000 /dev/urandom > "$work/client/data/Cards.bin"
"$nativebin/tandrel-pack" pack "$work/client" -o "$work/www/update/client.pkg" --top Client >/dev/null \
  || { echo "FAIL: tandrel-pack pack" >&2; exit 1; }
gbk() { iconv -f UTF-8 -t GBK > "$1"; }
printf '[setup]\r\ngamename=%s\r\nexefilename=%s\r\nProductTitle=%s\r\nsize=12\r\nurlAgreement=%s\r\nuninstname=%s\r\nPublisher=%s\r\nContact=%s\r\n[config]\r\n1.0=%s\r\n' \
  "$game" "$exe" "$title" "$base/licence.html" "$uninst" "$publisher" "$contact" "$base/update/list.txt" \
  | gbk "$work/www/update/online_setup.txt"
printf '[list0]\r\naction=3\r\nsrcfile=%s\r\ndestfile=client.pkg\r\ncmd=DEC\r\n' "$base/update/client.pkg" \
  | gbk "$work/www/update/list.txt"

# 2. With nothing listening yet, the driver reports the window's own box and fails.
wine "$winbin/tandrel-headless.exe" 'C:\TandrelE2E' </dev/null >"$work/offline.out" 2>/dev/null
code=$?
offline=$(tr -d '\r' < "$work/offline.out" | iconv -f GBK -t UTF-8)
[ "$code" = 1 ] || fail "offline run exit code $code"
[ "$(tail -n1 <<<"$offline")" = "BOX 退出 无法连接网络" ] || fail "offline run ended with '$(tail -n1 <<<"$offline")'"
grep -q '^BOX 错误 InternetOpenUrl 错误.\\n网址:'"$setup_url"'.\\n错误' <<<"$offline" \
  || fail "offline run: no downloader box in '$offline'"

# 3. Serve it and install.
"$root/scripts/serve-tree.sh" start "$work/www" "$port" "$work/nginx" >/dev/null \
  || { echo "FAIL: nginx did not start" >&2; exit 1; }
TANDREL_CLIENT_EXIT_AFTER_MS=1500 wine "$winbin/tandrel-headless.exe" "${win_dir%\\}" \
  </dev/null >"$work/headless.out" 2>"$work/headless.err"
code=$?
iconv -f GBK -t UTF-8 "$work/headless.out" > "$work/headless.txt" 2>/dev/null || cp "$work/headless.out" "$work/headless.txt"
[ "$code" = 0 ] || fail "tandrel-headless exit code $code: $(cat "$work/headless.txt")"
grep '^BOX ' "$work/headless.txt" && fail "an error box was shown"

# 4. The messages, with each run of progress values written as P<first>..<last>.
outline=$(tr -d '\r' < "$work/headless.txt" | awk '
  $1 == "S" { if (run) { printf "%s ", run; run = "" } printf "S%s ", $2; next }
  $1 == "P" { if (!run) { first = $2; run = "P" $2 } else run = "P" first ".." $2 }
  END { if (run) printf "%s ", run }' | sed 's/ $//')
want="S2 S2 P0..100 S4 P0..100 S6 P0..100 S7 S6"
[ "$outline" = "$want" ] || fail "messages: '$outline', want '$want'"

# 5. Files, with the top folder dropped and names lower-cased; the package is gone.
cmp -s "$work/client/$exe" "$unix_dir/tandrelgame.exe" || fail "tandrelgame.exe differs"
cmp -s "$work/client/data/Cards.bin" "$unix_dir/data/cards.bin" || fail "data/cards.bin differs"
cmp -s "$work/client/uninstall/$uninst" "$unix_dir/uninstall/tandrele2euninst.exe" || fail "uninstaller differs"
[ -e "$unix_dir/client.pkg" ] && fail "the package file is still there"

# 6. The uninstall entry.
wine reg query "$key" </dev/null 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8 > "$work/reg.txt" 2>/dev/null
reg_value() { awk -v n="$1" '$1 == n { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print; exit }' "$work/reg.txt"; }
check_reg() {
  local got; got=$(reg_value "$1")
  [ "$got" = "$2" ] || fail "registry $1: '$got', want '$2'"
}
check_reg DisplayName "$game"
check_reg NoModify 0x1
check_reg NoRepair 0x1
check_reg UninstallString "\"${win_dir}uninstall\\$uninst\" \"/U:${win_dir}uninstall\\uninstall.ini\""
check_reg Publisher "$publisher"
check_reg Contact "$contact"
check_reg DisplayIcon "\"${win_dir}uninstall\\$uninst\""

# 7. The links: desktop, and the program group with the client and its uninstaller.
check_link() {
  # A Wine start can fail now and then on a loaded machine; a missing link stays empty.
  local got="" try
  for try in 1 2 3; do
    got=$(wine "$winbin/tandrel-lnk-read.exe" "$1" "$2" </dev/null 2>>"$work/lnk-read.err" | tr -d '\r' | iconv -f GBK -t UTF-8)
    [ -n "$got" ] && break
    echo "reader attempt $try for $1 $2 gave nothing" >>"$work/lnk-read.err"
  done
  local want; want=$(printf 'target=%s\nworkdir=%s' "$3" "$4")
  [ "$got" = "$want" ] || fail "link $1 $2: '$got', want '$want' ($(tail -n3 "$work/lnk-read.err" 2>/dev/null))"
}
check_link desktop TandrelGame "${win_dir}$exe" "${win_dir%\\}"
check_link programs "$game\\TandrelGame" "${win_dir}$exe" "${win_dir%\\}"
check_link programs "$game\\TandrelGame卸载" "${win_dir}uninstall\\$uninst" "${win_dir}uninstall"

# 8. The uninstaller's settings.
ini=$(tr -d '\r' < "$unix_dir/uninstall/uninstall.ini" 2>/dev/null | iconv -f GBK -t UTF-8)
ini_value() { sed -n "s/^$1=//p" <<<"$ini"; }
[ "$(sed -n 1p <<<"$ini")" = "[config]" ] || fail "uninstall.ini: no [config] first: '$ini'"
[ "$(ini_value setupdir)" = "$win_dir" ] || fail "setupdir: '$(ini_value setupdir)'"
[ "$(ini_value gamename)" = "$game" ] || fail "gamename: '$(ini_value gamename)'"
[ "$(ini_value shortcutname)" = "TandrelGame" ] || fail "shortcutname: '$(ini_value shortcutname)'"
[ "$(ini_value ProductTitle)" = "$title" ] || fail "ProductTitle: '$(ini_value ProductTitle)'"

# 9. The client started in the install folder.
for _ in $(seq 100); do [ -s "$unix_dir/started.txt" ] && break; sleep 0.1; done
cwd=$(tr -d '\r' < "$unix_dir/started.txt" 2>/dev/null | sed -n 's/^cwd=//p')
[ "$cwd" = "${win_dir%\\}" ] || fail "client started in '$cwd', want '${win_dir%\\}'"

if [ "$failures" -ne 0 ]; then
  echo "headless output:" >&2; cat "$work/headless.txt" >&2
  exit 1
fi
echo "headless install end to end: ok"
