#!/usr/bin/env bash
# Fuzzes one target (or all, one after another) for a number of seconds with libFuzzer, ASan and UBSan:
#
#   scripts/fuzz.sh TARGET [SECONDS] [extra libFuzzer flags...]
#   scripts/fuzz.sh all 120
#
# TARGET: profile_list, cache_file, widget_url, bookmark, json_plan, mspdi. SECONDS defaults to 60.
# Builds with the `fuzz` preset (clang-14, installed here when missing). New inputs go to
# build/fuzz/corpus/TARGET (not into the repository); a crashing input goes to fuzz/artifacts/TARGET/.
# Keep a finding: copy it into fuzz/regressions/TARGET/ under a name that says what it found, fix the
# cause, and the replay test (ctest -L fuzz) runs it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(profile_list cache_file widget_url bookmark json_plan mspdi)
target=${1:?usage: scripts/fuzz.sh TARGET|all [SECONDS] [libFuzzer flags...]}
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : 1 ))

if ! command -v clang++-14 >/dev/null || ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "ok installed"; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends clang-14 libclang-rt-14-dev
fi

if [ "$target" = all ]; then
  for t in "${targets[@]}"; do "$0" "$t" "$seconds" "$@"; done
  exit 0
fi
case " ${targets[*]} " in *" $target "*) ;; *) echo "unknown target: $target (one of: ${targets[*]})" >&2; exit 2;; esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "fuzz_$target"

testdata=tests/data
seeds=(fuzz/corpus/"$target")
[ -d fuzz/regressions/"$target" ] && seeds+=(fuzz/regressions/"$target")
case "$target" in
  profile_list|cache_file) seeds+=("$testdata/jsontestsuite/test_parsing") ;;
  json_plan) seeds+=("$testdata/jsontestsuite/test_parsing" examples) ;;
  mspdi) seeds+=("$testdata/mspdi") ;;
esac
dictionary=()
[ -f fuzz/dictionaries/"$target".dict ] && dictionary=(-dict=fuzz/dictionaries/"$target".dict)

work=build/fuzz/corpus/$target
mkdir -p "$work" fuzz/artifacts/"$target"
exec build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
  -print_final_stats=1 -artifact_prefix=fuzz/artifacts/"$target"/ "${dictionary[@]}" "$@" "$work" "${seeds[@]}"
