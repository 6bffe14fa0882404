#!/bin/bash
# Signs a build's deliverables and an installer made from them with a throw-away
# self-signed certificate, as scripts/release does with the operator's, and verifies every
# signature: Tessiv.exe, BrimletHook.dll, Brimlet.exe, the installer and its uninstaller.
#   authenticode.sh DIST WORK NSI SIGN_SCRIPT
set -eu
dist=$1 work=$2 nsi=$3 sign=$4
rm -rf "$work"
mkdir -p "$work/dist" "$work/signed"
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Brimlet test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout key.pem -out cert.pem 2>/dev/null
cp -r "$dist/." dist/
gadget=$(dirname "$(find dist -name Brimlet.exe | head -n 1)")
files=(dist/Tessiv.exe "$gadget/Brimlet.exe" "$gadget/BrimletHook.dll")
"$sign" cert.pem key.pem --copy-to signed "${files[@]}"
makensis -V2 -WX -DDIST="$work/dist" -DOUTFILE="$work/BrimletBoxSetup-signed.exe" \
  "-DSIGN=$sign $work/cert.pem $work/key.pem --copy-to $work/signed" "$nsi" >/dev/null
status=0
count=0
for file in "${files[@]}" BrimletBoxSetup-signed.exe signed/*; do
  count=$((count + 1))
  if ! osslsigncode verify -CAfile cert.pem -in "$file" >verify.log 2>&1 ||
     ! grep -q "Signature verification: ok" verify.log; then
    echo "authenticode: $file: not signed as it should be"; cat verify.log; status=1
  fi
done
# The three deliverables twice (in place and copied), the installer twice, the uninstaller.
[ "$count" -eq 9 ] || { echo "authenticode: $count files checked, 9 expected"; ls -l signed; status=1; }
[ $status -ne 0 ] || echo "authenticode: $count signatures verified"
exit $status
