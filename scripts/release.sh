#!/usr/bin/env bash
# Makes a release in release/: QMR640-<version>.zip, the installation media in one folder as they
# go beside each other, and SHA256SUMS, the hashes of the zip and of every file in it. Builds
# afresh in build-release/. With a certificate, signs both programs with Authenticode before they
# go into the zip and the sums:
#   QMR_SIGN_PFX=signer.pfx QMR_SIGN_PASSWORD=... [QMR_SIGN_TIMESTAMP_URL=http://...] \
#       scripts/release.sh
# The build and the zip's entries take their dates from SOURCE_DATE_EPOCH (by default the last
# commit's time), so that an unsigned release of one commit is the same byte for byte wherever it
# is made.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-release"
out="$root/release"

die() {
    echo "release.sh: $*" >&2
    exit 1
}

for tool in zip sha256sum; do
    command -v "$tool" >/dev/null 2>&1 || die "$tool not found; run scripts/setup.sh first"
done

# Half a signing set-up is a mistake, never a reason to ship unsigned.
sign=0
if [ -n "${QMR_SIGN_PFX:-}" ]; then
    [ -f "$QMR_SIGN_PFX" ] && [ -r "$QMR_SIGN_PFX" ] || die "cannot read QMR_SIGN_PFX $QMR_SIGN_PFX"
    [ -n "${QMR_SIGN_PASSWORD+set}" ] || die "QMR_SIGN_PFX is set but QMR_SIGN_PASSWORD is not"
    command -v osslsigncode >/dev/null 2>&1 || die "osslsigncode not found; run scripts/setup.sh"
    sign=1
elif [ -n "${QMR_SIGN_PASSWORD+set}${QMR_SIGN_TIMESTAMP_URL:-}" ]; then
    die "QMR_SIGN_PASSWORD or QMR_SIGN_TIMESTAMP_URL is set but QMR_SIGN_PFX is not"
fi

SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)}"
[[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] || die "no commit to date the release: set SOURCE_DATE_EPOCH"
export SOURCE_DATE_EPOCH
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1 &&
    [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "release.sh: warning: uncommitted changes; no commit rebuilds this release" >&2
fi

rm -rf "$build" "$out"
bash "$root/scripts/build_windows.sh" "$build" "$build/media" installation_media
{ read -r name && read -r product; } <"$build/product/release" ||
    die "the build wrote no release name"

stage="$build/stage"
mkdir -p "$stage" "$out"
cp -R "$build/media" "$stage/$name"

if [ "$sign" = 1 ]; then
    # The password goes through a private file, not the command line that ps shows.
    secret="$(mktemp)"
    trap 'rm -f "$secret"' EXIT
    printf '%s' "$QMR_SIGN_PASSWORD" >"$secret"
    stamp=()
    [ -z "${QMR_SIGN_TIMESTAMP_URL:-}" ] || stamp=(-ts "$QMR_SIGN_TIMESTAMP_URL")
    for program in QMR640_Installer QMR640_Uninstaller; do
        osslsigncode sign -pkcs12 "$QMR_SIGN_PFX" -readpass "$secret" -h sha256 -n "$product" \
            "${stamp[@]}" -in "$stage/$name/$program.exe" -out "$stage/$program.signed.exe" \
            >/dev/null || die "osslsigncode could not sign $program.exe"
        mv "$stage/$program.signed.exe" "$stage/$name/$program.exe"
    done
fi

# The same entries in the same order, with the same times and modes, give the same zip.
find "$stage/$name" -type f -exec chmod 644 {} + -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
cd "$stage"
find "$name" -type f | LC_ALL=C sort >files
TZ=UTC zip -X -D -q "$out/$name.zip" -@ <files
{ xargs -d '\n' sha256sum <files && (cd "$out" && sha256sum "$name.zip"); } |
    LC_ALL=C sort -k 2 >"$out/SHA256SUMS"

if [ "$sign" = 1 ]; then
    echo "release.sh: signed QMR640_Installer.exe and QMR640_Uninstaller.exe with $QMR_SIGN_PFX"
else
    echo "release.sh: NOT SIGNED: no certificate given (QMR_SIGN_PFX, QMR_SIGN_PASSWORD)"
fi
echo "Release ready in $out: $name.zip, SHA256SUMS"
