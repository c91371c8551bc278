#!/usr/bin/env bash
# Speed of the package code (not a test): AES-128-ECB decryption beside OpenSSL, and
# unpacking a 256 MiB package beside a plain read + write of the same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=${TANDREL_BENCH_TREE:-$root/build/native}
if [ ! -f "$tree/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DTANDREL_BENCH=ON >/dev/null
fi
cmake --build "$tree" -j2 --target package_bench >/dev/null
bench=$tree/bin/package_bench

echo "AES-128-ECB decryption, 64 MiB x 4, one core:"
"$bench" cipher
# Bits 57 (AES-NI) and 33 (PCLMULQDQ) off: OpenSSL's best code without AES instructions.
OPENSSL_ia32cap="~0x200000200000000" "$bench" openssl

work=$(mktemp -d "${TMPDIR:-/tmp}/tandrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$bench" make "$work/bench.pkg" 256
echo
echo "256 MiB package of 64 files (pauses after progress posts skipped in this bench):"
"$bench" extract "$work/bench.pkg" "$work/unpacked"
rm -rf "$work/unpacked"
"$bench" copy "$work/bench.pkg" "$work/copied"
