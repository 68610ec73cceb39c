#!/usr/bin/env bash
# Runs the user guide's examples (README.md): each action example of
# examples/actions and the worked example of examples/, and compares every
# result with the one the guide shows (tests/guide/expected, CR LF line
# breaks as results have). A change of behaviour that would make the guide
# wrong fails here.
#   examples_test.sh KESTRUNE SOURCE_DIR
set -euo pipefail
kestrune=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$source/examples" "$scratch/examples"
failures=0

check() {  # folder, expected result, then the kestrune arguments
  local folder=$1 expected=$2
  shift 2
  (cd "$scratch/examples/$folder" && "$kestrune" "$@") || {
    echo "FAIL: kestrune $* gave status $?"
    failures=$((failures + 1))
    return
  }
  cmp "$scratch/examples/$folder/out.txt" "$source/tests/guide/expected/$expected" || {
    echo "FAIL: kestrune $*"
    failures=$((failures + 1))
  }
}

for name in 1-replace 2-keep-lines 3-replace-between 4-delete-lines 5-sort \
  7-replace-between-in-file; do
  check actions "$name.txt" in_file="$name.txt" out_file=out.txt templet="$name.shbl"
done
# The guide shows this one with its statistics block.
check actions 6-sort-distinct.txt +stat in_file=6-sort-distinct.txt out_file=out.txt \
  templet=6-sort-distinct.shbl
check . errors.txt +stat in_file=server.log out_file=out.txt templet=errors.shbl

[ "$failures" -eq 0 ] && echo "the guide's examples hold"
exit $((failures > 0))
