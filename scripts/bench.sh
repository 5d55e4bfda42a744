#!/usr/bin/env bash
# Builds the `bench` preset (optimised) and runs the whole benchmark suite once: the Google Benchmark
# scenarios (median of 5 repetitions in random order), the growth with the number of plans, peak memory,
# `today show` as a whole process under hyperfine, and the watching `today bar` (latency, idle CPU,
# memory). Writes the raw results and the report (the tables of docs/performance.md) to
# build/bench/results/ and prints the report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench

build=build/bench
results=$build/results
mkdir -p "$results"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/today-bench-command-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

echo "== Google Benchmark scenarios"
# Repetitions in random order, so that a burst of other work on the machine spreads over all cases
# instead of falling on one of them; the report takes the median of each case.
"$build/bench/today_bench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_out="$results/bench.json" --benchmark_out_format=json

echo "== Growth with the number of plans (1,000, 10,000 and 40,000; several minutes, mostly disk flushes)"
"$build/bench/today_bench_growth" | tee "$results/growth.md"

echo "== Peak memory of one cached reading"
"$build/bench/today_bench_memory" | tee "$results/memory.json"

echo "== today show over 10 projects of 50 tasks"
# Ten JSON plans of 50 leaf tasks each, around the current day, added with `today add` to a fresh
# group container; then `today show` is timed as a whole process.
export TODAY_GROUP_CONTAINERS="$scratch/groups"
now=$(( $(date +%s) - 978307200 ))
for p in $(seq 1 10); do
  plan="$scratch/Plan $p – Rénovation.json"
  {
    printf '{"name":"Plan %d – Rénovation","rootTask":{"id":0,"start":%d,"finish":%d,"children":[' \
      "$p" $((now - 86400)) $((now + 40 * 86400))
    for t in $(seq 1 50); do
      [ "$t" -gt 1 ] && printf ','
      start=$((now - 86400 + t * 3600))
      type=normal; [ $((t % 10)) -eq 0 ] && type=milestone
      printf '{"id":%d,"type":"%s","name":"Tâche %d.%d","start":%d,"finish":%d,"completedPercent":%d,"colorIndex":%d}' \
        $((p * 1000 + t)) "$type" "$p" "$t" "$start" $((start + (t % 5 + 1) * 86400)) $((t * 2)) $((t % 12))
    done
    printf ']}}'
  } >"$plan"
  "$build/tools/today/today" add --no-color "$plan" >/dev/null
done
"$build/tools/today/today" show --no-color >"$results/show.txt"
hyperfine --shell=none --warmup 20 --runs 300 --export-json "$results/hyperfine.json" \
  "$build/tools/today/today show --no-color"

echo "== today bar --watch over 10 plans: save-to-line latency, idle CPU for 60 s, resident memory"
"$build/bench/today_bench_bar" | tee "$results/bar.md"

"$build/bench/today_bench_report" "$results/bench.json" "$results/hyperfine.json" "$results/memory.json" \
  | tee "$results/report.md"
