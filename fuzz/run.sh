#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ (or FUZZ_BUILD_DIR) and
# runs each for SECONDS (default 20) on its seed corpus, after replaying the
# saved regressions. Fails on the first crash, sanitizer report, timeout or
# out-of-memory. Further arguments name the targets to run (default: all).
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
shift || true
build="${FUZZ_BUILD_DIR:-build-fuzz}"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLAKE_FUZZ=ON -DVORLAKE_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzzers

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/*_fuzzer.cc; do
    name="$(basename "$src" .cc)"
    [ -x "$build/$name" ] && targets+=("$name")
  done
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=0:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
flags=(-rss_limit_mb=2048 -timeout=10 -print_final_stats=1)
# With FUZZ_RUNS set, each target makes that many runs from a fixed seed
# instead of running for SECONDS: the same inputs every time, so a check
# that passed once passes again (CI uses this).
if [ -n "${FUZZ_RUNS:-}" ]; then
  budget=(-runs="$FUZZ_RUNS" -seed=1)
else
  budget=(-max_total_time="$seconds")
fi
status=0
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  artifacts="$build/artifacts/$t"
  mkdir -p "$work" "$artifacts"
  echo "== $t: ${seconds}s"
  if compgen -G "fuzz/regressions/$t/*" >/dev/null; then
    if ! "$build/$t" "${flags[@]}" fuzz/regressions/"$t"/* >"$build/$t.regressions.log" 2>&1; then
      echo "FAIL $t: a saved regression fails again (see $build/$t.regressions.log)"
      status=1
      continue
    fi
  fi
  if "$build/$t" "${flags[@]}" "${budget[@]}" -artifact_prefix="$artifacts/" \
      "$work" "fuzz/corpus/$t" >"$build/$t.log" 2>&1; then
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$t.log" || true
  else
    echo "FAIL $t (log: $build/$t.log, input: $(ls "$artifacts" | head -1))"
    grep -E 'ERROR|SUMMARY|runtime error' "$build/$t.log" | head -5 || true
    status=1
  fi
done
exit $status
