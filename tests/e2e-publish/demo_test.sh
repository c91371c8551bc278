#!/usr/bin/env bash
# The demo without a display, on this tree's port: it must click through the real
# installer, report what it installed, keep its screenshots and stop its servers;
# then demo-uninstall must remove it all again.
#   demo_test.sh <source root> <windows bin dir> <native bin dir> <setup url> <scratch dir> <display>
set -euo pipefail
root=$1; winbin=$2; nativebin=$3; setup_url=$4; work=$5; display=$6
. "$root/scripts/wine-env.sh"
port=$(tandrel_port_of_url "$setup_url")
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

set +e
env -u DISPLAY "$root/scripts/demo.sh" --port "$port" --display "$display" --work "$work" \
  --win-bin "$winbin" --native-bin "$nativebin" >"$work/demo.log" 2>&1
rc=$?
set -e
cat "$work/demo.log"
[ "$rc" = 0 ] || fail "demo exited $rc"

expect() {  # label, extended regex that some line of the demo's summary must match
  grep -Eq -- "$2" "$work/demo.log" || fail "demo summary lacks $1"
}
expect "the install folder" '^== installed into C:\\Program Files\\Tandrel\\$'
expect "the program" '^   file  tandrelgame\.exe  \([0-9]+ bytes\)$'
expect "the uninstaller" '^   file  uninstall\\tandreluninstall\.exe  \([0-9]+ bytes\)$'
expect "the uninstaller settings" '^   file  uninstall\\uninstall\.ini '
expect "a Chinese file name" '^   file  说明\\用户协议\.txt '
expect "the desktop link" '^   link  C:\\users\\[^\\]+\\Desktop\\TandrelGame\.lnk$'
expect "the program group" '^   link  .*\\Programs\\Tandrel\\TandrelGame卸载\.lnk$'
expect "the uninstall command" '^   UninstallString = "C:\\Program Files\\Tandrel\\uninstall\\TandrelUninstall\.exe" "/U:C:\\Program Files\\Tandrel\\uninstall\\uninstall\.ini"$'
expect "the publisher" '^   Publisher = Tandrel 游戏$'
expect "the started client" '^   cwd=C:\\Program Files\\Tandrel'
expect "the uninstall hint" '^To uninstall: make demo-uninstall$'

for page in welcome directory progress; do
  size=$(identify -format '%wx%h' "$work/$page.png" 2>/dev/null || true)
  [ "$size" = 455x325 ] || fail "$page.png is '$size', wanted the 455x325 window"
done
[ -s "$work/done.png" ] || fail "no screenshot of the started client"
# The pages differ: the directory page is not the welcome page again.
if cmp -s "$work/welcome.png" "$work/directory.png"; then fail "directory.png shows the welcome page"; fi

[ -e "/tmp/.X${display#:}-lock" ] && fail "the demo left Xvfb running on $display"
[ -s "$work/nginx/nginx.pid" ] && fail "the demo left nginx running"

set +e
env -u DISPLAY "$root/scripts/demo-uninstall.sh" --work "$work" >"$work/uninstall.log" 2>&1
rc=$?
set -e
cat "$work/uninstall.log"
[ "$rc" = 0 ] || fail "demo-uninstall exited $rc"
grep -q '^uninstalled$' "$work/uninstall.log" || fail "demo-uninstall did not confirm"
[ -e "$work/wineprefix/drive_c/Program Files/Tandrel" ] && fail "the install folder is still there"

[ "$failures" = 0 ] || exit 1
echo "demo test passed"
