#!/usr/bin/env bash
# Fails on any #include that goes up or across the library's layers. The layers, lowest first,
# and what each may include besides itself (the CMake libraries of src/CMakeLists.txt link in the
# same order, and DESIGN.md draws it):
#
#   interface    the member table: pure data (with the result codes of types)
#   platform     the only code that talks to an operating system
#   channel      records, codec, exchange, reply dispatcher
#   environment  settings, start-up configuration, call log, timers
#   link         ApplCore: state, guards, text-out, failure policies
#   appcontrol   locating and launching, window placement
#   operations   the members' requests
#   appl         the Appl facade (public include/orvabridge/appl.h)
#   com          the automation server; sim, tools: programs on top
#
# The tools' libraries sit on top of the library (tools/orvactl/CMakeLists.txt links them in
# this order); their includes name the folder below tools/orvactl:
#
#   calls        the member calls: command table, values, bindings, Call
#   console      the program's arguments and standard streams
#   output       how orvactl shows things
#   workbench    where orvactl's calls go (the simulator natively)
#   doctor       the checklist; demo: the guided session; cli: the command line
#   relay        orva-relay: the calls and the console, nothing else of orvactl, nor the simulator
#
# "types" is include/orvabridge/types.h (values shared with hosts); "appl.h" is the facade's
# public header, which only the facade and the programs above it may include. "identity" is
# identity/identity.h, which the build writes from cmake/identity.cmake (the version, GUIDs,
# ProgIDs and the control message's name): plain values that every layer may use.
#
#   scripts/check-layers.sh [REPOSITORY]      exit 1 and one line per wrong include
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

declare -A allowed=(
  [src/interface]="types identity interface"
  [src/platform]="identity platform"
  [src/channel]="identity platform channel"
  [src/environment]="identity platform environment"
  [src/link]="types identity interface platform channel environment link"
  [src/appcontrol]="types identity interface platform channel environment link appcontrol"
  [src/operations]="types identity interface platform channel environment link appcontrol operations"
  [src/appl]="types appl.h identity interface platform channel environment link appcontrol operations appl"
  [src/com]="types appl.h identity interface platform appl com"
  [sim]="identity platform channel sim"
)
library="types appl.h identity interface platform channel environment link appcontrol operations appl"
allowed+=(
  [tools/orvactl/calls]="${library} calls"
  [tools/orvactl/console]="${library} console"
  [tools/orvactl/output]="${library} calls output"
  [tools/orvactl/workbench]="${library} sim workbench"
  [tools/orvactl/doctor]="${library} calls output doctor"
  [tools/orvactl/demo]="${library} calls output workbench demo"
  [tools/orvactl/cli]="${library} calls output workbench doctor demo cli"
  [tools/relay]="${library} calls console"
)
layers="identity interface platform channel environment link appcontrol operations appl com sim"
layers+=" calls console output workbench doctor demo cli"

wrong=0
for folder in "${!allowed[@]}"; do
  [ -d "${folder}" ] || continue
  while IFS= read -r -d '' file; do
    while IFS=: read -r line target; do
      case ${target} in
        orvabridge/types.h) what=types ;;
        orvabridge/appl.h) what=appl.h ;;
        orvabridge/*) what=${target} ;;
        */*) what=${target%%/*} ;;
        *) continue ;;  # a header beside the including file
      esac
      # Only the library's own folders are layers; anything else (a system header) is not ours.
      if [[ ${what} != types && ${what} != appl.h && ${what} != orvabridge/* &&
        " ${layers} " != *" ${what} "* ]]; then
        continue
      fi
      if [[ " ${allowed[${folder}]} " != *" ${what} "* ]]; then
        echo "${file}:${line}: includes ${target}, which ${folder} may not use" >&2
        wrong=1
      fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "${file}" |
      sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
  done < <(find "${folder}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

if [ "${wrong}" -ne 0 ]; then
  echo "check-layers: includes go up or across the layers (see the list above)" >&2
  exit 1
fi
echo "check-layers: every include goes down the layers"
