#!/usr/bin/env bash
# Makes the release package: a zip with the programs of the tool set, IniSeal,
# TaskLint, the example task lists, the README and the author's reference.
#   scripts/release.sh BUILD_DIR VERSION [OUT_DIR]
# BUILD_DIR is the Windows build tree (its bin/ holds the programs); the zip
# is written to OUT_DIR (default BUILD_DIR) as FirmwareUpdateTools-VERSION.zip.
# Programs not built yet are left out and listed in PACKAGE.txt; with
# FWU_RELEASE_STRICT=1 a missing program fails the release.
# Signing (optional): FWU_SIGN_CERT (certificate, PEM or DER) and FWU_SIGN_KEY
# (private key), or FWU_SIGN_PKCS12 (a .pfx) alone; FWU_SIGN_PASS is the key's
# password, FWU_SIGN_TIMESTAMP a time-stamp server URL. Each program is signed
# with osslsigncode before it is packed.
set -euo pipefail

build=${1:?usage: release.sh BUILD_DIR VERSION [OUT_DIR]}
version=${2:?usage: release.sh BUILD_DIR VERSION [OUT_DIR]}
out=${3:-$build}
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

name="FirmwareUpdateTools-$version"
stage="$build/release/$name"
rm -rf "$build/release"
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

# Examples: examples/NAME and docs/examples/NAME, each a package layout
# (config/config.ini, and for some a config.ini of the tools).
mkdir -p "$stage/examples"
for dir in "$src/examples"/*/ "$src/docs/examples"/*/; do
  [ -d "$dir" ] || continue
  cp -r "$dir" "$stage/examples/$(basename "$dir")"
done
# Task lists with Windows line ends, for the editors packagers use.
find "$stage/examples" -name '*.ini' -exec sed -i 's/\r*$/\r/' {} +
[ -f "$src/README.md" ] && cp "$src/README.md" "$stage/"
mkdir -p "$stage/docs"
cp "$src"/docs/*.md "$stage/docs/" 2>/dev/null || true
[ -d "$src/docs/images" ] && cp -r "$src/docs/images" "$stage/docs/"

{
  echo "Firmware Update Tools $version"
  echo
  echo "Programs (file version, description):"
  sed 's/^/  /' "$stage/.versions"
  if ((${#missing[@]})); then
    echo
    echo "Not in this package (not built): ${missing[*]}"
  fi
  ((${#sign[@]})) && { echo; echo "The programs are signed."; }
  echo
  echo "Examples: $(cd "$stage/examples" && ls | tr '\n' ' ')"
} >"$stage/PACKAGE.txt"
rm "$stage/.versions"

zip="$out/$name.zip"
rm -f "$zip"
(cd "$build/release" && zip -qr -X "$zip" "$name")
echo "release: $zip (${#packed[@]} programs${missing:+, missing: ${missing[*]}})"
