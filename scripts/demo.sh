#!/usr/bin/env bash
# The demo: publishes the sample client into a web root, serves it with nginx and installs
# it with the real TandrelSetup.exe under Wine. With $DISPLAY set you click through
# yourself; without one the script starts Xvfb, clicks through with xdotool and keeps a
# screenshot of each page. It ends by showing what was installed where.
#
#   scripts/demo.sh [--port N] [--display :N] [--work DIR] [--win-bin DIR] [--native-bin DIR]
#
#   --port        port of the installer's built-in address (default 18080, as in build/win)
#   --display     Xvfb display used when $DISPLAY is unset (default :90)
#   --work        demo state: www/, nginx/, wineprefix/, screenshots (default build/demo)
#   --win-bin     TandrelSetup.exe, TandrelGame.exe, TandrelUninstall.exe (default build/win/bin)
#   --native-bin  tandrel-pack (default build/native/bin)
# scripts/demo-uninstall.sh removes the install again (make demo-uninstall).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
port=18080
display=:90
work=$root/build/demo
winbin=$root/build/win/bin
nativebin=$root/build/native/bin
while [ $# -gt 0 ]; do
  case "$1" in
    --port) port=${2:?}; shift 2 ;;
    --display) display=${2:?}; shift 2 ;;
    --work) work=${2:?}; shift 2 ;;
    --win-bin) winbin=${2:?}; shift 2 ;;
    --native-bin) nativebin=${2:?}; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo: unknown argument $1" >&2; exit 2 ;;
  esac
done

game=Tandrel
exe=TandrelGame.exe
uninst=TandrelUninstall.exe
title="Tandrel 游戏大厅"
window_title="Tandrel在线安装"
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$game"
# Client coordinates of the installer's controls: custom link, back link, install button.
custom_xy=(393 295)
back_xy=(411 295)
install_xy=(229 236)

die() { echo "demo: $*" >&2; exit 1; }
for f in TandrelSetup.exe "$exe" "$uninst"; do
  [ -f "$winbin/$f" ] || die "$winbin/$f is missing; run 'make win' first"
done
[ -x "$nativebin/tandrel-pack" ] || die "$nativebin/tandrel-pack is missing; run 'make native' first"
for tool in nginx wine Xvfb xdotool import; do
  command -v "$tool" >/dev/null || die "$tool is missing; run 'make deps'"
done
mkdir -p "$work"
work=$(cd "$work" && pwd)

headless=1
[ -n "${DISPLAY:-}" ] && headless=0
xvfb_pid=""
setup_pid=""
cleanup() {
  [ -n "$setup_pid" ] && kill "$setup_pid" 2>/dev/null || true
  "$root/scripts/serve-tree.sh" stop "$work/nginx" || true
  # The prefix's persistent server and whatever still runs in it (the client) end here.
  [ -n "${WINEPREFIX:-}" ] && wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# 1. The client folder: the sample client, the uninstaller and some data.
echo "== publishing the sample client"
rm -rf "$work/client" "$work/www" "$work"/*.png
mkdir -p "$work/client/uninstall"
cp "$winbin/$exe" "$work/client/"
cp "$winbin/$uninst" "$work/client/uninstall/"
[ -d "$root/tools/pack/sample" ] && cp -r "$root/tools/pack/sample/." "$work/client/"
"$nativebin/tandrel-pack" publish "$work/client" -o "$work/www" \
  --base-url "http://127.0.0.1:$port" --game "$game" --exe "$exe" --title "$title" \
  --licence "http://127.0.0.1:$port/licence.html" --uninst "$uninst" \
  --publisher "Tandrel 游戏" --contact "客服邮箱 support@tandrel.example" --version demo
cp "$root/docs/licence.html" "$work/www/licence.html"
echo
echo "== the package, as the installer will unpack it"
"$nativebin/tandrel-pack" list "$work"/www/update/*.pkg | sed 's/^/   /'

# 2. The update server.
echo
echo "== serving $work/www"
"$root/scripts/serve-tree.sh" start "$work/www" "$port" "$work/nginx"

# 3. A display, then Wine.
export WINEPREFIX=$work/wineprefix
. "$root/scripts/wine-env.sh"
if [ "$headless" = 1 ]; then
  tandrel_start_xvfb "$display" || die "no X display; pass another --display"
  # The client closes itself after its screenshot.
  export TANDREL_CLIENT_EXIT_AFTER_MS=6000
fi
echo
echo "== preparing the Wine prefix $WINEPREFIX"
tandrel_wine_boot
drive_c=$WINEPREFIX/drive_c
win_env() { tandrel_win_env "$1"; }
unix_of() { tandrel_unix_path "$1"; }

wait_window() {  # name, seconds -> id of the mapped window of that title
  local i id WIDTH HEIGHT X Y WINDOW SCREEN
  for ((i = 0; i < $2 * 10; i++)); do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)"
      # Wine keeps a 1x1 stand-in until the window is shown.
      if [ "${WIDTH:-0}" -gt 1 ] && [ "${HEIGHT:-0}" -gt 1 ]; then echo "$id"; return 0; fi
    done
    sleep 0.1
  done
  return 1
}
shot() {  # window id, file
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/$2"
  echo "   screenshot $work/$2"
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

# 4. The installer.
echo
if [ "$headless" = 0 ]; then
  echo "== running TandrelSetup.exe on $DISPLAY: click through it"
  wine "$winbin/TandrelSetup.exe" </dev/null >/dev/null 2>&1 || true
else
  echo "== running TandrelSetup.exe on Xvfb $display"
  wine "$winbin/TandrelSetup.exe" </dev/null >/dev/null 2>&1 &
  setup_pid=$!
  wid=$(wait_window "$window_title" 60) || die "the installer window did not appear"
  sleep 1
  shot "$wid" welcome.png
  click "$wid" "${custom_xy[@]}"; sleep 1
  shot "$wid" directory.png
  click "$wid" "${back_xy[@]}"; sleep 0.5
  click "$wid" "${install_xy[@]}"; sleep 0.4
  if xdotool getwindowname "$wid" >/dev/null 2>&1; then shot "$wid" progress.png; fi
  client=$(wait_window "$title" 60) || die "the game client did not start"
  sleep 1.5
  shot "$client" done.png
  wait "$setup_pid" || true
  setup_pid=""
  for _ in $(seq 150); do xdotool search --name "^$title\$" >/dev/null 2>&1 || break; sleep 0.1; done
fi

# 5. What is where.
install_win="$(win_env ProgramFiles)\\$game\\"
install_dir=$(unix_of "$install_win")
tandrel_shell_folders
echo
# The installer lower-cases the names it unpacks.
[ -n "$(find "$install_dir" -maxdepth 1 -iname "$exe" 2>/dev/null)" ] || die "nothing was installed into $install_win"
echo "== installed into $install_win"
(cd "$install_dir" && find . -type f | LC_ALL=C sort | while read -r f; do
  rel=${f#./}; printf "   file  %s  (%s bytes)\n" "${rel//\//\\}" "$(stat -c %s "$f")"
done)
echo "== shortcuts"
for link in "$desktop/${exe%.*}.lnk" "$programs/$game"/*.lnk; do
  [ -f "$link" ] && echo "   link  $(winepath -w "$link" </dev/null 2>/dev/null | tr -d '\r')"
done
echo "== uninstall entry $key"
wine reg query "$key" </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' | sed -n 's/^ *\([A-Za-z]*\) *\(REG_[A-Z_]*\) *\(.*\)/   \1 = \3/p'
if [ -f "$install_dir/started.txt" ]; then
  echo "== the client was started"
  iconv -f GBK -t UTF-8 "$install_dir/started.txt" 2>/dev/null | tr -d '\r' | sed 's/^/   /'
fi
if [ "$headless" = 1 ]; then
  echo "== screenshots in $work: $(cd "$work" && ls *.png | tr '\n' ' ')"
fi
echo
echo "To uninstall: make demo-uninstall"
if [ "$headless" = 0 ] && xdotool search --name "^$title\$" >/dev/null 2>&1; then
  echo "(the game client is running; close its window to end the demo)"
  while xdotool search --name "^$title\$" >/dev/null 2>&1; do sleep 1; done
fi
