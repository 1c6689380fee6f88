#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 60) from its committed corpus. Fails when a target finds a crash, a
# sanitizer report or a broken property; prints the executions per target.
# The build folder is VOKBUILD_FUZZ_BUILD (default build-fuzz in the
# checkout); inputs found while fuzzing stay in its corpus folder, the
# committed corpus is only read.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
seconds=${1:-60}
build=${VOKBUILD_FUZZ_BUILD:-$top/build-fuzz}
targets=(list_reader_fuzz command_line_fuzz)

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOKBUILD_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  log="$build/$target.log"
  echo "== $target: fuzzing for $seconds seconds"
  if "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$work" "$top/fuzz/corpus/$target" >"$log" 2>&1; then
    result=passed
  else
    result=FAILED
    status=1
    tail -n 40 "$log" >&2
    echo "$target: the input that broke it is in $artifacts" >&2
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$target: $result, ${executions:-unknown} executions in $seconds seconds"
done
exit $status
