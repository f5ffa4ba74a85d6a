#!/usr/bin/env bash
# Measures Installer_32bit.exe against two baselines built with the same toolchain and flags (a
# bare window with one button and one bar; the same window built plainly) under Wine in Xvfb, and
# writes docs/BENCHMARKS.md. Not a test: it judges targets but never fails on them.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null

# tools/setup-debian.sh registers qemu-i386 only where the kernel runs no 32-bit code.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
    mode=emulated
    machine="emulated (qemu-i386 runs Wine's 32-bit code): timing targets not judged here"
else
    mode=native
    machine="native (32-bit code runs on the processor)"
fi

size_row() {
    local ours bare plain
    ours=$(stat -c %s build/win32/Installer_32bit.exe)
    bare=$(stat -c %s build/win32/bare_window.exe)
    plain=$(stat -c %s build/win32/plain_window.exe)
    echo "| exe size | $ours B | $bare B | $plain B |" \
        "$(awk -v a="$ours" -v b="$bare" -v c="$plain" 'BEGIN { printf "%.2f / %.2f", a / b, a / c }') |" \
        "at most 65,536 B | $([ "$ours" -le 65536 ] && echo met || echo "NOT MET") |"
}

# The largest contributions to the exe, by the object file or library member they come from.
largest_parts() {
    awk '
        function hex(s, i, v) {
            v = 0
            s = tolower(substr(s, 3))
            for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
            return v
        }
        /^Linker script and memory map/ { mapped = 1; next }
        !mapped { next }
        # A long section name stands on a line of its own, its address and size on the next.
        /^ \.(text|rdata|data|bss|rsrc|idata)[^ ]*$/ { pending = 1; next }
        pending && /^ +0x/ { address = $1; size = $2; file = $3; pending = 0 }
        !pending && /^ \.(text|rdata|data|bss|rsrc|idata)[^ ]* +0x/ {
            address = $2; size = $3; file = $4
        }
        file != "" {
            if (hex(address) != 0 && hex(size) != 0) {
                if (match(file, /\(.*\)$/)) file = substr(file, RSTART + 1, RLENGTH - 2)
                sub(/.*\//, "", file)
                sub(/\.(obj|o)$/, "", file)
                total[file] += hex(size)
            }
            file = ""
        }
        END { for (name in total) printf "%d %s\n", total[name], name }' \
        build/win32/Installer_32bit.map | sort -rn | head -5 |
        awk '{ printf "%s%s %.1f KB", (NR > 1 ? ", " : ""), $2, $1 / 1024 }'
}

# The commit measured, and whether the work tree had changes besides.
commit=$(git rev-parse HEAD 2>/dev/null || echo "unknown (no git clone)")
git diff --quiet HEAD 2>/dev/null || commit="$commit, with uncommitted changes"

source tools/wine-env.sh
trap stop_wine_session EXIT
work=build/bench
rm -rf "$work"
mkdir -p "$work"
echo "Running the benchmark ($mode); this takes a few minutes..."
rows=$(wine build/win32/bench_driver.exe "$(winepath -w build/win32)" "$(winepath -w "$work")" \
    "$mode" 2>/dev/null | tr -d '\r')

{
    echo "# Benchmarks"
    echo
    echo "Written by \`tools/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), commit $commit; processor:" \
        "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //') ($(nproc) cores);" \
        "$(wine --version); Xvfb at 96 DPI. Baselines: *bare*, a window with one button and one" \
        "bar; *plain*, the installer's window built plainly (the same 16 controls, font, icon and" \
        "manifest; no DLL search limits, no click queue). Ratios are ours / bare and ours / plain." \
        "Events are timed against their point on the action's grid: the click plus whole seconds."
    echo
    echo "| figure | ours | bare | plain | ratio | target | met |"
    echo "|---|---|---|---|---|---|---|"
    echo "| 32-bit code | $machine | | | | | |"
    size_row
    echo "| largest parts of the exe | $(largest_parts) | | | | - | - |"
    echo "$rows"
    echo
    echo "Reading the figures: start-up steps are weighed by the processor time of variants of the" \
        "plain window (with the step minus without it), which varies by a few milliseconds between" \
        "runs; a step within that noise costs nothing measurable. An install starts its two" \
        "programs one after the other, and Windows' CreateProcess returns only once the program" \
        "is created: the installer's creation comes one CreateProcess after the extractor's, and" \
        "is timed against two companions that the benchmark starts back to back, hidden, as the" \
        "installer starts them (plus 2 ms: creation times are logged in whole milliseconds)."
} >docs/BENCHMARKS.md
cat docs/BENCHMARKS.md
