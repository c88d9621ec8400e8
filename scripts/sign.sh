#!/usr/bin/env bash
# Signs a Windows program in place with Authenticode (Debian's osslsigncode):
#   scripts/sign.sh CERTIFICATE KEY EXE [TIMESTAMP_URL]
# CERTIFICATE is the PEM code-signing certificate, followed by its
# intermediates; KEY its PEM private key. With a timestamp server the
# signature stays valid after the certificate expires. The build calls this
# when configured with CORVANE_SIGN_CERT and CORVANE_SIGN_KEY (see README).
set -Eeuo pipefail
if [ $# -lt 3 ] || [ $# -gt 4 ]; then
    echo "usage: $0 CERTIFICATE KEY EXE [TIMESTAMP_URL]" >&2
    exit 2
fi
cert=$1 key=$2 exe=$3
timestamp=()
[ $# -eq 4 ] && timestamp=(-ts "$4")
# Signed beside the program and moved over it: a failed signing leaves the
# program as it was.
signed=$exe.signed.$$
trap 'rm -f "$signed"' EXIT
osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "Corvane Updater" "${timestamp[@]}" \
    -in "$exe" -out "$signed" >/dev/null
mv -f "$signed" "$exe"
