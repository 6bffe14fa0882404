#!/bin/bash
# Lays out what an operator publishes on the download endpoint, below OUT:
#   OUT/pub/bmb/<partner>/def_srch_engn.cab      the catalogue and its icons (gcab)
#   OUT/pub/bmb/<partner>/def_srch_engn.cab.sig  the signed statement for it, with --key
#   OUT/pub/bmb/<partner>/notify.xml             the update notice, with --notice FILE
#   OUT/pub/bmb/<partner>/notify.xml.sig         the signed statement for it, with --key
# Usage: endpoint/publish.sh OUT [--partner P] [--catalogue DIR] [--key KEY.pem] [--notice FILE]
#                                [--sign-only] [--version V]
# DIR holds def_srch_engn.xml and image/ (default: the shipped catalogue). With --key, the
# public key the build must embed (BRIMLET_CATALOGUE_PUBLIC_KEY) is printed. --sign-only
# signs the cabinet and notice that OUT holds already for P (with DIR's version) again,
# without building them. --version names another version in the statement than DIR's
# <version> (for a cabinet that holds no readable catalogue).
# A new key: openssl ecparam -name prime256v1 -genkey -noout -out key.pem
#
# A statement names what it is for, the partner code and (for a catalogue) the version, so
# that the programs refuse another partner's cabinet and an old one sent again; the
# signature (ECDSA P-256, SHA-256) covers every line before its own.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
usage="usage: publish.sh OUT [--partner P] [--catalogue DIR] [--key KEY.pem] [--notice FILE] [--sign-only] [--version V]"
out=${1:?$usage}
shift
partner="" catalogue="$root/resources/catalogue" key="" notice="" sign_only="" version=""
while [ $# -gt 0 ]; do
  case "$1" in
    --partner) partner=$2; shift 2 ;;
    --catalogue) catalogue=$2; shift 2 ;;
    --key) key=$2; shift 2 ;;
    --notice) notice=$2; shift 2 ;;
    --sign-only) sign_only=1; shift ;;
    --version) version=$2; shift 2 ;;
    *) echo "publish.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
# The programs read the code as letters, digits, "_" and "-" only.
if ! [[ "$partner" =~ ^[A-Za-z0-9_-]{0,64}$ ]]; then
  echo "publish.sh: bad partner code" >&2
  exit 2
fi
target="$out/pub/bmb/$partner"
mkdir -p "$target"
target=$(cd "$target" && pwd)

# The catalogue's version as the programs check it: one to four parts of at most 65535.
if [ -z "$version" ] && [ -f "$catalogue/def_srch_engn.xml" ]; then
  version=$(sed -n 's:.*<version>[[:space:]]*\([^<[:space:]]*\)[[:space:]]*</version>.*:\1:p' \
    "$catalogue/def_srch_engn.xml" | head -n 1)
fi

if [ -z "$sign_only" ]; then
  # gcab stores the names as given, relative to the catalogue folder (image\x.png on Windows).
  (
    cd "$catalogue"
    entries=()
    [ -f def_srch_engn.xml ] && entries+=(def_srch_engn.xml)
    [ -d image ] && entries+=(image/*)
    gcab -c "$target/def_srch_engn.cab.tmp" "${entries[@]}"
  )
  mv "$target/def_srch_engn.cab.tmp" "$target/def_srch_engn.cab"
  [ -z "$notice" ] || cp "$notice" "$target/notify.xml"
fi

# sign FILE PURPOSE [VERSION]: writes FILE.sig.
sign() {
  local file=$1 purpose=$2 statement
  statement="brimlet-signature 1
for $purpose
partner $partner
"
  [ "$purpose" != catalogue ] || statement+="version $3
"
  statement+="sha256 $(sha256sum "$file" | cut -d' ' -f1)
"
  local der
  der=$(printf '%s' "$statement" | openssl dgst -sha256 -sign "$key" | od -An -v -tx1 | tr -d ' \n')
  printf '%secdsa-p256 %s\n' "$statement" "$der" >"$file.sig.tmp"
  mv "$file.sig.tmp" "$file.sig"
}

if [ -n "$key" ]; then
  if [ -f "$target/def_srch_engn.cab" ]; then
    if ! [[ "$version" =~ ^[0-9]{1,5}(\.[0-9]{1,5}){0,3}$ ]] ||
       [ -n "$(tr '.' '\n' <<<"$version" | awk '$1 > 65535')" ]; then
      echo "publish.sh: the catalogue's <version> must be one to four numbers of at most 65535" >&2
      exit 2
    fi
    sign "$target/def_srch_engn.cab" catalogue "$version"
  fi
  [ ! -f "$target/notify.xml" ] || sign "$target/notify.xml" notice
  echo "BRIMLET_CATALOGUE_PUBLIC_KEY=$(openssl ec -in "$key" -pubout -outform DER 2>/dev/null | tail -c 65 | od -An -v -tx1 | tr -d ' \n')"
fi
