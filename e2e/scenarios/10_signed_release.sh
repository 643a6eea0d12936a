# A release signed with a throw-away certificate, checked as a receiver would (zip, sums, signature,
# a changed byte); its installer installs on XP and registers the release's version and publisher.
src="$E2E_WORK/src" got="$E2E_WORK/src/release"
sources="$(git -C "$E2E_ROOT" stash create)" # the commit with the changes not yet committed
mkdir -p "$src" && git -C "$E2E_ROOT" archive "${sources:-HEAD}" | tar -x -C "$src"
(cd "$E2E_WORK" && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=QMR640 test" \
    -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem 2>/dev/null &&
    openssl pkcs12 -export -inkey key.pem -in cert.pem -passout pass:pw -out signer.pfx)
SOURCE_DATE_EPOCH="$(git -C "$E2E_ROOT" log -1 --format=%ct)" QMR_SIGN_PFX="$E2E_WORK/signer.pfx" \
    QMR_SIGN_PASSWORD=pw bash "$src/scripts/release.sh" >"$E2E_WORK/release.log" 2>&1
check "release signed, see release.log" has_line "$E2E_WORK/release.log" "release.sh: signed"

name="$(basename "$got"/*.zip .zip)"
(cd "$got" && unzip -q "$name.zip")
check "zip: the data files of the media" diff -r -x '*.exe' "$got/$name" "$src/build-release/media"
check "every sum matches" sh -c "cd '$got' && sha256sum --quiet -c SHA256SUMS"
verified() { osslsigncode verify -CAfile "$E2E_WORK/cert.pem" -in "$1" >/dev/null 2>&1; }
check "installer's signature verified" verified "$got/$name/QMR640_Installer.exe"
check "uninstaller's signature verified" verified "$got/$name/QMR640_Uninstaller.exe"
python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 2] ^= 1
open(sys.argv[2], "wb").write(b)' "$got/$name/QMR640_Installer.exe" "$E2E_WORK/changed.exe"
check "a byte changed after signing fails" test "$(verified "$E2E_WORK/changed.exe"; echo $?)" = 1

new_prefix win32 winxp
MEDIA="$got/$name"
cp "$E2E_TOOLS/MON640.dll" "$MEDIA/Driver32/MON640.dll"
check "signed installer: exit 3010" run_user install QMR640_Installer.exe 'exit 3010' \
    /quiet /norestart /port:COM1
rc="$(i686-w64-mingw32-windres -i "$MEDIA/QMR640_Installer.exe" -O rc)"
entry="$(reg_values "$UNINSTALL_KEY")"
resource() { sed -n "s/^ *VALUE \"$1\", \"\(.*\)\"$/\1/p" <<<"$rc"; }
check "release name has the resource's version" \
    test "$name" = "QMR640-$(resource ProductVersion | cut -d. -f1-3)"
check "entry DisplayVersion is the release's" has_exact "$entry" "DisplayVersion|REG_SZ|${name#*-}"
check "entry Publisher is the resource's" \
    has_exact "$entry" "Publisher|REG_SZ|$(resource CompanyName)"
