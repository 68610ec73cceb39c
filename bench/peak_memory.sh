#!/usr/bin/env bash
# Whole-program time and peak memory of kestrune on a generated input of
# about 100 MB in a million CR LF lines, one single-rule pattern per action.
# Usage: bench/peak_memory.sh [build/kestrune]   (needs GNU time at /usr/bin/time)
set -euo pipefail
program=$(realpath "${1:-build/kestrune}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

awk 'BEGIN { srand(7); split("INFO WARN ERROR DEBUG", level, " ");
  for (i = 0; i < 1000000; i++) {
    if (i % 50 == 7) { printf "2026-12-01 10:%02d -- no component on this line, just a plain note to keep things honest\r\n", i % 60; continue }
    printf "2026-12-0%d 10:%02d [comp%d] %s user=u%d request served in %d ms with a payload of text that pads the line\r\n",
      1 + i % 9, i % 60, int(rand() * 1000), level[1 + int(rand() * 4)], int(rand() * 100000), int(rand() * 900)
  } }' > input.txt

# pattern NAME ACTION PATTERN1 PATTERN2 PATTERN3
pattern() {
  { printf 'vers=1\r\n========\r\n%s\r\n%s\r\n%s\r\n%s\r\n1\r\n1\r\n' "$3" "$4" "$2" "$5"
    printf '\r\n%.0s' {1..10}; } > "$1.shbl"
}
pattern replace 1 'user=' 'customer=' ''
pattern keep 2 'ERROR' '' ''
pattern delete 4 'DEBUG' '' ''
pattern between 3 'user=' ' ' 'user=* '
pattern infile 7 '[' ']' '[]'
pattern sort 5 'user=' ' ' ''
pattern distinct 6 '[' ']' ''

size=$(stat -c %s input.txt)
printf '%-10s %8s %12s %8s\n' pattern seconds peak_MB x_input
for p in replace keep delete between infile sort distinct; do
  /usr/bin/time -f '%e %M' -o time.txt "$program" +stat +silent in_file=input.txt out_file=out.txt templet=$p.shbl
  read -r seconds kb < time.txt
  awk -v p="$p" -v s="$seconds" -v kb="$kb" -v size="$size" \
    'BEGIN { printf "%-10s %8s %12.1f %8.2f\n", p, s, kb / 1024, kb * 1024 / size }'
done
