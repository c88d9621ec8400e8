#!/usr/bin/env bash
# Signs a copy of the Updater with a code-signing certificate made here (thrown
# away with the test's folder) by scripts/sign.sh and verifies it with
# osslsigncode: the signed copy verifies against that certificate; the
# unsigned program, a signed copy changed by one byte and a copy signed by
# another certificate do not.
#   sign_test.sh UPDATER_EXE WORK_DIR
set -Eeuo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"

for who in signer stranger; do
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -subj "/CN=Corvane Test Signer ($who)" \
        -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=critical,digitalSignature" \
        -keyout "$who.key" -out "$who.crt" 2>/dev/null
done
cp "$exe" unsigned.exe
cp "$exe" signed.exe
bash "$ROOT/scripts/sign.sh" signer.crt signer.key signed.exe
cp "$exe" stranger.exe
bash "$ROOT/scripts/sign.sh" stranger.crt stranger.key stranger.exe
cp signed.exe tampered.exe
# One byte of the code section's start, well inside the signed range.
offset=$(( $(od -An -tu4 -j60 -N4 tampered.exe) + 0x400 ))
printf '\xcc' | dd of=tampered.exe bs=1 seek="$offset" conv=notrunc status=none

failures=0
check() {  # expected-outcome file
    if osslsigncode verify -CAfile signer.crt -in "$2" >"$2.log" 2>&1; then got=valid; else got=invalid; fi
    if [ "$got" = "$1" ]; then
        echo "ok: $2 is $got"
    else
        echo "FAIL: $2 is $got, expected $1"; sed 's/^/    /' "$2.log"; failures=$((failures + 1))
    fi
}
check valid signed.exe
check invalid unsigned.exe
check invalid tampered.exe
check invalid stranger.exe
osslsigncode extract-signature -in signed.exe -out signature.der >/dev/null
grep -q "Corvane Test Signer (signer)" <(openssl pkcs7 -inform DER -in signature.der -print_certs) ||
    { echo "FAIL: the signature does not carry the signer's certificate"; failures=$((failures + 1)); }
echo "$((4 + 1 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
