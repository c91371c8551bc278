# Sourced: the environment every Wine run of this project uses, and a warm prefix.
# WINEPREFIX may be set by the caller; otherwise the prefix lives in the build tree
# of the program being run (build/<tree>/wineprefix), else in build/win/wineprefix.
tandrel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${WINEPREFIX:-}" ]; then
  case "${1:-}" in
    */bin/*.exe) WINEPREFIX=$(cd "$(dirname "$1")/.." && pwd)/wineprefix ;;
    *) WINEPREFIX=$tandrel_root/build/win/wineprefix ;;
  esac
fi
export WINEPREFIX
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Chinese ANSI code page (936) needs both variables and a generated locale.
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8

# Creates the prefix once and keeps one persistent wineserver for it. Wine's helper
# processes inherit the standard handles of the first Wine process, so that process
# must not be a test whose output someone waits on.
tandrel_wine_boot() {
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 || true
  fi
  # Fails harmlessly when the prefix's server is already up; callers may run with -e.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
  # Wine links the desktop to the Unix home folder, which every prefix on the machine
  # shares: links made by one prefix's run would show up in, and race with, another's.
  local d
  for d in "$WINEPREFIX/drive_c/users"/*/Desktop; do
    if [ -L "$d" ]; then rm -f "$d" && mkdir -p "$d"; fi
  done
}

# Helpers for the scripts that check an install from outside.
tandrel_unix_path() { winepath -u "$1" </dev/null 2>/dev/null | tr -d '\r'; }
tandrel_win_env() { wine cmd /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r'; }
# Sets desktop and programs to the Unix paths of the prefix's shell folders.
tandrel_shell_folders() {
  desktop=$(tandrel_unix_path "$(tandrel_win_env USERPROFILE)\\Desktop")
  programs=$(tandrel_unix_path "$(tandrel_win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
}
# The port of an http://host:port/ address, 80 when it names none.
tandrel_port_of_url() {
  local port
  port=$(sed -E -n 's#^https?://[^/:]+:([0-9]+)(/.*)?$#\1#p' <<<"$1")
  echo "${port:-80}"
}
# Starts Xvfb on the given display and exports DISPLAY; sets xvfb_pid.
tandrel_start_xvfb() {
  local display=$1
  if [ -e "/tmp/.X${display#:}-lock" ]; then
    echo "display $display is taken (another Xvfb?); pick another one" >&2
    return 1
  fi
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  local _
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && return 0; sleep 0.1; done
  echo "Xvfb did not start on $display" >&2
  return 1
}
