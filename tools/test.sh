#!/usr/bin/env bash
# Runs every test: formatting, the unit tests of the portable core, the size budget, and the real
# Installer_32bit.exe under Wine. Ends with one "N passed, M failed" line.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh

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

echo "== build"
cmake --preset native >/dev/null
cmake --build --preset native -j2 >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null

echo "== format"
if git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror 2>/dev/null; then
    record ok "the sources are clang-formatted"
else
    record failed "the sources are clang-formatted (run clang-format -i)"
fi

echo "== unit tests"
ctest --preset native --output-on-failure >build/native/ctest.log 2>&1 || true
summary=$(grep -E 'tests passed, [0-9]+ tests failed out of' build/native/ctest.log || true)
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
unit_failed=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")
if [ -z "$summary" ]; then
    cat build/native/ctest.log
    record failed "the unit tests ran"
else
    grep -E '\(Failed\)|\*\*\*' build/native/ctest.log || true
    passed=$((passed + total - unit_failed))
    failed=$((failed + unit_failed))
    echo "$summary"
fi

echo "== size"
size=$(stat -c %s build/win32/Installer_32bit.exe)
if [ "$size" -le 65536 ]; then
    record ok "Installer_32bit.exe is $size bytes, within 64 KB"
else
    record failed "Installer_32bit.exe is $size bytes, over 64 KB"
fi

echo "== under Wine"
source tools/wine-env.sh
trap stop_wine_session EXIT
source tools/demo-folder.sh
work=build/e2e/smoke
make_app_folder "$work"
driver_log=build/e2e/smoke.log
timeout 300 wine build/win32/smoke_driver.exe "$(winepath -w "$work/Installer_32bit.exe")" \
    >"$driver_log" 2>&1 || true
while read -r status _ what; do
    record "$([ "$status" = ok ] && echo ok || echo failed)" "$what"
done < <(grep -E '^(ok|FAILED) - ' "$driver_log" | tr -d '\r')
if ! grep -qE '^(ok|FAILED) - ' "$driver_log"; then
    cat "$driver_log"
    record failed "the smoke driver ran"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
