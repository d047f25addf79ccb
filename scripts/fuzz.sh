#!/usr/bin/env bash
# Builds the fuzz preset and runs its libFuzzer targets, each from its seed corpus:
#   scripts/fuzz.sh                       every target for 20 s (the short run of scripts/test.sh)
#   scripts/fuzz.sh --minutes 10 codec    the named targets, 10 minutes each
#   scripts/fuzz.sh --keep-corpus ...     also merge what the run found into fuzz/corpus/<target>
# Each target runs on a copy of its corpus in build/fuzz/runs/<target>/, where findings are kept
# too (crash-*, leak-*, timeout-*, oom-*). Prints the executions of every target and each finding;
# the exit code is 1 when anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(dispatcher reply_path codec registry text_readers sim_requests)
seconds=20
keep_corpus=0
targets=()
while [ $# -gt 0 ]; do
  case $1 in
    --minutes)
      seconds=$(($2 * 60))
      shift 2
      ;;
    --keep-corpus)
      keep_corpus=1
      shift
      ;;
    -h | --help)
      sed -n '2,8p' "$0"
      exit 0
      ;;
    *)
      if [[ ! " ${all_targets[*]} " == *" $1 "* ]]; then
        echo "fuzz: no target named $1 (targets: ${all_targets[*]})" >&2
        exit 2
      fi
      targets+=("$1")
      shift
      ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

echo "== fuzz: configure and build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" \
  --target $(printf '%s_fuzz ' "${targets[@]}")

symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
if [ -x "${symbolizer}" ]; then export ASAN_SYMBOLIZER_PATH=${symbolizer}; fi
# Reports name the place of every check that failed; leaks count as findings.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

runs=build/fuzz/runs
findings=0
summary=()
for target in "${targets[@]}"; do
  dir=${runs}/${target}
  rm -rf "${dir}"
  mkdir -p "${dir}/corpus"
  cp fuzz/corpus/"${target}"/* "${dir}/corpus/"
  log=${dir}/fuzz.log
  # The scripted targets do more with longer inputs: they get the longest from the start.
  options=()
  case ${target} in dispatcher | reply_path) options+=(-len_control=0) ;; esac
  echo "== fuzz: ${target} for ${seconds} s"
  status=0
  # libFuzzer stops itself after -max_total_time, and reports an input that runs longer than
  # -timeout as a finding; `timeout` ends a run that cannot stop even so.
  timeout --kill-after=5 $((seconds + 15)) "build/fuzz/fuzz/${target}_fuzz" \
    -max_total_time="${seconds}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "${options[@]}" -artifact_prefix="${dir}/" "${dir}/corpus" >"${log}" 2>&1 || status=$?
  executions=$(awk '/stat::number_of_executed_units:/ { print $2 }' "${log}" | tail -1)
  artifacts=$(find "${dir}" -maxdepth 1 -type f \
                \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) |
              sort)
  if [ "${status}" -ne 0 ] || [ -n "${artifacts}" ]; then
    findings=$((findings + 1))
    summary+=("${target}: ${executions:-?} executions, FINDING (exit ${status})")
    echo "fuzz: ${target} found something (exit ${status}); from ${log}:"
    {
      grep -m 3 -E 'check failed|ERROR: [A-Za-z]+Sanitizer|ERROR: libFuzzer|runtime error' "${log}"
      # The stack inside this repository's sources.
      grep -E "^ +#[0-9]+ .* ${PWD}/(src|sim|fuzz|tests|include|tools)/" "${log}" | head -8
      grep -m 1 '^SUMMARY' "${log}"
    } | sed 's/^/  /' || tail -20 "${log}" | sed 's/^/  /'
    for artifact in ${artifacts}; do echo "  input: ${artifact}"; done
  else
    summary+=("${target}: ${executions:-?} executions, nothing found")
  fi
  if [ "${keep_corpus}" = 1 ]; then
    "build/fuzz/fuzz/${target}_fuzz" -merge=1 "fuzz/corpus/${target}" "${dir}/corpus" \
      >>"${log}" 2>&1 || true
  fi
done

echo "== fuzz: summary"
printf '  %s\n' "${summary[@]}"
[ "${findings}" -eq 0 ]
