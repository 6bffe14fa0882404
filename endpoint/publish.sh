#!/bin/bash
# Lays out what an operator publishes on the download endpoint, below OUT:
#   OUT/pub/bmb/<partner>/def_srch_engn.cab      the catalogue and its icons (gcab)
#   OUT/pub/bmb/<partner>/def_srch_engn.cab.sig  its detached signature, with --key
#   OUT/pub/bmb/<partner>/notify.xml             the update notice, with --notice FILE
# Usage: endpoint/publish.sh OUT [--partner P] [--catalogue DIR] [--key KEY.pem] [--notice FILE]
# DIR holds def_srch_engn.xml and image/ (default: the shipped catalogue). With --key, the
# public key the build must embed (BRIMLET_CATALOGUE_PUBLIC_KEY) is printed.
# A new key: openssl ecparam -name prime256v1 -genkey -noout -out key.pem
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
out=${1:?usage: publish.sh OUT [--partner P] [--catalogue DIR] [--key KEY.pem] [--notice FILE]}
shift
partner="" catalogue="$root/resources/catalogue" key="" notice=""
while [ $# -gt 0 ]; do
  case "$1" in
    --partner) partner=$2; shift 2 ;;
    --catalogue) catalogue=$2; shift 2 ;;
    --key) key=$2; shift 2 ;;
    --notice) notice=$2; shift 2 ;;
    *) echo "publish.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
case "$partner" in */*|*..*) echo "publish.sh: bad partner code" >&2; exit 2 ;; esac
target="$out/pub/bmb/$partner"
mkdir -p "$target"
# gcab stores the names as given, relative to the catalogue folder (image\x.png on Windows).
target=$(cd "$target" && pwd)
(
  cd "$catalogue"
  entries=()
  [ -f def_srch_engn.xml ] && entries+=(def_srch_engn.xml)
  [ -d image ] && entries+=(image/*)
  gcab -c "$target/def_srch_engn.cab.tmp" "${entries[@]}"
)
mv "$target/def_srch_engn.cab.tmp" "$target/def_srch_engn.cab"
if [ -n "$key" ]; then
  openssl dgst -sha256 -sign "$key" -out "$target/def_srch_engn.cab.sig" "$target/def_srch_engn.cab"
  echo "BRIMLET_CATALOGUE_PUBLIC_KEY=$(openssl ec -in "$key" -pubout -outform DER 2>/dev/null | tail -c 65 | od -An -tx1 | tr -d ' \n')"
fi
[ -z "$notice" ] || cp "$notice" "$target/notify.xml"
