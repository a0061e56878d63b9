#!/usr/bin/env bash
# Measures the program against two yardsticks built with the same compiler and flags:
# the smallest window program we can write (bench/Reference.cpp) and the floor
# (bench/Floor.cpp), that window plus exactly the start-up work and first paint the
# program must do, written plainly. All run in one Wine prefix (build/bench-prefix, with
# the managed services as demo services, SysMain running) on one virtual display of its
# own, and the script prints a table:
#   1. executable size and imported DLLs;
#   2. start-up: process creation to the window visible and its first paint on screen,
#      TARVIX_BENCH_RUNS (31) rounds of one timed start of each of the three; the
#      program's own overhead is program - floor within each round, and its allowance
#      10 % of the floor's work (floor - reference, likewise paired), or 5 ms where that
#      is more. "met" when the median overhead is within the allowance, "MISSED" when
#      even the low end of its 95 % interval is beyond it, "within noise" otherwise;
#      then where the time goes, step by step, from profiled copies of the program and
#      the floor (timing marks compiled in, medians of as many starts, interleaved);
#   3. resident memory once idle (the working set Wine reports, which is the Linux RSS);
#   4. CPU time while idle with automatic refresh on, over TARVIX_BENCH_IDLE_SECONDS (60),
#      median of TARVIX_BENCH_IDLE_RUNS (3): the process's own, and what the rest of the
#      prefix and the display spent meanwhile (wineserver, services.exe, Xvfb, ...);
#   5. the soak test at TARVIX_SOAK_SCALE (20: 10,000 refreshes, 2,000 paints, 500 Apply
#      round trips), in the tests' own prefix; 0 skips it.
# Not part of the tests' pass/fail. The table and the raw figures go to build/bench/.
# A quick look: TARVIX_BENCH_IDLE_SECONDS=10 TARVIX_BENCH_IDLE_RUNS=1 TARVIX_SOAK_SCALE=1
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
runs=${TARVIX_BENCH_RUNS:-31}
idle_seconds=${TARVIX_BENCH_IDLE_SECONDS:-60}
idle_runs=${TARVIX_BENCH_IDLE_RUNS:-3}
soak_scale=${TARVIX_SOAK_SCALE:-20}
settle_ms=5000  # past the first three-second refresh tick
hz=$(getconf CLK_TCK)

# what is measured, and where the figures go
program=$build/TarvixMini.exe
reference=$build/bench/Reference.exe
floor=$build/bench/Floor.exe
program_profiled=$build/bench/ProgramProfiled.exe
floor_profiled=$build/bench/FloorProfiled.exe
driver=$build/bench/BenchDriver.exe
out=$build/bench
stamp=$(date -u +%Y-%m-%dT%H-%M-%SZ)
raw=$out/bench-$stamp.log
table=$out/bench-$stamp.txt

# The probe pixel: the status dot of the Home page, the last shape the first paint draws
# (green while SysMain runs) in the program and the floor alike, and for the reference
# any point of its one rectangle.
probe=467,171
program_colour=22A15A
reference_colour=F5F7F8
driver_pid=""  # the driver of an idle run, ended with the rest if the script is stopped

# shellcheck source=scripts/build-env.sh
source "$root/scripts/build-env.sh"
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"

# --- helpers -------------------------------------------------------------------------
stop_all() {
  [ -z "$driver_pid" ] || kill "$driver_pid" 2>/dev/null || true
  wine_env_stop
}

winpath() { winepath -w "$1" 2>/dev/null; }
# the median of the numbers on standard input, printed with the printf format given (%.0f)
median() {
  sort -g | awk -v f="${1:-%.0f}\n" '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) printf f, v[(NR + 1) / 2]; else printf f, (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
field() { sed -n "s/.*[ ]$1=\([^ ]*\).*/\1/p"; }
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/.*DLL Name: //p' | sort -f | tr '\n' ' ' | sed 's/ $//'; }

# the untimed first start of each is left out, as in the timed starts
marks() { tail -n +2 "$1"; }
# "step ms" for each mark of each start: the time since the mark before it
durations() {
  marks "$1" | awk '{ prev = 0; for (i = 1; i <= NF; i++) { split($i, kv, "="); printf "%s %.3f\n", kv[1], kv[2] - prev; prev = kv[2] } }'
}
step_median() { durations "$1" | awk -v s="$2" '$1 == s { print $2 }' | median %.2f; }
# Which Windows calls each makes before its message loop: Wine's relay trace of one
# start, read up to the first GetMessageW, keeping the calls of the thread that creates
# the main window (other processes of the prefix may write to the same trace) made from
# the executable's own image (return address 0x14xxxxxxx), counted by name as
# "module.name count".
calls_before_loop() {
  local log pid tid=""
  log=$(mktemp)
  WINEDEBUG=+relay wine "$1" 2>"$log" >/dev/null &
  pid=$!
  # the loop has begun once the thread asks for its first message: then it is ended
  for _ in $(seq 1 600); do
    [ -n "$tid" ] || tid=$(grep -m 1 -o '^[0-9a-f]*:Call user32\.CreateWindowExW([0-9a-f]*,[0-9a-f]* L"TarvixMini435Window"' "$log" | cut -d: -f1)
    [ -n "$tid" ] && grep -q "^$tid:Call user32\.GetMessageW(" "$log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v tid="${tid:-none}:Call " 'index($0, tid) == 1 && / ret=14[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]$/ {
         match($0, /:Call [A-Za-z0-9_]+\.[A-Za-z0-9_]+/); f = substr($0, RSTART + 6, RLENGTH - 6)
         if (f ~ /\.GetMessageW$/) exit
         print f }' "$log" | sort | uniq -c | awk '{ print $2, $1 }' | sort
  rm -f "$log"
}
count_calls() { awk '{ n += $2 } END { print n + 0 }'; }

# The Linux processes of the prefix: its wineserver and the Windows processes, whose
# command line Wine sets to the Windows path of their executable.
prefix_pids() {
  local p first
  for p in /proc/[0-9]*; do
    { tr '\0' '\n' <"$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null || continue
    first=$( { tr '\0' '\n' <"$p/cmdline" | head -n 1; } 2>/dev/null)
    case "$first" in [A-Za-z]:\\* | */wineserver*) echo "${p#/proc/}" ;; esac
  done
}
unix_pid_of() {  # the process of the prefix running the executable named
  local p first
  for p in $(prefix_pids); do
    first=$( { tr '\0' '\n' <"/proc/$p/cmdline" | head -n 1; } 2>/dev/null)
    case "${first,,}" in *"\\${1,,}") echo "$p"; return ;; esac
  done
}
# "pid ticks" for each process given: user plus system clock ticks so far; anything but a
# process id is passed over (an empty one would read /proc/stat, the machine's figures)
ticks() {
  local p s
  for p in "$@"; do
    [[ $p =~ ^[0-9]+$ ]] || continue
    s=$(cat "/proc/$p/stat" 2>/dev/null) || continue
    s=${s##*) }
    # shellcheck disable=SC2086
    set -- $s
    echo "$p $((${12} + ${13}))"
  done
}
# milliseconds spent between two tick lists, by the processes that are in both
spent_ms() {
  join <(sort "$1") <(sort "$2") | awk -v hz="$hz" '{ t += $3 - $2 } END { printf "%d", t * 1000 / hz }'
}
# The process of the prefix running the executable named, waited for up to pid_wait_s:
# under load Wine may set a new process's command line only a while after its window
# is up. Empty when it never showed.
pid_wait_s=20
wait_for_pid() {
  local found="" deadline=$((SECONDS + pid_wait_s))
  while :; do
    found=$(unix_pid_of "$1")
    if [ -n "$found" ] || [ "$SECONDS" -ge "$deadline" ]; then break; fi
    sleep 0.1
  done
  echo "$found"
}
idle_run() {  # name exe colour
  local name=$1 exe=$2 colour=$3 log unix others before after status=0
  log=$(mktemp)
  before=$(mktemp)
  after=$(mktemp)
  wine "$driver" idle "$idle_seconds" $settle_ms "$name" "$(winpath "$exe")" $probe "$colour" >"$log" 2>&1 &
  driver_pid=$!
  while ! grep -q 'phase=ready' "$log" && kill -0 "$driver_pid" 2>/dev/null; do sleep 0.05; done
  unix=$(wait_for_pid "$(basename "$exe")")
  if [ -z "$unix" ]; then
    kill "$driver_pid" 2>/dev/null || true
    wait "$driver_pid" 2>/dev/null || true
    driver_pid=""
    tr -d '\r' <"$log" >>"$raw"
    echo "the idle measurement of $name failed: no process of the prefix ran $(basename "$exe") within" \
      "${pid_wait_s} s of its window being ready; see $raw" >&2
    exit 1
  fi
  # everything else that works for the prefix and the display, but not the driver, which sleeps
  others=$( (prefix_pids; echo "$xvfb_pid") | grep -vx "${unix:-none}" | grep -vx "$(unix_pid_of BenchDriver.exe)" | sort -u)
  # shellcheck disable=SC2086
  { ticks $others; ticks "$unix" | sed 's/^/own-/'; } >"$before"
  while ! grep -q 'phase=end' "$log" && kill -0 "$driver_pid" 2>/dev/null; do sleep 0.05; done
  # shellcheck disable=SC2086
  { ticks $others; ticks "$unix" | sed 's/^/own-/'; } >"$after"
  wait "$driver_pid" || status=$?
  driver_pid=""
  tr -d '\r' <"$log" >>"$raw"
  if [ "$status" != 0 ]; then
    echo "the idle measurement of $name failed; see $raw" >&2
    exit 1
  fi
  local ready end
  ready=$(tr -d '\r' <"$log" | grep 'phase=ready')
  end=$(tr -d '\r' <"$log" | grep 'phase=end')
  echo "idle-figures target=$name working_set=$(echo "$ready" | field working_set)" \
    "working_set_end=$(echo "$end" | field working_set)" \
    "cpu_ms=$(( ($(echo "$end" | field cpu_100ns) - $(echo "$ready" | field cpu_100ns)) / 10000 ))" \
    "linux_cpu_ms=$(spent_ms <(grep '^own-' "$before") <(grep '^own-' "$after"))" \
    "rest_cpu_ms=$(spent_ms <(grep -v '^own-' "$before") <(grep -v '^own-' "$after"))" | tee -a "$raw"
  rm -f "$log" "$before" "$after"
}
idle_median() { grep "idle-figures target=$1 " "$raw" | field "$2" | median; }
mib() { awk -v b="$1" 'BEGIN { printf "%.2f", b / 1048576 }'; }

verdict() { if [ "$1" = 1 ]; then echo "met"; else echo "MISSED"; fi; }
# the idle CPU of the program against the reference's: a difference within one clock tick
# is below what the process's CPU time can show
idle_verdict() {
  awk -v p="$1" -v r="$2" -v tick="$((1000 / hz))" 'BEGIN {
    if (p <= r) print "met"; else if (p - r <= tick) print "within noise"; else print "MISSED" }'
}
# a CPU time difference as a share of one core over the idle time
share() { awk -v p="$1" -v r="$2" -v s="$idle_seconds" 'BEGIN { printf "%+d ms = %.3f%% of one core", p - r, (p - r) / (s * 10) }'; }

# --- set-up --------------------------------------------------------------------------
trap stop_all EXIT
"$root/scripts/install-deps.sh"
build_with_preset "$root" "$build" TarvixMini BenchReference BenchFloor BenchProgramProfiled BenchFloorProfiled \
  BenchDriver TestService TarvixTests >/dev/null
: >"$raw"
# the version, as CMake's project gives it to the program
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

wine_env_start "$build/bench-prefix"
xvfb_pid=$WINE_ENV_XVFB_PID
echo "bench services:"
"$root/scripts/demo-services.sh" "$build/TestService.exe"

# --- 1. size and imports -----------------------------------------------------------
size_program=$(stat -c %s "$program")
size_reference=$(stat -c %s "$reference")
imports_program=$(imports "$program")
imports_reference=$(imports "$reference")

# --- 2. start-up ---------------------------------------------------------------------
# the machine is shared: its load goes with the figures
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "start-up: $runs timed starts of each, interleaved (load average $load_before)"
wine "$driver" startup "$runs" reference "$(winpath "$reference")" $probe $reference_colour \
  floor "$(winpath "$floor")" $probe $program_colour \
  program "$(winpath "$program")" $probe $program_colour | tr -d '\r' | tee -a "$raw" | grep 'median' || {
  echo "the start-up measurement failed; see $raw" >&2
  exit 1
}
startup_program=$(grep 'startup target=program runs=' "$raw" | field median_ms)
startup_floor=$(grep 'startup target=floor runs=' "$raw" | field median_ms)
startup_reference=$(grep 'startup target=reference runs=' "$raw" | field median_ms)
# the quartiles of single starts, "q1-q3", for how noisy the machine was
quartiles() { local line; line=$(grep "$1" "$raw"); echo "$(echo "$line" | field q1_ms)-$(echo "$line" | field q3_ms)"; }
own_work=$(grep 'paired first=floor second=reference ' "$raw")
overhead_line=$(grep 'paired first=program second=floor ' "$raw")
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# where the time goes: the profiled copies append one line of marks per start, each
# mark in ms since the process was created
echo "start-up profile: $runs starts of the profiled program and floor, interleaved"
rm -f "$program_profiled.marks" "$floor_profiled.marks"
wine "$driver" startup "$runs" program-profiled "$(winpath "$program_profiled")" $probe $program_colour \
  floor-profiled "$(winpath "$floor_profiled")" $probe $program_colour | tr -d '\r' >>"$raw" || {
  echo "the start-up profile failed; see $raw" >&2
  exit 1
}
profile=$(
  printf '%-46s %14s %14s\n' "   step (median ms since the mark before)" "program" "floor"
  for step in $(marks "$program_profiled.marks" | head -n 1 | tr ' ' '\n' | cut -d= -f1); do
    f=$(step_median "$floor_profiled.marks" "$step")
    [ "$f" != nan ] || f="-"
    printf '%-46s %14s %14s\n' "     $step" "$(step_median "$program_profiled.marks" "$step")" "$f"
  done
  for target in program floor; do
    file=$program_profiled.marks
    [ $target = program ] || file=$floor_profiled.marks
    marks "$file" | sed -n 's/.*painted=\([0-9.]*\).*/\1/p' | median %.2f
  done | paste -sd' ' | awk '{ printf "%-46s %14s %14s\n", "     first WM_PAINT done (ms since creation)", $1, $2 }'
)
{ echo "profile:"; echo "$profile"; } >>"$raw"

echo "Windows calls before the message loop (relay trace)"
calls_program=$(calls_before_loop "$program")
calls_floor=$(calls_before_loop "$floor")
# the calls whose count differs: "+n name" where the program makes more, "-n name" fewer
calls_diff=$(join -a1 -a2 -e0 -o 0,1.2,2.2 <(echo "$calls_program") <(echo "$calls_floor") |
  awk '$2 != $3 { printf "%s%+d %s", sep, $2 - $3, $1; sep = ", " }')
{ echo "calls program:"; echo "$calls_program"; echo "calls floor:"; echo "$calls_floor"; } >>"$raw"

# --- 3. and 4. memory and idle CPU ---------------------------------------------------

echo "idle: $idle_runs run(s) of ${idle_seconds} s each, after ${settle_ms} ms to settle"
for _ in $(seq 1 "$idle_runs"); do
  idle_run program "$program" $program_colour
  idle_run reference "$reference" $reference_colour
done
ws_program=$(idle_median program working_set)
ws_reference=$(idle_median reference working_set)
ws_end_program=$(idle_median program working_set_end)
ws_end_reference=$(idle_median reference working_set_end)
cpu_program=$(idle_median program cpu_ms)
cpu_reference=$(idle_median reference cpu_ms)
rest_program=$(idle_median program rest_cpu_ms)
rest_reference=$(idle_median reference rest_cpu_ms)

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# --- 5. soak ---------------------------------------------------------------------------
soak_line="not run (TARVIX_SOAK_SCALE=0)"
soak_result="skipped"
if [ "$soak_scale" != 0 ]; then
  echo "soak: TARVIX_SOAK_SCALE=$soak_scale in the tests' prefix"
  wine_env_stop
  wine_env_start "$build/wineprefix" >/dev/null
  soak_status=0
  (cd "$build" && TARVIX_SOAK_SCALE=$soak_scale wine TarvixTests.exe --gtest_filter='Soak.*') 2>&1 | tr -d '\r' \
    >>"$raw" || soak_status=$?
  wine_env_stop
  soak_line=$(grep '^\[ soak' "$raw" | tail -n 1 | sed 's/^\[ soak *\] //')
  if [ "$soak_status" = 0 ] && grep -q '^\[  PASSED  \] 1 test' "$raw"; then soak_result="passed"; else soak_result="FAILED"; fi
fi

# --- the table ---------------------------------------------------------------------------
ratio=$(awk -v p="$startup_program" -v r="$startup_reference" 'BEGIN { printf "%.2f", p / r }')
floor_ratio=$(awk -v p="$startup_program" -v f="$startup_floor" 'BEGIN { printf "%.2f", p / f }')
# the program's own overhead against what the floor spends beyond the reference, both
# as the median of the differences within each round
overhead=$(echo "$overhead_line" | field median_ms)
overhead_low=$(echo "$overhead_line" | field low_ms)
allowance=$(echo "$own_work" | field median_ms | awk '{ a = $1 / 10; if (a < 5) a = 5; printf "%.2f", a }')
# "MISSED" only when the allowance lies below the whole interval of the median overhead:
# a single round differs by tens of milliseconds either way on a shared machine
overhead_verdict=$(awk -v o="$overhead" -v l="$overhead_low" -v a="$allowance" \
  'BEGIN { if (o <= a) print "met"; else if (l > a) print "MISSED"; else print "within noise" }')
{
  echo "Tarvix Mini $version against bench/Floor.cpp and bench/Reference.cpp, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1), $(. /etc/os-release && echo "$PRETTY_NAME") $(uname -m), $(wine --version)"
  echo
  printf '%-46s %14s %14s %14s   %s\n' "" "program" "floor" "reference" "target"
  printf '%-46s %14s %14s %14s   %s\n' "1. executable size (bytes)" "$size_program" "$(stat -c %s "$floor")" \
    "$size_reference" "<= 98304 (96 KiB): $(verdict "$([ "$size_program" -le 98304 ] && echo 1)")"
  printf '%-46s %s\n' "   imports, program" "$imports_program"
  printf '%-46s %s\n' "   imports, reference" "$imports_reference"
  printf '%-46s %14s %14s %14s   %s\n' "2. start-up to first paint, median of $runs (ms)" "$startup_program" \
    "$startup_floor" "$startup_reference" \
    "overhead $overhead <= $allowance: $overhead_verdict"
  printf '%-46s %14s %14s %14s\n' "   single starts, quartiles (ms)" "$(quartiles 'startup target=program runs=')" \
    "$(quartiles 'startup target=floor runs=')" "$(quartiles 'startup target=reference runs=')"
  for pair in "program - floor:$overhead_line" "floor - reference:$own_work"; do
    line=${pair#*:}
    printf '%-46s %s\n' "   ${pair%%:*}, paired by round (ms)" \
      "median $(echo "$line" | field median_ms), quartiles $(echo "$line" | field q1_ms) to $(echo "$line" | field q3_ms), $(echo "$line" | field confidence | awk '{ printf "%.0f", $1 * 100 }') % interval of the median $(echo "$line" | field low_ms) to $(echo "$line" | field high_ms)"
  done
  printf '%-46s %s\n' "   ratios" "program/reference $ratio, program/floor $floor_ratio"
  printf '%-46s %s\n' "   load average (1, 5, 15 min)" "$load_before before, $load_after after"
  echo "$profile"
  printf '%-46s %14s %14s\n' "   Windows calls before the message loop" "$(echo "$calls_program" | count_calls)" \
    "$(echo "$calls_floor" | count_calls)"
  # the differences wrapped at 120 columns, continued under the first
  echo "${calls_diff:-the same}" | tr -d '\n' | awk -v head="   the program's against the floor's" 'BEGIN { RS = ", " }
    { item[NR] = $0 }
    END { for (i = 1; i <= NR; i++) {
            word = item[i] (i < NR ? "," : "")
            if (line != "" && length(line) + 1 + length(word) > 120 - 47) { printf "%-46s %s\n", head, line; head = ""; line = "" }
            line = line (line == "" ? "" : " ") word }
          printf "%-46s %s\n", head, line }'
  printf '%-46s %14s %14s %14s   %s\n' "3. working set when idle, median (MiB)" "$(mib "$ws_program")" "" "$(mib "$ws_reference")" \
    "difference $(mib $((${ws_program%.*} - ${ws_reference%.*}))) <= 3 MiB: $(verdict "$(awk -v p="$ws_program" -v r="$ws_reference" 'BEGIN { print (p - r <= 3 * 1048576) }')")"
  printf '%-46s %14s %14s %14s\n' "   ... after the idle time (MiB)" "$(mib "$ws_end_program")" "" "$(mib "$ws_end_reference")"
  printf '%-46s %14s %14s %14s   %s\n' "4. CPU over ${idle_seconds} s idle, the process (ms)" "$cpu_program" "" "$cpu_reference" \
    "indistinguishable: $(idle_verdict "$cpu_program" "$cpu_reference"); $(share "$cpu_program" "$cpu_reference")"
  printf '%-46s %14s %14s %14s   %s\n' "   meanwhile in the rest of the prefix (ms)" "$rest_program" "" "$rest_reference" \
    "$(share "$rest_program" "$rest_reference")"
  printf '%-46s %s\n' "   (medians of $idle_runs runs; CPU clock tick $((1000 / hz)) ms)" ""
  printf '%-46s %s\n' "5. soak (created/deleted, after warm-up/end)" "$soak_result"
  printf '%-46s %s\n' "" "$soak_line"
} | tee "$table"
echo "raw figures: $raw"
