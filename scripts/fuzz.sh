#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, in build-fuzz/) and runs each for SECONDS (default 60)
# on fresh seeds and the corpus earlier runs kept. Status 1 when a target crashed; the input
# that did it is in build-fuzz/crashes/, the whole output in build-fuzz/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh --fuzz
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXO_WERROR=ON \
  -DVEXO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14 > /dev/null
cmake --build build-fuzz
rm -rf build-fuzz/seeds
fuzz/make-seeds.sh build-fuzz/seeds
mkdir -p build-fuzz/crashes build-fuzz/logs

failed=()
for target in $(find build-fuzz/fuzz -maxdepth 1 -type f -executable | sort); do
  name=$(basename "$target")
  # An input that takes longer than the timeout is a hang and fails like a crash.
  options=(-max_total_time="$seconds" -timeout=25 -print_final_stats=1
           -artifact_prefix="build-fuzz/crashes/$name-")
  [ -f "fuzz/dict/$name.dict" ] && options+=(-dict="fuzz/dict/$name.dict")
  mkdir -p "build-fuzz/corpus/$name" "build-fuzz/seeds/$name"
  log="build-fuzz/logs/$name.log"
  echo "== $name, $seconds s"
  # New inputs go to the first folder only; the seeds stay as made.
  if "$target" "${options[@]}" "build-fuzz/corpus/$name" "build-fuzz/seeds/$name" > "$log" 2>&1
  then
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units' "$log" || true
  else
    tail -n 60 "$log"
    failed+=("$name")
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "Fuzzing found faults in: ${failed[*]}" >&2; exit 1; }
