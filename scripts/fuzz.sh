#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs each fuzz target for a given time, starting from its seed corpus; what a run
# finds is kept in the build folder (fuzz-corpus/, fuzz-logs/, crash files).
# usage: fuzz.sh BUILD_DIR SECONDS [TARGET...]   (targets: sound_table text_decoding delay_rule wav_decoding packed_text)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
seconds="$2"
shift 2
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=(sound_table text_decoding delay_rule wav_decoding packed_text)

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=0
mkdir -p "$build/fuzz-logs" "$build/fuzz-crashes"
for target in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$target"
    mkdir -p "$corpus"
    log="$build/fuzz-logs/$target.log"
    # Texts long enough to cross several blocks of a packed text (16,384 characters each).
    case "$target" in
    text_decoding | packed_text) max_len=200000 ;;
    *) max_len=65536 ;;
    esac
    echo "fuzz_$target: ${seconds}s (log: $log)"
    # -timeout: one input taking that long is a hang (generous: shared CI machines stall);
    # the outer timeout ends a run that hangs where libFuzzer cannot see it.
    if ! timeout -k 10 $((seconds + 120)) "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=30 \
        -rss_limit_mb=2048 -max_len="$max_len" \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-crashes/$target-" \
        "$corpus" "$root/tests/fuzz/corpus/$target" >"$log" 2>&1; then
        echo "fuzz_$target FAILED:"
        tail -n 40 "$log"
        failed=1
    else
        grep -E "stat::number_of_executed_units|cov:" "$log" | tail -n 2
    fi
done
exit "$failed"
