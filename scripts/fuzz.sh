#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer)
# into build-fuzz/ and runs each one for SECONDS (default 20) from the committed corpus.
# SECONDS=0 only replays the committed corpus. Exits non-zero when any target finds a problem
# (a crash, a hang, a sanitizer report, a broken invariant, a leak); the input that caused it
# is kept in build-fuzz/artifacts/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 600 edit_file read_sets
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(codec edit_file read_sets settings card_text proto templates html package kvtml mnemosyne)

for p in clang libclang-rt-14-dev; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        as_root=()
        [ "$(id -u)" -eq 0 ] || as_root=(sudo)
        "${as_root[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
        break
    fi
done

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_FUZZ=ON -DQUORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzzers -j "$(nproc)" >/dev/null

# Every rewrite syncs its file to disk; a memory-backed folder keeps the runs fast.
tmp_base=/dev/shm
[ -w "$tmp_base" ] || tmp_base=$PWD/$build
export TMPDIR
TMPDIR=$(mktemp -d "$tmp_base/quorvane-fuzz.XXXXXX")
trap 'rm -rf "$TMPDIR"' EXIT
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

mkdir -p "$build/artifacts"
status=0
printf '%-14s %12s %10s %9s\n' target executions exec/s cpu-s
for t in "${targets[@]}"; do
    exe=$build/fuzz/fuzz_$t
    # Qt keeps the settings files it has read, and fontconfig the fonts it has looked up for new
    # scripts, so memory in use never balances there.
    leaks=1
    case $t in settings | card_text) leaks=0 ;; esac
    export ASAN_OPTIONS=detect_leaks=$leaks:allocator_may_return_null=1
    log=$build/fuzz-$t.log
    mkdir -p "$build/corpus/$t"
    if [ "$seconds" -eq 0 ]; then
        args=(fuzz/corpus/"$t"/*)
    else
        # New inputs go to the first folder; the committed corpus stays as it is.
        args=(-max_total_time="$seconds" -print_final_stats=1 "$build/corpus/$t" "fuzz/corpus/$t")
    fi
    TIMEFORMAT='%U %S'
    if { time "$exe" -timeout=10 -rss_limit_mb=2048 -dict=fuzz/store.dict \
            -artifact_prefix="$build/artifacts/$t-" "${args[@]}" >"$log" 2>&1; } 2>"$log.time"; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        [ -n "$runs" ] || runs=$(grep -c '^Executed' "$log" || true)
        cpu=$(awk '{printf "%.1f", $1+$2}' "$log.time")
        rate=$(awk -v r="${runs:-0}" -v s="$seconds" 'BEGIN{printf "%d", s ? r/s : 0}')
        printf '%-14s %12s %10s %9s\n' "$t" "${runs:-0}" "$rate" "$cpu"
    else
        status=1
        echo "fuzz_$t FOUND A PROBLEM; log: $log"
        grep -E "invariant broken|ERROR|SUMMARY|Test unit written" "$log" | head -5
        echo "reproduce: TMPDIR=/tmp $exe <the test unit above>"
    fi
done
exit $status
