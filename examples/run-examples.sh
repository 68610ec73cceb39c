#!/usr/bin/env bash
# Runs kestrune in batch mode over the bundled examples and shows each
# result. Results go to build/examples/; the examples stay untouched.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
program="$top/build/kestrune"
out="$top/build/examples"
mkdir -p "$out"
cd "$top/examples"
export LC_ALL=C.UTF-8

show() {  # title, result file, then the kestrune arguments
  local title=$1 result=$2
  shift 2
  echo "== $title"
  echo "   kestrune $*"
  "$program" "$@"
  echo "   exit status $?"
  sed 's/\r$//; s/^/   | /' "$result"
  echo
}

show "Filter a log: errors only, no health checks, users masked, sorted by component" \
  "$out/errors.txt" +stat in_file=server.log out_file="$out/errors.txt" templet=errors.shbl
show "Count visits per country (one line per country and a frequency report)" \
  "$out/countries.txt" +stat in_file=visits.txt out_file="$out/countries.txt" templet=count-countries.shbl
show "A DOS (CP866) price list: converted, a column renamed, sorted by item" \
  "$out/prices.txt" +dos +stat in_file=prices-dos.txt out_file="$out/prices.txt" templet=dos-prices.shbl
