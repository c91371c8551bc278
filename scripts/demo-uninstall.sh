#!/usr/bin/env bash
# Removes the demo install again by running the command of its uninstall entry, as the
# system's list of installed programs would. Without $DISPLAY it adds /S (no questions).
#   scripts/demo-uninstall.sh [--work DIR]      (default build/demo, as scripts/demo.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build/demo
while [ $# -gt 0 ]; do
  case "$1" in
    --work) work=${2:?}; shift 2 ;;
    -h|--help) sed -n '2,4p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo-uninstall: unknown argument $1" >&2; exit 2 ;;
  esac
done
game=Tandrel
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$game"
die() { echo "demo-uninstall: $*" >&2; exit 1; }

[ -f "$work/wineprefix/system.reg" ] || die "no demo prefix in $work; run 'make demo' first"
export WINEPREFIX=$(cd "$work/wineprefix" && pwd)
. "$root/scripts/wine-env.sh"
tandrel_wine_boot
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT

entry=$(wine reg query "$key" /v UninstallString </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p')
[ -n "$entry" ] || die "no uninstall entry $key; nothing to remove"
# "<dir>\uninstall\<name>.exe" "/U:<dir>\uninstall\uninstall.ini"
[[ "$entry" =~ ^\"([^\"]+)\"\ \"([^\"]+)\"$ ]] || die "unexpected UninstallString: $entry"
uninstaller=${BASH_REMATCH[1]}
argument=${BASH_REMATCH[2]}
install_win=${argument#/U:}
install_win=${install_win%uninstall\\uninstall.ini}
install_dir=$(tandrel_unix_path "$install_win")

silent=(/S)
[ -n "${DISPLAY:-}" ] && silent=()
echo "== running $entry ${silent[*]}"
set +e
wine "$uninstaller" "$argument" "${silent[@]}" </dev/null 2>&1 | iconv -f GBK -t UTF-8 2>/dev/null | tr -d '\r' | sed 's/^/   /'
rc=${PIPESTATUS[0]}
set -e
case "$rc" in
  0) ;;
  3) echo "cancelled; nothing was removed"; exit 0 ;;
  *) die "the uninstaller exited with $rc (1: some files stayed, 2: refused)" ;;
esac
# The uninstaller's temp copy removes its original once that has ended.
for _ in $(seq 100); do [ -e "$install_dir" ] || break; sleep 0.1; done

left=0
if [ -e "$install_dir" ]; then echo "   still there: $install_win"; left=1; else echo "   removed: $install_win"; fi
if wine reg query "$key" </dev/null >/dev/null 2>&1; then echo "   still there: $key"; left=1; else echo "   removed: $key"; fi
tandrel_shell_folders
for path in "$desktop/TandrelGame.lnk" "$programs/$game"; do
  shown=$(winepath -w "$path" </dev/null 2>/dev/null | tr -d '\r')
  if [ -e "$path" ]; then echo "   still there: $shown"; left=1; else echo "   removed: $shown"; fi
done
[ "$left" = 0 ] || die "the uninstall left something behind"
echo "uninstalled"
