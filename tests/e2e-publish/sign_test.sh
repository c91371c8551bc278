#!/usr/bin/env bash
# scripts/sign.sh with a throwaway self-signed code-signing certificate: PFX and PEM
# signatures verify against that certificate, a tampered copy does not, and a wrong
# password leaves the file as it was.
#   sign_test.sh <source root> <exe to sign> <scratch dir>
set -euo pipefail
root=$1; exe=$2; work=$3
rm -rf "$work"; mkdir -p "$work"; cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Tandrel Test Publisher" -addext "extendedKeyUsage=codeSigning" \
  -addext "keyUsage=digitalSignature" 2>/dev/null
openssl pkcs12 -export -in cert.pem -inkey key.pem -out cert.pfx -passout pass:s3cret
echo s3cret > pass.txt
echo wrong > wrong.txt
verify() { osslsigncode verify -CAfile cert.pem -in "$1" >"$1.verify" 2>&1; }

cp "$exe" pfx.exe
"$root/scripts/sign.sh" --pfx cert.pfx --pass-file pass.txt pfx.exe >/dev/null
verify pfx.exe || { cat pfx.exe.verify; fail "PFX signature does not verify"; }
grep -q "Tandrel Test Publisher" pfx.exe.verify || fail "signer missing from the signature"

cp "$exe" pem.exe
TANDREL_SIGN_CERT=cert.pem TANDREL_SIGN_KEY=key.pem "$root/scripts/sign.sh" pem.exe --out pem-signed.exe >/dev/null
cmp -s "$exe" pem.exe || fail "--out changed its input"
verify pem-signed.exe || { cat pem-signed.exe.verify; fail "PEM signature does not verify"; }

# One flipped byte in the signed code must break the signature.
cp pfx.exe tampered.exe
offset=$(( $(stat -c %s tampered.exe) / 3 ))
byte=$(od -An -tu1 -j "$offset" -N1 tampered.exe | tr -d ' ')
printf "\\$(printf '%03o' $(( (byte + 1) % 256 )))" | dd of=tampered.exe bs=1 seek="$offset" conv=notrunc 2>/dev/null
cmp -s pfx.exe tampered.exe && fail "tampering did not change the file"
if verify tampered.exe; then fail "a tampered copy verifies"; fi

# An unrelated certificate is not trusted.
openssl req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.pem -days 2 \
  -subj "/CN=Someone Else" 2>/dev/null
if osslsigncode verify -CAfile other.pem -in pfx.exe >/dev/null 2>&1; then
  fail "the signature verifies against a foreign certificate"
fi

cp "$exe" wrong.exe
set +e
"$root/scripts/sign.sh" --pfx cert.pfx --pass-file wrong.txt wrong.exe >/dev/null 2>&1; rc=$?
"$root/scripts/sign.sh" wrong.exe >/dev/null 2>&1; rc_nocert=$?
set -e
[ "$rc" = 1 ] || fail "wrong password: exit $rc, wanted 1"
[ "$rc_nocert" = 2 ] || fail "no certificate: exit $rc_nocert, wanted 2"
cmp -s "$exe" wrong.exe || fail "a failed signing changed the file"
ls wrong.exe.signing.* >/dev/null 2>&1 && fail "a failed signing left a temporary file"
echo "sign test passed"
