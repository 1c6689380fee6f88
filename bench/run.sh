#!/usr/bin/env bash
# bench/run.sh: measures what vokbuild costs beyond the packer calls it makes.
#
# usage: bash bench/run.sh [N [PAIRS]]   N staged files (default 3000),
#                                        PAIRS alternating pairs (default 7, at least 5)
#        bash bench/run.sh --smoke       N = 50 and a small scan: checks that it all runs
#
# It builds vokbuild, the stand-in packer and the benchmark programs (CMake,
# Release) into build-bench/ of the checkout (VOKBUILD_BENCH_BUILD names
# another folder), makes a game folder with N staged files in a temporary
# folder, installs the stand-in packer there as pack.exe on PATH with
# PACK_QUIET=1 (it then prints nothing and does no work; VOKBUILD_BENCH_PACKER
# names another build of it, e.g. a statically linked one), and measures:
# - driver: vokbuild GAME, standard output to a file;
# - floor: bench/spawn_floor.cc, a bare loop making the same N packer calls
#   (same arguments, output appended to voklog.txt, each waited for);
# - shell: the same loop with each call run by /bin/sh -c '... >> voklog.txt';
# - driver and floor alternately, then driver and shell alternately, PAIRS
#   times each: the median, min and max of the per-pair ratios, of wall time
#   and of processor time (user + system of the whole process tree);
# - vokbuild's peak resident memory at N/10 and at N files;
# - scanning alone (bench/scan_bench.cc): countFiles and a FolderListing walk
#   over a folder of 100,000 entries.
# Every run goes through bench/run_timed.cc. Before timing, one recorded run
# of each checks that the driver and both loops make the same packer calls.
# The targets are printed beside the figures; the exit status is non-zero
# only when something fails to run, never because of a figure.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
files=3000
pairs=7
scanEntries=100000
scanRounds=5
smoke=false
if [ "${1:-}" = --smoke ]; then
  smoke=true
  files=50
  pairs=5
  scanEntries=5000
  scanRounds=3
elif [ $# -gt 0 ]; then
  files=$1
  pairs=${2:-7}
fi
case "$files$pairs" in
  *[!0-9]*) echo "usage: bench/run.sh [N [PAIRS]] | --smoke" >&2; exit 2 ;;
esac
if [ "$files" -lt 10 ] || [ "$pairs" -lt 5 ]; then
  echo "bench/run.sh: N must be at least 10 and PAIRS at least 5" >&2
  exit 2
fi

fail() {
  echo "bench/run.sh: $*" >&2
  exit 1
}

build=${VOKBUILD_BENCH_BUILD:-$repo/build-bench}
buildLog=$(mktemp "${TMPDIR:-/tmp}/vokbench-build.XXXXXX")
if ! { cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF &&
       cmake --build "$build" -j2 --target vokbuild stand-in-pack spawn-floor scan-bench \
         run-timed; } >"$buildLog" 2>&1; then
  cat "$buildLog" >&2
  rm -f "$buildLog"
  fail "the build failed"
fi
rm -f "$buildLog"
vokbuild=$build/vokbuild
floor=$build/bench/spawn-floor
scanBench=$build/bench/scan-bench
timer=$build/bench/run-timed

work=$(mktemp -d "${TMPDIR:-/tmp}/vokbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
packer=${VOKBUILD_BENCH_PACKER:-$build/stand-in-pack}
cp "$packer" "$work/bin/pack.exe" || fail "cannot install $packer as pack.exe"
export PATH="$work/bin:$PATH"
export PACK_QUIET=1
unset PACK_RECORD PACK_FAIL PACK_CRASH PACK_SLEEP_MS PACK_DELETE

# makeGame FOLDER COUNT: a game folder with COUNT staged files in temp.
makeGame() {
  mkdir -p "$1/expansion/vok/temp" "$1/expansion/vok/tempL"
  local i
  for ((i = 1; i <= $2; i++)); do
    : >"$1/expansion/vok/temp/$(printf 'f%05d.dat' "$i")"
  done
}
game=$work/game
small=$work/small
makeGame "$game" "$files"
makeGame "$small" $((files / 10))
names=$work/names.txt
(cd "$game/expansion/vok/temp" && ls -f | grep -v '^\.') >"$names"

# Each run leaves "WALL_US USER_US SYSTEM_US PEAK_KIB" in $work/figures.
runDriver() {
  "$timer" "$work/figures" "$vokbuild" "$game" >"$work/driver.out" 2>"$work/driver.err"
}
runFloor() { "$timer" "$work/figures" "$floor" "$game" "$names"; }
runShell() { "$timer" "$work/figures" "$floor" --shell "$game" "$names"; }

# recordCalls RUN: the packer calls RUN makes, one line each, sorted; the
# driver's closing optimize call is not one of the N.
recordCalls() {
  rm -f "$work/record"
  PACK_RECORD="$work/record" "$1" || fail "$1 failed"
  tr '\0' '|' <"$work/record" | grep -vx 'expansion\\vok\\vok.zqb|/opt|' | sort
}
recordCalls runDriver >"$work/calls.driver"
grep -q '^All done!$' "$work/driver.out" || fail "vokbuild did not finish: $(cat "$work/driver.err")"
[ "$(head -n 1 "$game/voklog.txt")" = "VOK Log Start " ] || fail "vokbuild did not start the log"
made=$(wc -l <"$work/calls.driver")
[ "$made" -eq "$files" ] || fail "vokbuild made $made add calls, not $files"
recordCalls runFloor >"$work/calls.floor"
recordCalls runShell >"$work/calls.shell"
cmp -s "$work/calls.driver" "$work/calls.floor" || fail "the floor loop's calls differ from vokbuild's"
cmp -s "$work/calls.driver" "$work/calls.shell" || fail "the shell loop's calls differ from vokbuild's"

# measurePairs OTHER: PAIRS alternating runs of the driver and OTHER, one
# line per pair: "DRIVER_WALL DRIVER_CPU OTHER_WALL OTHER_CPU" in microseconds.
measurePairs() {
  local i driver
  for ((i = 0; i < pairs; i++)); do
    runDriver || fail "vokbuild failed"
    driver=$(awk '{ print $1, $2 + $3 }' "$work/figures")
    "$1" || fail "$1 failed"
    echo "$driver $(awk '{ print $1, $2 + $3 }' "$work/figures")"
  done
}
measurePairs runFloor >"$work/pairs.floor"
measurePairs runShell >"$work/pairs.shell"

# stats: "MEDIAN [MIN, MAX]" of the numbers on standard input, one a line.
stats() {
  sort -g | awk '{ v[NR] = $1 }
    END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%.3f [%.3f, %.3f]\n", m, v[1], v[NR] }'
}
# ratio FILE A B: stats of column A over column B.
ratio() { awk -v a="$2" -v b="$3" '{ print $a / $b }' "$1" | stats; }
# seconds COLUMN FILE...: stats of a column of microseconds, in seconds.
seconds() {
  local column=$1
  shift
  awk -v c="$column" '{ print $c / 1e6 }' "$@" | stats
}
median() { echo "${1%% *}"; }
verdict() { if awk "BEGIN { exit !($1) }"; then echo met; else echo "NOT met"; fi; }

floorWall=$(ratio "$work/pairs.floor" 1 3)
floorCpu=$(ratio "$work/pairs.floor" 2 4)
shellWall=$(ratio "$work/pairs.shell" 1 3)
shellCpu=$(ratio "$work/pairs.shell" 2 4)

# peakMemory RUN: the peak resident memory, in KiB, of the largest process of
# the run: vokbuild itself as long as it is larger than one packer call.
peakMemory() {
  "$@" >"$work/memory.out" 2>&1 || fail "$* failed"
  awk '{ print $4 }' "$work/figures"
}
smallKiB=$(peakMemory "$timer" "$work/figures" "$vokbuild" "$small")
largeKiB=$(peakMemory "$timer" "$work/figures" "$vokbuild" "$game")
packKiB=$(peakMemory "$timer" "$work/figures" pack.exe 'expansion\vok\vok.zqb' "$names" /force)
mib() { awk -v k="$1" 'BEGIN { printf "%.2f", k / 1024 }'; }

scanLine=$("$scanBench" "$scanEntries" "$scanRounds" | grep '^median') || fail "scan-bench failed"
read -r countSeconds countRate walkSeconds walkRate bothSeconds < <(echo "$scanLine" | sed -E \
  's/.*countFiles ([0-9.]+) s \(([0-9]+) entries\/s\)  walk ([0-9.]+) s \(([0-9]+) entries\/s\)  both ([0-9.]+) s/\1 \2 \3 \4 \5/')

row() { printf '%-30s %-23s %-23s %-8s %s\n' "$@"; }
echo
echo "vokbuild benchmark: N = $files staged files, $pairs alternating pairs each, $(nproc) cores,"
echo "$(uname -sr); packer $packer;"
echo "medians [min, max] of the per-pair ratios and of the runs"
$smoke && echo "(smoke run: it checks that everything runs; its figures mean nothing)"
echo
row "measure" "wall time" "processor time" "target" "result (wall / processor)"
row "driver / floor" "$floorWall" "$floorCpu" "<= 1.05" \
  "$(verdict "$(median "$floorWall") <= 1.05") / $(verdict "$(median "$floorCpu") <= 1.05")"
row "driver / shell" "$shellWall" "$shellCpu" "<= 0.60" \
  "$(verdict "$(median "$shellWall") <= 0.60") / $(verdict "$(median "$shellCpu") <= 0.60")"
row "driver, s" "$(cat "$work/pairs.floor" "$work/pairs.shell" | seconds 1)" \
  "$(cat "$work/pairs.floor" "$work/pairs.shell" | seconds 2)"
row "floor, s" "$(seconds 3 "$work/pairs.floor")" "$(seconds 4 "$work/pairs.floor")"
row "shell, s" "$(seconds 3 "$work/pairs.shell")" "$(seconds 4 "$work/pairs.shell")"
echo
row "measure" "figure" "" "target" "result"
row "peak memory, $((files / 10)) files, MiB" "$(mib "$smallKiB")" "" "<= 8" \
  "$(verdict "$smallKiB <= 8192")"
row "peak memory, $files files, MiB" "$(mib "$largeKiB")" "" "<= 8" \
  "$(verdict "$largeKiB <= 8192")"
row "  growth, MiB" "$(mib $((largeKiB - smallKiB)))" "" "<= 1" \
  "$(verdict "$largeKiB - $smallKiB <= 1024")"
row "  (one pack.exe call, MiB)" "$(mib "$packKiB")"
row "scan $scanEntries: countFiles, s" "$countSeconds ($countRate/s)" "" "< 0.2" \
  "$(verdict "$countSeconds < 0.2")"
row "  FolderListing walk, s" "$walkSeconds ($walkRate/s)" "" "< 0.2" \
  "$(verdict "$walkSeconds < 0.2")"
row "  both, s" "$bothSeconds" "" "< 0.2" "$(verdict "$bothSeconds < 0.2")"
