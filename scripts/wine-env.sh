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
    wineboot -i </dev/null >/dev/null 2>&1
  fi
  wineserver -p </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
}
