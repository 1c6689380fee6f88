#!/usr/bin/env bash
# bench/run.sh: measures what vokbuild costs beyond the packer calls it makes.
#
# usage: bash bench/run.sh [N [PAIRS]]   N staged files (default 3000),
#                                        PAIRS alternating pairs (default 7, at least 5)
#        bash bench/run.sh --smoke       N = 50, a small scan: checks that everything runs
#
# It builds vokbuild, the stand-in packer and the benchmark programs (CMake,
# Release) into build-bench/ of the checkout (VOKBUILD_BENCH_BUILD names
# another folder), makes a game folder with N staged files in a temporary
# folder, installs the stand-in packer there as pack.exe on PATH with
# PACK_QUIET=1 (it then prints nothing and does no work), and measures:
# - driver: vokbuild GAME, standard output to a file;
# - floor: bench/spawn_floor.cc, a bare loop making the same N packer calls
#   (same arguments, output appended to voklog.txt, each waited for);
# - shell: the same loop with each call run by /bin/sh -c '... >> voklog.txt';
# - driver and floor alternately, then driver and shell alternately, PAIRS
#   times each, and prints the median, min and max of the per-pair ratios;
# - vokbuild's peak resident memory (/usr/bin/time -f %M) at N/10 and N files;
# - scanning alone (bench/scan_bench.cc): countFiles and a FolderListing walk
#   over a folder of 100,000 entries.
# Before timing, one recorded run of each loop checks that the driver and
# both loops make the same packer calls. Targets are printed beside the
# figures; the exit status is non-zero only when something fails to run.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
files=3000
pairs=7
scanEntries=100000
scanRounds=5
if [ "${1:-}" = --smoke ]; then
  files=50
  pairs=5
  scanEntries=5000
  scanRounds=3
  shift
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
log=$(mktemp "${TMPDIR:-/tmp}/vokbench-build.XXXXXX")
if ! { cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF &&
       cmake --build "$build" -j2 --target vokbuild stand-in-pack spawn-floor scan-bench; } \
     >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  fail "the build failed"
fi
rm -f "$log"
vokbuild=$build/vokbuild
floor=$build/bench/spawn-floor
scanBench=$build/bench/scan-bench
[ -x /usr/bin/time ] || fail "/usr/bin/time is not installed (apt-get install time)"

work=$(mktemp -d "${TMPDIR:-/tmp}/vokbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cp "$build/stand-in-pack" "$work/bin/pack.exe"
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

runDriver() { "$vokbuild" "$game" >"$work/driver.out" 2>"$work/driver.err"; }
runFloor() { "$floor" "$game" "$names"; }
runShell() { "$floor" --shell "$game" "$names"; }

# The calls each of them makes, one line each, in sorted order; the driver's
# closing optimize call is not one of the N.
recordCalls() {
  rm -f "$work/record"
  PACK_RECORD="$work/record" "$1" || fail "$1 failed"
  tr '\0' '|' <"$work/record" | grep -vx 'expansion\\vok\\vok.zqb|/opt|' | sort
}
recordCalls runDriver >"$work/calls.driver"
grep -q '^All done!$' "$work/driver.out" || fail "vokbuild did not finish: $(cat "$work/driver.err")"
[ "$(head -n 1 "$game/voklog.txt")" = "VOK Log Start " ] || fail "vokbuild did not start the log"
[ "$(wc -l <"$work/calls.driver")" -eq "$files" ] || fail "vokbuild made $(wc -l <"$work/calls.driver") add calls, not $files"
recordCalls runFloor >"$work/calls.floor"
recordCalls runShell >"$work/calls.shell"
cmp -s "$work/calls.driver" "$work/calls.floor" || fail "the floor loop's calls differ from vokbuild's"
cmp -s "$work/calls.driver" "$work/calls.shell" || fail "the shell loop's calls differ from vokbuild's"

# timed NAME: runs NAME and leaves its wall time in microseconds in $elapsed.
timed() {
  local start=${EPOCHREALTIME/./}
  "$1" || fail "$1 failed"
  local end=${EPOCHREALTIME/./}
  elapsed=$((end - start))
}

# measurePairs OTHER: PAIRS alternating runs of the driver and OTHER; prints
# one line per pair, "driverMicroseconds otherMicroseconds".
measurePairs() {
  local i driver
  for ((i = 0; i < pairs; i++)); do
    timed runDriver
    driver=$elapsed
    timed "$1"
    echo "$driver $elapsed"
  done
}
measurePairs runFloor >"$work/pairs.floor"
measurePairs runShell >"$work/pairs.shell"

# stats: "median min max" of the numbers on standard input, one a line.
stats() {
  sort -g | awk '{ v[NR] = $1 }
    END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%.3f %.3f %.3f\n", m, v[1], v[NR] }'
}
ratios() { awk '{ print $1 / $2 }' "$1" | stats; }
seconds() {
  local column=$1
  shift
  awk -v c="$column" '{ print $c / 1e6 }' "$@" | stats
}

read -r floorMedian floorMin floorMax < <(ratios "$work/pairs.floor")
read -r shellMedian shellMin shellMax < <(ratios "$work/pairs.shell")
read -r dMedian dMin dMax < <(cat "$work/pairs.floor" "$work/pairs.shell" | seconds 1)
read -r fMedian fMin fMax < <(seconds 2 "$work/pairs.floor")
read -r sMedian sMin sMax < <(seconds 2 "$work/pairs.shell")

# peakMemory FOLDER: vokbuild's peak resident memory on FOLDER, in KiB.
peakMemory() {
  /usr/bin/time -f %M -o "$work/memory" "$vokbuild" "$1" >"$work/memory.out" 2>/dev/null ||
    fail "vokbuild failed on $1"
  tail -n 1 "$work/memory"
}
smallKiB=$(peakMemory "$small")
largeKiB=$(peakMemory "$game")

scanLine=$("$scanBench" "$scanEntries" "$scanRounds" | grep '^median') || fail "scan-bench failed"
read -r countSeconds countRate walkSeconds walkRate bothSeconds < <(echo "$scanLine" |
  sed -E 's/.*countFiles ([0-9.]+) s \(([0-9]+) entries\/s\)  walk ([0-9.]+) s \(([0-9]+) entries\/s\)  both ([0-9.]+) s/\1 \2 \3 \4 \5/')

verdict() { if awk "BEGIN { exit !($1) }"; then echo met; else echo "NOT met"; fi; }
mib() { awk -v k="$1" 'BEGIN { printf "%.2f", k / 1024 }'; }

echo
echo "vokbuild benchmark: N = $files staged files, $pairs alternating pairs each;"
echo "$(nproc) cores, $(uname -sr); wall times of whole processes, medians [min, max]"
echo
printf '%-34s %-24s %-12s %s\n' "measure" "median [min, max]" "target" "result"
printf '%-34s %-24s %-12s %s\n' "driver / floor" "$floorMedian [$floorMin, $floorMax]" "<= 1.05" \
  "$(verdict "$floorMedian <= 1.05")"
printf '%-34s %-24s %-12s %s\n' "driver / shell" "$shellMedian [$shellMin, $shellMax]" "<= 0.60" \
  "$(verdict "$shellMedian <= 0.60")"
printf '%-34s %-24s\n' "driver, s" "$dMedian [$dMin, $dMax]"
printf '%-34s %-24s\n' "floor, s" "$fMedian [$fMin, $fMax]"
printf '%-34s %-24s\n' "shell, s" "$sMedian [$sMin, $sMax]"
printf '%-34s %-24s %-12s %s\n' "peak memory, $((files / 10)) files, MiB" "$(mib "$smallKiB")" "<= 8" \
  "$(verdict "$smallKiB <= 8192")"
printf '%-34s %-24s %-12s %s\n' "peak memory, $files files, MiB" "$(mib "$largeKiB")" "<= 8" \
  "$(verdict "$largeKiB <= 8192")"
printf '%-34s %-24s %-12s %s\n' "  growth from $((files / 10)) to $files files, MiB" \
  "$(mib $((largeKiB - smallKiB)))" "<= 1" "$(verdict "$largeKiB - $smallKiB <= 1024")"
printf '%-34s %-24s %-12s %s\n' "scan $scanEntries entries: countFiles, s" \
  "$countSeconds ($countRate/s)" "< 0.2" "$(verdict "$countSeconds < 0.2")"
printf '%-34s %-24s %-12s %s\n' "  FolderListing walk, s" "$walkSeconds ($walkRate/s)" "< 0.2" \
  "$(verdict "$walkSeconds < 0.2")"
printf '%-34s %-24s %-12s %s\n' "  both, s" "$bothSeconds" "< 0.2" "$(verdict "$bothSeconds < 0.2")"
