#!/usr/bin/env bash
# Interim demo: packs the sample client, lists the package and unpacks it the way
# the installer will, into build/demo-package.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tool=${TANDREL_PACK:-$root/build/native/bin/tandrel-pack}
[ -x "$tool" ] || { echo "demo: $tool is missing; run 'make native' first" >&2; exit 1; }
export LC_ALL=C.UTF-8

# Kept after the run so the result can be looked at; replaced by the next run.
work=$root/build/demo-package
rm -rf "$work"
mkdir -p "$work"

echo "== packing tools/pack/sample"
"$tool" pack "$root/tools/pack/sample" -o "$work/tandrel.pkg" --top Tandrel
echo
echo "== what the package holds"
"$tool" list "$work/tandrel.pkg"
echo
echo "== unpacking into $work/install"
"$tool" unpack "$work/tandrel.pkg" -C "$work/install"
echo
echo "== installed files"
(cd "$work/install" && find . -type f | sort | while read -r f; do
  printf '%8s bytes  %s\n' "$(stat -c %s "$f")" "$work/install/${f#./}"
done)
