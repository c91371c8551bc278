#!/usr/bin/env bash
# tandrel-pack pack -> list -> unpack on a tree with Chinese names, empty files and
# nested folders; then the refusals and exit codes.
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
fail() { echo "FAIL: $*" >&2; exit 1; }

src=$work/客户端
mkdir -p "$src/数据/深/更深" "$src/bin" "$src/空文件夹里有文件"
printf 'MZ\0\1\2game' > "$src/bin/game.exe"
: > "$src/空.txt"
: > "$src/空文件夹里有文件/empty.dat"
printf '表格数据\n' > "$src/数据/深/更深/文件.txt"
head -c 300000 /dev/urandom > "$src/数据/big.bin"
printf 'upper' > "$src/bin/ReadMe.TXT"

"$tool" pack "$src" -o "$work/a.dat" >/dev/null
"$tool" pack "$src" -o "$work/b.dat" >/dev/null
cmp -s "$work/a.dat" "$work/b.dat" || fail "packing twice gave different bytes"

listing=$("$tool" list "$work/a.dat")
grep -q '数据\\深\\更深\\文件.txt' <<<"$listing" || fail "list lacks the nested Chinese name: $listing"
grep -q 'bin\\readme.txt' <<<"$listing" || fail "list does not show the lower-cased path"

"$tool" unpack "$work/a.dat" -C "$work/out" >/dev/null
# The installer lower-cases names: so does the expected tree.
mv "$src/bin/ReadMe.TXT" "$src/bin/readme.txt"
rmdir "$work/out" 2>/dev/null && fail "nothing unpacked"
diff -r "$src" "$work/out" || fail "unpacked tree differs"
[ -f "$work/out/空.txt" ] && [ ! -s "$work/out/空.txt" ] || fail "empty file lost"

# --top changes only the dropped first component: same files, other names inside.
"$tool" pack "$src" -o "$work/top.dat" --top other >/dev/null
"$tool" unpack "$work/top.dat" -C "$work/out2" >/dev/null
diff -r "$src" "$work/out2" || fail "--top changed the installed tree"

expect_rc() {
  local want=$1; shift
  set +e; "$@" >"$work/out.txt" 2>"$work/err.txt"; local rc=$?; set -e
  [ "$rc" -eq "$want" ] || fail "'$*' exited $rc, expected $want: $(cat "$work/err.txt")"
  [ "$want" -eq 0 ] || [ -s "$work/err.txt" ] || fail "'$*' failed without a message"
}

mkdir -p "$work/case/Sub" "$work/case/sub"
: > "$work/case/Sub/x"; : > "$work/case/sub/x"
expect_rc 1 "$tool" pack "$work/case" -o "$work/c.dat"
grep -q 'letter case' "$work/err.txt" || fail "case clash not explained"
[ ! -e "$work/c.dat" ] || fail "refused pack left a file behind"

n200=$(printf 'n%.0s' {1..200})
mkdir -p "$work/long/$n200"; : > "$work/long/$n200/$(printf 'm%.0s' {1..60})"
expect_rc 1 "$tool" pack "$work/long" -o "$work/l.dat"
# long\<200>\<53> is 259 bytes: the NUL still fits.
mkdir -p "$work/fits/$n200"; : > "$work/fits/$n200/$(printf 'm%.0s' {1..53})"
expect_rc 0 "$tool" pack "$work/fits" -o "$work/f.dat" --top long
mkdir -p "$work/emoji"; : > "$work/emoji/$(printf '\xf0\x9f\x98\x80').txt"
expect_rc 1 "$tool" pack "$work/emoji" -o "$work/e.dat"
grep -q 'GBK' "$work/err.txt" || fail "non-GBK name not explained"
mkdir -p "$work/colon"; : > "$work/colon/a:b"
expect_rc 1 "$tool" pack "$work/colon" -o "$work/k.dat"
# Sparse: sizes alone decide, nothing is read.
mkdir -p "$work/huge"; truncate -s 2G "$work/huge/a"; truncate -s 2G "$work/huge/b"
expect_rc 1 "$tool" pack "$work/huge" -o "$work/h.dat"
grep -q '32-bit' "$work/err.txt" || fail "oversized package not explained"
[ ! -e "$work/h.dat" ] || fail "refused pack left a file behind"

expect_rc 2 "$tool"
expect_rc 2 "$tool" frobnicate
expect_rc 2 "$tool" pack "$src"
expect_rc 2 "$tool" unpack "$work/a.dat"
expect_rc 0 "$tool" list --help
expect_rc 1 "$tool" list "$work/absent.dat"
head -c 1032 /dev/urandom > "$work/noise.dat"
expect_rc 1 "$tool" list "$work/noise.dat"
expect_rc 1 "$tool" unpack "$work/noise.dat" -C "$work/out3"
[ -z "$(ls -A "$work/out3")" ] || fail "a refused unpack wrote files"
echo "pack round trip: ok"
