#!/usr/bin/env bash
# Hardening: the whole project, its tests and the libFuzzer targets in fuzz/
# built once with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan); ctest runs the tests, then each fuzz target runs for a
# bounded time. One build serves both, so the plain-C++ layers are compiled
# twice in all (plain and sanitized), not three times. Fails on a failed test, on any sanitizer report (also from a
# child process whose exit status a test does not look at), on a fuzzer
# crash, a broken fuzz check, a leak, or a hang.
#
#   FUZZ_SECONDS=30        seconds per fuzz target; 0 skips fuzzing
#   FUZZ_TIMEOUT=10        seconds one fuzz input may take before it counts as a hang
#   SCMP_SKIP_HARDENING=1  skips everything (for a quick local scripts/test.sh)
#
# Run from anywhere; installs what is missing (as root on Debian).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "${SCMP_SKIP_HARDENING:-0}" = 1 ]; then
  echo "hardening: skipped (SCMP_SKIP_HARDENING=1)"
  exit 0
fi

fuzz_seconds=${FUZZ_SECONDS:-30}
fuzz_timeout=${FUZZ_TIMEOUT:-10}
jobs=$(nproc)
started=$SECONDS
failures=()

# The normal build's packages, plus clang, its libFuzzer runtime and the
# symbolizer that turns sanitizer reports into file and line.
bash scripts/deps.sh clang-14 libclang-rt-14-dev llvm-14

# ---- Sanitizer build and test suite ------------------------------------------
# _GLIBCXX_ASSERTIONS adds bounds checks to std::array, std::vector and
# std::string: an index past the end of an array inside an object stays
# inside the object, where AddressSanitizer cannot see it. The libraries
# also carry libFuzzer's coverage instrumentation (SCMP_FUZZ), which the
# tests do not notice and the fuzz targets steer by. (std::vector's own
# annotations, _GLIBCXX_SANITIZE_VECTOR, stay off: the tests link Debian's
# prebuilt GoogleTest, whose vectors would not carry them.)
asan_dir="$root/build-asan"
logs="$asan_dir/sanitizer-logs"
echo "hardening: sanitizer build in $asan_dir"
# A cache made with another compiler cannot be switched over in place.
if [ -f "$asan_dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang++-14$' "$asan_dir/CMakeCache.txt"; then
  rm -rf "$asan_dir/CMakeCache.txt" "$asan_dir/CMakeFiles"
fi
# -O1 and line tables only (-g1): what sanitizer builds are usually made
# with; enough for a report's file and line, and quicker to compile.
cmake -S . -B "$asan_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DSCMP_SANITIZE=ON -DSCMP_FUZZ=ON -DSCMP_BUILD_GUI=ON -DSCMP_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-D_GLIBCXX_ASSERTIONS" >/dev/null
cmake --build "$asan_dir" -j"$jobs" --target all fuzzers

rm -rf "$logs"
mkdir -p "$logs"
# A report ends the process with status 86, which no test expects of a
# child (scmp-run started by a test, a forked test child). AddressSanitizer
# and LeakSanitizer reports also go to files, one per process, so that they
# fail the run even where a test does not look at a child's status; gcc's
# UndefinedBehaviorSanitizer writes to standard error only, which ctest
# keeps in LastTest.log for every test, passed or not.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1:exitcode=86:log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-system-libs.supp:print_suppressions=0"
ctest_status=0
(cd "$asan_dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" --timeout 600) || ctest_status=$?
if compgen -G "$logs/*" >/dev/null; then
  echo "hardening: sanitizer reports:"
  for f in "$logs"/*; do
    echo "---- $f"
    head -n 80 "$f"
  done
  failures+=("sanitizer reports in $logs")
fi
report_pattern='runtime error:|ERROR: (Address|Leak)Sanitizer|SUMMARY: (Address|UndefinedBehavior)Sanitizer'
if grep -qE "$report_pattern" "$asan_dir/Testing/Temporary/LastTest.log" 2>/dev/null; then
  echo "hardening: sanitizer reports in the test output:"
  grep -nE -A 12 "$report_pattern" "$asan_dir/Testing/Temporary/LastTest.log" | head -n 120
  failures+=("sanitizer reports in $asan_dir/Testing/Temporary/LastTest.log")
fi
[ "$ctest_status" -eq 0 ] || failures+=("ctest in $asan_dir (status $ctest_status)")
unset ASAN_OPTIONS UBSAN_OPTIONS
echo "hardening: sanitizer stage done after $((SECONDS - started)) s"

# ---- Fuzzing -------------------------------------------------------------------
if [ "$fuzz_seconds" -gt 0 ]; then
  fuzz_dir="$asan_dir/fuzz"
  export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
  export ASAN_OPTIONS="detect_stack_use_after_return=1:strict_string_checks=1"
  mkdir -p "$fuzz_dir/artifacts" "$fuzz_dir/logs"
  for target in table memory_image listing number_text program asm test_file; do
    # The working corpus grows in the build folder; the seeds in the
    # repository are only read.
    corpus="$fuzz_dir/corpus/$target"
    seeds="$root/fuzz/corpus/$target"
    extra=""
    [ "$target" = asm ] && seeds="$root/Scmp/Samples" && extra="$root/fuzz/corpus/asm"  # the sample sources seed the assembler, with macro and include seeds
    log="$fuzz_dir/logs/$target.log"
    mkdir -p "$corpus"
    status=0
    timeout --kill-after=10 $((fuzz_seconds + 120)) \
      "$fuzz_dir/fuzz_$target" -max_total_time="$fuzz_seconds" -timeout="$fuzz_timeout" \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$fuzz_dir/artifacts/$target-" \
      "$corpus" "$seeds" $extra >"$log" 2>&1 || status=$?
    summary=$(grep -E "^#[0-9]+[[:space:]]+DONE" "$log" | tail -n 1 | tr "\t" " " || true)
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "hardening: fuzz_$target: status $status, ${executed:-?} inputs; ${summary:-no final stats}"
    if [ "$status" -ne 0 ]; then
      echo "---- $log (end)"
      tail -n 60 "$log"
      artifact=$(grep -o "Test unit written to .*" "$log" | tail -n 1 | sed 's/Test unit written to //' || true)
      failures+=("fuzz_$target (status $status${artifact:+, input $artifact})")
      mkdir -p "$asan_dir"
      echo "$(date -u +%FT%TZ) fuzz_$target status $status input ${artifact:-none} log $log" >>"$asan_dir/FINDINGS.txt"
    fi
  done
  unset ASAN_OPTIONS ASAN_SYMBOLIZER_PATH
fi

echo "hardening: finished after $((SECONDS - started)) s"
if [ ${#failures[@]} -gt 0 ]; then
  echo "hardening: FAILED:"
  printf '  %s\n' "${failures[@]}"
  exit 1
fi
echo "hardening: passed"
