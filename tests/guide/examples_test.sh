#!/usr/bin/env bash
# Runs the user guide's examples (README.md): each action example of examples/actions and the
# worked example of examples/, and compares every result with the one the guide shows
# (tests/guide/expected, named as the pattern, CR LF line breaks as results have). The guide shows
# the sort-distinct and worked examples with their statistics block ("+" marks them below;
# NAME:INPUT names an input other than NAME.txt). A change of behaviour that
# would make the guide wrong fails here.
#   examples_test.sh KESTRUNE SOURCE_DIR
set -euo pipefail
kestrune=$(realpath "$1") source=$(realpath "$2") failures=0 scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$source/examples" "$scratch/examples"
for example in actions/1-replace actions/2-keep-lines actions/3-replace-between \
  actions/4-delete-lines actions/5-sort +actions/6-sort-distinct actions/7-replace-between-in-file \
  +./errors:server.log; do
  folder=$(dirname "${example#+}") pattern=$(basename "${example%:*}") input=${example#*:}
  [ "$input" = "$example" ] && input=$pattern.txt
  (cd "$scratch/examples/$folder" && "$kestrune" $([ "${example:0:1}" = + ] && echo +stat) \
    in_file="$input" out_file=out.txt templet="$pattern.shbl") &&
    cmp "$scratch/examples/$folder/out.txt" "$source/tests/guide/expected/$pattern.txt" ||
    { echo "FAIL: $example"; failures=$((failures + 1)); }
done
[ "$failures" -eq 0 ] && echo "the guide's examples hold"
exit $((failures > 0))
