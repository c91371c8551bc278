#!/usr/bin/env bash
# The real TandrelSetup.exe under Wine on a private Xvfb, against nginx serving a tree
# published with the native tandrel-pack: clicked through its pages with xdotool,
# installing and starting the client; then a second instance and an unreachable
# server. Screenshots of each page are kept in <scratch dir>/screenshots.
#   window_e2e.sh <source root> <windows bin dir> <native bin dir> <setup url> <scratch dir> <display>
set -Eeuo pipefail
root=$1; winbin=$2; nativebin=$3; setup_url=$4; work=$5; display=$6

game=TandrelWinE2E
uninst=TandrelWinUninst.exe
main_title="Tandrel在线安装"
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
shots=$work/screenshots

# Places on the window of the buttons we press (centres of their skins).
custom_xy=(393 295); back_xy=(411 295); install_xy=(229 236); close_xy=(430 27)

export WINEPREFIX=$(cd "$winbin/.." && pwd)/wineprefix
. "$root/scripts/wine-env.sh"
port=$(tandrel_port_of_url "$setup_url")
xvfb_pid=""
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
tandrel_start_xvfb "$display" || { echo "FAIL: no X display" >&2; exit 1; }
tandrel_wine_boot
drive_c=$WINEPREFIX/drive_c
install_dir="$drive_c/Program Files/$game"
tandrel_shell_folders

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
client_pids() { pgrep -f "$game.TandrelGame\.exe" || true; }
cleanup() {
  "$root/scripts/serve-tree.sh" stop "$work/nginx" || true
  # Installers of this script that still run (not yet reaped, so the PIDs are theirs).
  for pid in $(jobs -pr); do [ "$pid" = "$xvfb_pid" ] || kill "$pid" 2>/dev/null || true; done
  for pid in $(client_pids); do kill "$pid" 2>/dev/null || true; done
  rm -rf "$install_dir" "$desktop/TandrelGame.lnk" "$programs/$game"
  wine reg delete "$key\\$game" /f </dev/null >/dev/null 2>&1 || true
}
stop_all() {
  cleanup
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap stop_all EXIT

# Runs the installer in the background; its PID goes to $last_pid.
start_setup() {
  TANDREL_CLIENT_EXIT_AFTER_MS=20000 wine "$winbin/TandrelSetup.exe" </dev/null >>"$work/setup.log" 2>&1 &
  last_pid=$!
}
# Prints the id of the first shown window whose title matches, within the timeout.
wait_window() {
  local pattern=$1 seconds=$2 id
  for _ in $(seq $((seconds * 10))); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
# Exit code of a background process, or 124 when it outlives the timeout.
wait_exit() {
  local pid=$1 seconds=$2
  for _ in $(seq $((seconds * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      set +e; wait "$pid"; local rc=$?; set -e
      return "$rc"
    fi
    sleep 0.1
  done
  return 124
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# Screenshot of the whole screen, cropped to the window.
shoot() {
  local id=$1 name=$2 geometry X Y WIDTH HEIGHT SCREEN WINDOW
  geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null) || return 1
  eval "$geometry"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$name.png" 2>/dev/null
}
# Pixels that differ between two screenshots.
differ() { compare -metric AE "$1" "$2" null: 2>&1 || true; }

rm -rf "$work"; mkdir -p "$work" "$shots"
cleanup

# 1. Publish and serve: the sample client, the uninstaller, and enough data that the
# progress page stays up while it downloads and unpacks.
mkdir -p "$work/client/uninstall"
cp "$winbin/TandrelGame.exe" "$work/client/"
cp "$winbin/TandrelUninstall.exe" "$work/client/uninstall/$uninst"
head -c 16000000 /dev/urandom >"$work/client/data.bin"
"$nativebin/tandrel-pack" publish "$work/client" -o "$work/www" --base-url "http://127.0.0.1:$port" \
  --game "$game" --exe TandrelGame.exe --title "Tandrel 窗口测试" \
  --licence "http://127.0.0.1:$port/licence.html" --uninst "$uninst" \
  --publisher "Tandrel 测试" --contact "test@example.invalid" >"$work/publish.log"
"$root/scripts/serve-tree.sh" start "$work/www" "$port" "$work/nginx" >/dev/null

# 2. Through the pages, then install.
start_setup
setup=$last_pid
main=$(wait_window "^$main_title\$" 60) || { cat "$work/setup.log"; echo "FAIL: no installer window" >&2; exit 1; }
sleep 0.5
shoot "$main" welcome
click "$main" "${custom_xy[@]}"; sleep 0.7
shoot "$main" directory
click "$main" "${back_xy[@]}"; sleep 0.7
shoot "$main" welcome-again
[ "$(differ "$shots/welcome.png" "$shots/directory.png")" -gt 5000 ] || fail "custom install did not change the page"
[ "$(differ "$shots/welcome.png" "$shots/welcome-again.png")" -lt 500 ] || fail "back did not return to the welcome page"

click "$main" "${install_xy[@]}"; sleep 0.3
shoot "$main" progress || true
# A few more while the bar moves; the install may already be over by then.
for n in 2 3 4; do
  sleep 0.3
  shown "^$main_title\$" || break
  shoot "$main" "progress-$n" || true
done
[ "$(differ "$shots/welcome.png" "$shots/progress.png")" -gt 5000 ] || fail "install did not show the progress page"
set +e; wait_exit "$setup" 90; rc=$?; set -e
[ "$rc" = 0 ] || fail "the installer ended with $rc"
for _ in $(seq 100); do [ -f "$install_dir/started.txt" ] && break; sleep 0.1; done
[ -f "$install_dir/started.txt" ] || fail "the client did not start (no started.txt)"
[ -f "$install_dir/data.bin" ] && cmp -s "$install_dir/data.bin" "$work/client/data.bin" || fail "data.bin not installed intact"
[ -f "$install_dir/uninstall/uninstall.ini" ] || fail "no uninstall.ini"
[ -f "$desktop/TandrelGame.lnk" ] || fail "no desktop link"
wine reg query "$key\\$game" </dev/null >/dev/null 2>&1 || fail "no uninstall entry"
shown "^$main_title\$" && fail "the installer window is still shown after the install"

# 3. A second instance only says so; the first is not disturbed.
start_setup
first=$last_pid
main=$(wait_window "^$main_title\$" 60) || fail "the first instance shows no window"
start_setup
second=$last_pid
if box=$(wait_window "^提示\$" 30); then
  shoot "$box" already-running
  xdotool key --window "$box" Return
else
  fail "no \"应用程序已经在运行！\" box"
fi
set +e; wait_exit "$second" 20; rc=$?; set -e
[ "$rc" = 0 ] || fail "the second instance ended with $rc"
[ "$(xdotool search --onlyvisible --name "^$main_title\$" 2>/dev/null | wc -l)" = 1 ] || fail "not exactly one installer window"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"
click "$main" "${close_xy[@]}"
set +e; wait_exit "$first" 20; rc=$?; set -e
[ "$rc" = 0 ] || fail "closing the first instance ended with $rc"

# 4. No server: the downloader's box, then "无法连接网络", and never a window.
"$root/scripts/serve-tree.sh" stop "$work/nginx"
start_setup
offline=$last_pid
seen_main=0
for caption in "错误" "退出"; do
  box=""
  for _ in $(seq 300); do
    shown "^$main_title\$" && seen_main=1
    box=$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -1 || true)
    [ -n "$box" ] && break
    sleep 0.1
  done
  if [ -z "$box" ]; then fail "no box \"$caption\""; continue; fi
  [ "$caption" = "退出" ] && shoot "$box" no-network
  xdotool key --window "$box" Return
  sleep 0.3
done
set +e; wait_exit "$offline" 20; rc=$?; set -e
[ "$rc" = 0 ] || fail "without a server the installer ended with $rc"
[ "$seen_main" = 0 ] || fail "the installer window showed without a server"

[ "$failures" = 0 ] || { cat "$work/setup.log" >&2; exit 1; }
echo "window end to end passed; screenshots in $shots"
