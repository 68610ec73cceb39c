#!/usr/bin/env bash
# Runs kestrune over inputs larger than 4 GiB, to show that no size,
# position or count is held in 32 bits. Not part of the test suite: it
# needs about 5 GB of free disk (the big file is sparse, so it costs almost
# nothing until read), up to 12 GB of memory for the streamed case, and a
# minute or two.
#
#   bash tools/big_input_check.sh [KESTRUNE] [--stream]
#
# Checks: a 4.5 GiB file whose only text line lies beyond 4 GiB is found;
# 4.5 GiB zero bytes are each replaced and counted (a count above 2^32); with
# --stream the first check is made again with the bytes arriving through a
# FIFO of unknown size.
set -euo pipefail
KESTRUNE=$(realpath "${1:-build/kestrune}")
STREAM=${2:-}
WORK=$(mktemp -d /tmp/kestrune-big-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
export LC_ALL=C.UTF-8

SIZE=4831838208  # 4.5 GiB
truncate -s $SIZE big.txt
printf '\nTHE END\n' >>big.txt

# One record per rule, then ten empty lines.
record() {
  printf '%s\r\n' ======== "$@"
  printf '\r\n%.0s' 1 2 3 4 5 6 7 8 9 10
}
{ printf 'vers=1\r\n'; record 'THE END' '' 2 '' 0 0; } >keep.shbl
{ printf 'vers=1\r\n========\r\n\0\r\n\r\n1\r\n\r\n0\r\n0\r\n'; printf '\r\n%.0s' {1..10}; } >zeros.shbl

failures=0
check() {
  local name=$1 expected=$2
  if cmp -s r.txt <(printf '%b' "$expected"); then
    echo "ok: $name"
  else
    echo "FAIL: $name: $(head -c 300 r.txt | od -c | head -5)"
    failures=$((failures + 1))
  fi
}
measure() {
  /usr/bin/time -f "  %e s, peak memory %M KiB" "$KESTRUNE" "$@"
}

echo "input: $(stat -c %s big.txt) bytes, $(du -k big.txt | cut -f1) KiB on disk"
measure +stat in_file=big.txt out_file=r.txt templet=keep.shbl
check "the line beyond 4 GiB is kept" \
  'Оставлять только строки, содержащие "THE END" - оставлено строк - 1\r\n\r\n\r\n\r\nTHE END'

measure +stat in_file=big.txt out_file=r.txt templet=zeros.shbl
check "4.5 Gi zero bytes replaced and counted" \
  "Замена \"\\0\" на \"\" - замен - $SIZE\\r\\n\\r\\n\\r\\n\\r\\nTHE END\\r\\n"

if [ "$STREAM" = --stream ]; then
  mkfifo feed
  cat big.txt >feed &
  measure +stat in_file=feed out_file=r.txt templet=keep.shbl
  wait
  check "the line beyond 4 GiB comes through a FIFO" \
    'Оставлять только строки, содержащие "THE END" - оставлено строк - 1\r\n\r\n\r\n\r\nTHE END'
fi
[ "$failures" -eq 0 ]
