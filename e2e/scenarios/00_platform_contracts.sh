# The platform contracts of tests/contract/ under Wine, the same checks the host tests run on the
# simulated machine: in a 32-bit Windows XP prefix, then under WOW64 in a 64-bit one. Wine's
# known differences from Windows are printed, not counted; anything else failing fails here.

# run_contracts <name> <reported version>: runs the program in the current prefix and checks
# that it ran on that Windows version, passed and left nothing behind.
run_contracts() {
    local name="$1" version="$2" rc=0
    wine "$(winpath "$E2E_TOOLS/platform_contracts.exe")" >"$E2E_WORK/$name.raw" \
        2>"$E2E_WORK/$name.err" || rc=$?
    wineserver -w
    tr -d '\r' <"$E2E_WORK/$name.raw" >"$E2E_WORK/$name.out"
    local out
    out="$(cat "$E2E_WORK/$name.out")"
    echo "    $name: $(head -1 "$E2E_WORK/$name.out") (exit $rc)"
    printf '%s\n' "$out" | grep -E '^(FAILED|  |note:)' | sed 's/^/      /'
    printf '%s\n' "$out" | grep '^WINE DIFFERS' | sed 's/^/      /'
    check "$name: reported as Windows $version under Wine" has_line "$E2E_WORK/$name.out" \
        "platform contracts on Windows $version"
    check "$name: exit code 0" test "$rc" -eq 0
    check "$name: 0 failed checks" has_exact "$out" "0 failed checks"
    check "$name: no file left behind" test -z "$(find "$DRIVE_C" -iname '*qmr640*' 2>/dev/null)"
    check "$name: no registry entry left behind" test -z "$(grep -il qmr640 "$WINEPREFIX"/*.reg)"
}

new_prefix win32 winxp
run_contracts contracts_win32 "5.1 build 2600"

# A 64-bit prefix reports Windows XP only as its x64 edition.
wineserver -k 2>/dev/null
rm -rf "$WINEPREFIX"
new_prefix win64 winxp64
run_contracts contracts_wow64 "5.2 build 3790, WOW64"
