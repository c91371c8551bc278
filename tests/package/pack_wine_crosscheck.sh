#!/usr/bin/env bash
# tandrel-pack.exe under Wine against the native tool: the same folder packs to the
# same bytes on both, and each unpacks the other's package to the same tree.
set -euo pipefail
native=$1
exe=$2
wine_run=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$native" ] || fail "$native is missing: build the native tree first"

src=$work/客户端
mkdir -p "$src/数据/深" "$src/bin"
printf 'MZ\0\1game' > "$src/bin/game.exe"
: > "$src/空.txt"
printf '表格\n' > "$src/数据/深/文件.txt"
head -c 70000 /dev/urandom > "$src/数据/big.bin"

"$native" pack "$src" -o "$work/native.pkg" >/dev/null
"$wine_run" "$exe" pack "$src" -o "$work/wine.pkg" >/dev/null
cmp "$work/native.pkg" "$work/wine.pkg" || fail "the two builds packed different bytes"

"$wine_run" "$exe" unpack "$work/native.pkg" -C "$work/by-wine" >/dev/null
diff -r "$src" "$work/by-wine" || fail "the Windows build unpacked another tree"
"$native" unpack "$work/wine.pkg" -C "$work/by-native" >/dev/null
diff -r "$src" "$work/by-native" || fail "the native build unpacked another tree"

head -c 1032 /dev/urandom > "$work/noise.pkg"
set +e
"$wine_run" "$exe" unpack "$work/noise.pkg" -C "$work/none" >/dev/null 2>&1
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "a foreign file unpacked with exit $rc"
echo "pack wine cross-check: ok"
