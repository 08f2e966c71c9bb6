#!/usr/bin/env bash
# Makes the release package: a zip with the programs of the tool set, IniSeal,
# TaskLint, the example task lists, the README, the CHANGELOG and the author's
# reference, with a SHA256SUMS over every file and a PACKAGE.txt that says
# what the package holds and whether (and with what) its programs are signed.
#   scripts/release.sh BUILD_DIR VERSION [OUT_DIR]
# BUILD_DIR is the Windows build tree (its bin/ holds the programs); the zip
# is written to OUT_DIR (default BUILD_DIR) as FirmwareUpdateTools-VERSION.zip.
# VERSION must be the first entry of CHANGELOG.md.
# Programs not built yet are left out and listed in PACKAGE.txt; with
# FWU_RELEASE_STRICT=1 (the release target sets it) a missing program fails
# the release.
# Signing (optional): FWU_SIGN_CERT (certificate, PEM or DER) and FWU_SIGN_KEY
# (private key), or FWU_SIGN_PKCS12 (a .pfx) alone; FWU_SIGN_PASS is the key's
# password, FWU_SIGN_TIMESTAMP a time-stamp server URL. Each program is signed
# with osslsigncode before it is packed. FWU_SIGN_TEST=1 instead signs with a
# throwaway self-signed certificate made here, for trying signed packages
# under Wine; PACKAGE.txt then names it a test certificate, as it does any
# self-signed certificate.
set -euo pipefail

build=${1:?usage: release.sh BUILD_DIR VERSION [OUT_DIR]}
version=${2:?usage: release.sh BUILD_DIR VERSION [OUT_DIR]}
out=${3:-$build}
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

name="FirmwareUpdateTools-$version"
# A staging folder of this run's own: two releases made at once (a test and
# the release target) do not meet.
work=$(mktemp -d "$build/release.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage="$work/$name"
mkdir -p "$stage"

programs=(Update Findling Ailscan Romstamp Unbinder Portscout Progress Optpick Tallykeep IniSeal TaskLint)
packed=()
missing=()
for p in "${programs[@]}"; do
  if [ -f "$build/bin/$p.exe" ]; then
    cp "$build/bin/$p.exe" "$stage/"
    packed+=("$p.exe")
  else
    missing+=("$p.exe")
  fi
done
if ((${#missing[@]})) && [ "${FWU_RELEASE_STRICT:-0}" = 1 ]; then
  echo "release: not built: ${missing[*]}" >&2
  exit 1
fi
((${#packed[@]})) || { echo "release: no program in $build/bin" >&2; exit 1; }

# Every program must carry its version information.
if ! python3 "$src/scripts/peversion.py" "${packed[@]/#/$stage/}" >"$stage/.versions"; then
  grep -P '\t-\t' "$stage/.versions" >&2 || true
  echo "release: programs without version information" >&2
  exit 1
fi

sign=()
if [ "${FWU_SIGN_TEST:-0}" = 1 ] && [ -z "${FWU_SIGN_PKCS12:-}${FWU_SIGN_CERT:-}" ]; then
  command -v openssl >/dev/null || { echo "release: openssl is not installed" >&2; exit 1; }
  testkeys="$work/.testcert"
  mkdir -p "$testkeys"
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 \
    -subj "/CN=Firmware Update Tools TEST CERTIFICATE (not for shipping)" \
    -addext extendedKeyUsage=codeSigning \
    -keyout "$testkeys/key.pem" -out "$testkeys/cert.pem" >/dev/null 2>&1
  FWU_SIGN_CERT="$testkeys/cert.pem" FWU_SIGN_KEY="$testkeys/key.pem"
fi
if [ -n "${FWU_SIGN_PKCS12:-}" ]; then
  sign=(-pkcs12 "$FWU_SIGN_PKCS12")
elif [ -n "${FWU_SIGN_CERT:-}" ]; then
  sign=(-certs "$FWU_SIGN_CERT" -key "${FWU_SIGN_KEY:?FWU_SIGN_KEY is needed with FWU_SIGN_CERT}")
fi
if ((${#sign[@]})); then
  command -v osslsigncode >/dev/null || { echo "release: osslsigncode is not installed" >&2; exit 1; }
  [ -n "${FWU_SIGN_PASS:-}" ] && sign+=(-pass "$FWU_SIGN_PASS")
  [ -n "${FWU_SIGN_TIMESTAMP:-}" ] && sign+=(-t "$FWU_SIGN_TIMESTAMP")
  for p in "${packed[@]}"; do
    osslsigncode sign "${sign[@]}" -h sha256 -n "Firmware Update Tools" \
      -in "$stage/$p" -out "$stage/$p.signed" >/dev/null
    mv "$stage/$p.signed" "$stage/$p"
  done
  echo "release: signed ${#packed[@]} programs"
fi

# Who signed: subject and issuer of the signing certificate (the first one of
# a PKCS#12 file). Self-signed means a test certificate: Windows trusts it
# only where it was installed by hand (Wine accepts any).
signer=() testsigned=0
if ((${#sign[@]})); then
  if [ -n "${FWU_SIGN_PKCS12:-}" ]; then
    certtext=$(openssl pkcs12 -in "$FWU_SIGN_PKCS12" -nokeys -clcerts -passin "pass:${FWU_SIGN_PASS:-}" 2>/dev/null ||
               openssl pkcs12 -legacy -in "$FWU_SIGN_PKCS12" -nokeys -clcerts -passin "pass:${FWU_SIGN_PASS:-}" 2>/dev/null ||
               true)
  else
    certtext=$(openssl x509 -in "$FWU_SIGN_CERT" 2>/dev/null || openssl x509 -inform DER -in "$FWU_SIGN_CERT" 2>/dev/null ||
               true)
  fi
  subject=$(openssl x509 -noout -subject -nameopt RFC2253 <<<"$certtext" 2>/dev/null | sed 's/^subject=//') || true
  issuer=$(openssl x509 -noout -issuer -nameopt RFC2253 <<<"$certtext" 2>/dev/null | sed 's/^issuer=//') || true
  signer=("${subject:-unknown subject}" "${issuer:-unknown issuer}")
  if [ "${FWU_SIGN_TEST:-0}" = 1 ] || [ "$subject" = "$issuer" ]; then testsigned=1; fi
fi

# Examples: examples/NAME and docs/examples/NAME, each a package layout
# (config/config.ini, and for some a config.ini of the tools), all under
# examples/ to copy from. The documented ones also stay under docs/examples/,
# where the pages link to them.
mkdir -p "$stage/examples"
for dir in "$src/examples"/*/ "$src/docs/examples"/*/; do
  [ -d "$dir" ] || continue
  cp -r "$dir" "$stage/examples/$(basename "$dir")"
done
[ -f "$src/README.md" ] && cp "$src/README.md" "$stage/"
mkdir -p "$stage/docs"
cp "$src"/docs/*.md "$stage/docs/" 2>/dev/null || true
[ -d "$src/docs/images" ] && cp -r "$src/docs/images" "$stage/docs/"
[ -d "$src/docs/examples" ] && cp -r "$src/docs/examples" "$stage/docs/"
# Task lists with Windows line ends, for the editors packagers use.
find "$stage/examples" "$stage/docs" -name '*.ini' -exec sed -i 's/\r*$/\r/' {} +

# The changelog, whose first entry must be this release.
first=$(grep -m1 -E '^## ' "$src/CHANGELOG.md" 2>/dev/null | sed -E 's/^## \[?([^] ]+).*/\1/') || true
if [ "$first" != "$version" ]; then
  echo "release: the first entry of CHANGELOG.md is '${first:-missing}', not $version" >&2
  exit 1
fi
cp "$src/CHANGELOG.md" "$stage/"

# Every program must carry this release's version: a program left over from a
# build of another version is not packed under this one's name.
stale=$(awk -F'\t' -v want="$version.0" '$2 != want { print "  " $1 " (" $2 ")" }' "$stage/.versions")
if [ -n "$stale" ]; then
  echo "release: programs built with another version than $version:" >&2
  echo "$stale" >&2
  exit 1
fi

{
  echo "Firmware Update Tools $version"
  echo
  echo "Programs (file version, description):"
  sed 's/^/  /' "$stage/.versions"
  if ((${#missing[@]})); then
    echo
    echo "Not in this package (not built): ${missing[*]}"
  fi
  echo
  if ((${#sign[@]})) && ((testsigned)); then
    echo "Signature: the programs are signed with a TEST certificate, not fit for shipping:"
    echo "  subject: ${signer[0]}"
    echo "  issuer:  ${signer[1]} (self-signed)"
    echo "  Wine accepts it; real Windows refuses a self-signed certificate that is not"
    echo "  installed as trusted on the machine. Sign the programs with your own"
    echo "  code-signing certificate before shipping (docs/unattended.md, Signing)."
  elif ((${#sign[@]})); then
    echo "Signature: the programs are signed (Authenticode, SHA-256) with the certificate"
    echo "  subject: ${signer[0]}"
    echo "  issuer:  ${signer[1]}"
    if [ -n "${FWU_SIGN_TIMESTAMP:-}" ]; then
      echo "  time-stamped by ${FWU_SIGN_TIMESTAMP}"
    else
      echo "  not time-stamped: the signature fails once the certificate expires"
    fi
  else
    echo "Signature: the programs are NOT signed."
    echo "  Update checks the signature of every program it starts (Verify is on by"
    echo "  default) and ends with exit code 10 for an unsigned one. Before shipping,"
    echo "  sign the programs with your own code-signing certificate, or give each task"
    echo "  Verify=FALSE with a CalcFile/Distinct SHA-256 hash and say why"
    echo "  (docs/unattended.md, Signing)."
  fi
  echo
  echo "Examples: $(cd "$stage/examples" && ls | tr '\n' ' ')"
  echo
  echo "SHA256SUMS holds the SHA-256 of every other file: check with"
  echo "  sha256sum -c SHA256SUMS   (in this folder)"
} >"$stage/PACKAGE.txt"
rm "$stage/.versions"
rm -rf "$work/.testcert"

# Checksums of every file of the package, in the form sha256sum -c reads.
(cd "$stage" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort |
   while IFS= read -r f; do sha256sum -- "$f"; done >SHA256SUMS)

zip="$out/$name.zip"
rm -f "$zip"
(cd "$work" && zip -qr -X "$zip.part" "$name")
mv -f "$zip.part" "$zip"
echo "release: $zip (${#packed[@]} programs${missing:+, missing: ${missing[*]}})"
