#!/usr/bin/env bash
# Authenticode-signs the installer with the publisher's code-signing certificate.
#
#   scripts/sign.sh [options] [FILE]          FILE defaults to build/win/bin/TandrelSetup.exe
#     --pfx FILE          PKCS#12 file holding certificate, chain and key
#     --pass-file FILE    its password (first line); or TANDREL_SIGN_PASS in the environment
#     --cert FILE --key FILE   PEM certificate (chain) and private key instead of a PFX
#     --timestamp URL     RFC 3161 time-stamp server (off by default: signing works offline,
#                         but the signature then expires with the certificate)
#     --name TEXT         description shown by the system's prompt (default "Tandrel 在线安装")
#     --url URL           publisher's address stored in the signature
#     --out FILE          write the signed copy here instead of replacing FILE
# The same values may come from TANDREL_SIGN_PFX, TANDREL_SIGN_PASS, TANDREL_SIGN_CERT,
# TANDREL_SIGN_KEY, TANDREL_SIGN_TIMESTAMP, TANDREL_SIGN_URL.
# Exit: 0 signed and verified, 1 signing failed (FILE untouched), 2 usage.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() { sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
die() { echo "sign: $*" >&2; exit "${2:-1}"; }

pfx=${TANDREL_SIGN_PFX:-}
cert=${TANDREL_SIGN_CERT:-}
key=${TANDREL_SIGN_KEY:-}
timestamp=${TANDREL_SIGN_TIMESTAMP:-}
url=${TANDREL_SIGN_URL:-}
name="Tandrel 在线安装"
pass_file=""
in=""
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --pfx) pfx=${2:?}; shift 2 ;;
    --pass-file) pass_file=${2:?}; shift 2 ;;
    --cert) cert=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --timestamp) timestamp=${2:?}; shift 2 ;;
    --name) name=${2:?}; shift 2 ;;
    --url) url=${2:?}; shift 2 ;;
    --out) out=${2:?}; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "sign: unknown option $1" >&2; usage ;;
    *) [ -z "$in" ] || usage; in=$1; shift ;;
  esac
done
in=${in:-$root/build/win/bin/TandrelSetup.exe}
out=${out:-$in}

command -v osslsigncode >/dev/null || die "osslsigncode is not installed (scripts/deps.sh installs it)" 2
[ -f "$in" ] || die "no such file: $in (build it first: make win)" 2
if [ -n "$pfx" ]; then
  [ -z "$cert$key" ] || die "give either --pfx or --cert/--key, not both" 2
  [ -f "$pfx" ] || die "no such PFX file: $pfx" 2
  source_args=(-pkcs12 "$pfx")
elif [ -n "$cert" ] && [ -n "$key" ]; then
  [ -f "$cert" ] || die "no such certificate file: $cert" 2
  [ -f "$key" ] || die "no such key file: $key" 2
  source_args=(-certs "$cert" -key "$key")
else
  die "no certificate: pass --pfx FILE (with --pass-file or TANDREL_SIGN_PASS) or --cert FILE --key FILE" 2
fi

password=${TANDREL_SIGN_PASS:-}
if [ -n "$pass_file" ]; then
  [ -r "$pass_file" ] || die "cannot read password file: $pass_file" 2
  IFS= read -r password < "$pass_file" || true
fi

args=(sign "${source_args[@]}" -h sha256 -n "$name")
[ -n "$url" ] && args+=(-i "$url")
[ -n "$timestamp" ] && args+=(-ts "$timestamp")

tmp=$(mktemp "${out}.signing.XXXXXX")
trap 'rm -f "$tmp"' EXIT
rm -f "$tmp"  # osslsigncode refuses to write over an existing file
# The password goes through a pipe, never the command line where ps would show it.
if ! printf '%s\n' "$password" | osslsigncode "${args[@]}" -readpass - -in "$in" -out "$tmp" >"$tmp.log" 2>&1; then
  cat "$tmp.log" >&2; rm -f "$tmp.log"
  die "signing $in failed; it is unchanged"
fi
rm -f "$tmp.log"
mv -f "$tmp" "$out"
trap - EXIT
echo "signed: $out"
osslsigncode verify -in "$out" 2>/dev/null | grep -E '^(Signer|\s+Subject|Message digest|Number of)' | head -5 || true
