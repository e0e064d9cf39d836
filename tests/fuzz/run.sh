#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer and UndefinedBehaviorSanitizer on)
# in build/fuzz and runs each one in turn for the given seconds (default 60).
#   tests/fuzz/run.sh [seconds] [target...]
# New inputs go to a scratch folder (printed), started from the saved corpus in tests/fuzz/corpus/;
# with KEEP_CORPUS=1 they are merged back into the saved corpus instead. Faults are saved as
# crash-*/leak-* files in build/fuzz/findings/<target>/.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(ini_document textfile command_line)
build="$root/build/fuzz"
jobs="${FUZZ_BUILD_JOBS:-2}"

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_CXX_COMPILER="${FUZZ_CXX:-clang++}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    -DBO_LIBFUZZER=ON -DBO_BUILD_BENCHMARKS=OFF -DBO_WINE_TESTS=OFF -DBO_PACKAGING_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/fuzz_}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/bo-fuzz.XXXXXX")"
echo "New inputs in $scratch"
status=0
for t in "${targets[@]}"; do
  seeds="$root/tests/fuzz/corpus/$t"
  work="$scratch/$t"
  findings="$build/findings/$t"
  mkdir -p "$work" "$findings"
  echo "== $t: ${seconds}s"
  # -use_value_profile helps through the string comparisons of the option names and markers.
  if ! ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" "$build/tests/fuzz/fuzz_$t" "$work" "$seeds" \
      -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 -use_value_profile=1 \
      -print_final_stats=1 -artifact_prefix="$findings/" 2>"$scratch/$t.log"; then
    status=1
    echo "   FAULT: see $scratch/$t.log and $findings/"
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$scratch/$t.log" || true
  echo "   corpus: $(ls "$work" | wc -l) new inputs"
  if [ "${KEEP_CORPUS:-0}" = 1 ]; then
    "$build/tests/fuzz/fuzz_$t" -merge=1 "$seeds" "$work" 2>/dev/null
  fi
done
exit $status
