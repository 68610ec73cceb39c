#!/usr/bin/env bash
# Fault tests of kestrune in batch mode: inputs that are missing, unreadable,
# folders or FIFOs; outputs whose folder is missing or read-only; a full
# disk; SIGKILL in the middle of writing a result or a pattern; an output
# named as the input; hostile pattern files; printf-like texts everywhere.
# Each case checks the exit status, the exact stderr lines and that no file
# was lost or torn. Cases that need root (dropping privileges, mounting a
# small tmpfs) say so and are skipped without it.
#
#   fault_test.sh KESTRUNE PATTERN_SAVER
set -uo pipefail

KESTRUNE=$(realpath "$1")
SAVER=$(realpath "$2")
WORK=$(mktemp -d /tmp/kestrune-faults-XXXXXX)
chmod 755 "$WORK"
MOUNTED=
failures=0
cases=0

cleanup() {
  [ -n "$MOUNTED" ] && umount "$MOUNTED"
  rm -rf "$WORK"
}
trap cleanup EXIT
cd "$WORK" || exit 1

NOT_OPEN=" не открывается"
NOT_CREATED=" не создается"
BAD_ACTION="Не верный тип действия"

is_root() { [ "$(id -u)" -eq 0 ]; }

# The program runs with a clean environment: a UTF-8 locale, a PATH and the
# sanitizer options of a sanitizer build. AddressSanitizer checks the whole
# rest of the text on every memmem call, which makes the searches of a big
# input quadratic; that check is switched off (the engine's own bounds are
# still checked on every access).
CLEAN_ENV=(env -i LC_ALL=C.UTF-8 PATH=/usr/bin:/bin
  "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_memmem=0"
  "UBSAN_OPTIONS=${UBSAN_OPTIONS:-}")

# Permissions stop only an unprivileged user: as root the cases that need
# them run a copy of the program (the build folder may be closed to others)
# as user nobody. PERMISSIONS is "own" (not root), "nobody" or "" (skip).
mkdir "$WORK/bin" && cp "$KESTRUNE" "$WORK/bin/kestrune"
if ! is_root; then
  PERMISSIONS=own
elif setpriv --reuid=65534 --regid=65534 --clear-groups "$WORK/bin/kestrune" --version \
  >/dev/null 2>&1; then
  PERMISSIONS=nobody
else
  PERMISSIONS=
fi

fail() {
  echo "FAIL: $current: $*"
  failures=$((failures + 1))
}

begin() {
  current=$1
  cases=$((cases + 1))
}

# Runs kestrune (batch arguments as given) with a clean environment; sets
# status and err. AS_NOBODY=1 drops root's privileges first.
run() {
  local prefix=()
  local program=$KESTRUNE
  [ -n "${MEMORY_BYTES:-}" ] && prefix=(prlimit "--as=$MEMORY_BYTES")
  if [ "${AS_NOBODY:-0}" = 1 ]; then
    prefix=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    program=$WORK/bin/kestrune
  fi
  "${prefix[@]}" "${CLEAN_ENV[@]}" timeout 60 "$program" "$@" \
    >"$WORK/.out" 2>"$WORK/.err"
  status=$?
  err=$(cat "$WORK/.err")
}

expect_status() { [ "$status" = "$1" ] || fail "exit status $status, expected $1 (stderr: ${err:0:300})"; }
expect_err() { [ "$err" = "$1" ] || fail "stderr '${err:0:300}', expected '${1:0:300}'"; }
expect_same() { cmp -s "$1" "$2" || fail "$1 differs from $2"; }
expect_missing() { [ ! -e "$1" ] || fail "$1 exists"; }
# No temporary file of an atomic write is left in the folder.
expect_no_leftovers() {
  local left
  left=$(find "${1:-.}" -maxdepth 1 -name '.*.??????' -newer "$WORK/.stamp" | head -3)
  [ -z "$left" ] || fail "temporary files left: $left"
}

# --- the files the cases share -------------------------------------------
printf 'alpha one\r\nbeta two\r\nalpha three\r\n' >in.txt
cp in.txt in.orig
printf 'vers=1\r\n========\r\nalpha\r\nALPHA\r\n1\r\n\r\n0\r\n0\r\n' >p.shbl
for _ in 1 2 3 4 5 6 7 8 9 10; do printf '\r\n' >>p.shbl; done
printf 'ALPHA one\r\nbeta two\r\nALPHA three\r\n' >expected.txt
printf 'OLD RESULT\r\n' >old.txt
mkdir adir
touch .stamp
nobody=$([ "$PERMISSIONS" = nobody ] && echo 1)

# --- inputs -------------------------------------------------------------
begin "input missing"
run in_file=missing.txt out_file=r.txt templet=p.shbl
expect_status 1
expect_err "kestrune: missing.txt$NOT_OPEN"
expect_missing r.txt

begin "input is a folder"
run in_file=adir out_file=r.txt templet=p.shbl
expect_status 1
expect_err "kestrune: adir$NOT_OPEN"
expect_missing r.txt

begin "input unreadable"
if [ -z "$PERMISSIONS" ]; then
  echo "SKIP: $current: running as root and cannot drop privileges with setpriv"
else
  cp in.txt locked.txt
  chmod 000 locked.txt
  chmod 777 .
  AS_NOBODY=$nobody run in_file=locked.txt out_file=r.txt templet=p.shbl
  chmod 755 .
  expect_status 1
  expect_err "kestrune: locked.txt$NOT_OPEN"
  expect_missing r.txt
fi

begin "input is a FIFO fed by a writer"
mkfifo feed
cat in.txt >feed &
run in_file=feed out_file=r.txt templet=p.shbl
wait
expect_status 0
expect_err ""
expect_same r.txt expected.txt
rm -f r.txt

begin "input is a FIFO whose writer sends nothing"
: >feed &
run in_file=feed out_file=r.txt templet=p.shbl
wait
expect_status 0
[ -f r.txt ] && [ ! -s r.txt ] || fail "r.txt is not an empty result"
rm -f r.txt feed

# --- outputs ------------------------------------------------------------
begin "output folder missing"
run in_file=in.txt out_file=nodir/r.txt templet=p.shbl
expect_status 1
expect_err "kestrune: nodir/r.txt$NOT_CREATED"
expect_missing nodir

if [ -z "$PERMISSIONS" ]; then
  echo "SKIP: read-only outputs: running as root and cannot drop privileges with setpriv"
else
  begin "output folder read-only"
  mkdir ro
  cp old.txt ro/r.txt
  cp in.txt ro/in.txt
  chmod 666 ro/r.txt ro/in.txt
  chmod 555 ro
  AS_NOBODY=$nobody run in_file=in.txt out_file=ro/r.txt templet=p.shbl
  expect_status 1
  expect_err "kestrune: ro/r.txt$NOT_CREATED"
  expect_same ro/r.txt old.txt
  begin "output named as the input in a read-only folder"
  AS_NOBODY=$nobody run in_file=ro/in.txt out_file=ro/in.txt templet=p.shbl
  expect_status 1
  expect_err "kestrune: ro/in.txt$NOT_CREATED"
  expect_same ro/in.txt in.orig
  expect_no_leftovers ro
  chmod 755 ro

  begin "output file read-only"
  cp old.txt r.txt
  chmod 444 r.txt
  chmod 777 .
  AS_NOBODY=$nobody run in_file=in.txt out_file=r.txt templet=p.shbl
  chmod 755 .
  expect_status 1
  expect_err "kestrune: r.txt$NOT_CREATED"
  expect_same r.txt old.txt
  rm -f r.txt
fi

begin "output is a folder"
run in_file=in.txt out_file=adir templet=p.shbl
expect_status 1
expect_err "kestrune: adir$NOT_CREATED"
[ -d adir ] && [ -z "$(ls -A adir)" ] || fail "adir changed"

begin "output device full"
if [ -c /dev/full ]; then
  run in_file=in.txt out_file=/dev/full templet=p.shbl
  expect_status 1
  expect_err "kestrune: /dev/full$NOT_CREATED"
else
  echo "SKIP: $current: no /dev/full"
fi

begin "output named as the input"
cp in.orig same.txt
run in_file=same.txt out_file=same.txt templet=p.shbl
expect_status 0
expect_same same.txt expected.txt

# --- a full disk ----------------------------------------------------------
begin "disk full while the result is written"
if ! is_root; then
  echo "SKIP: $current: needs root to mount a small tmpfs"
elif mkdir small && mount -t tmpfs -o size=256k tmpfs small; then
  MOUNTED=$WORK/small
  yes 'alpha and some more text in a line' | head -c 1000000 >big.txt
  cp old.txt small/r.txt
  run in_file=big.txt out_file=small/r.txt templet=p.shbl
  expect_status 1
  expect_err "kestrune: small/r.txt$NOT_CREATED"
  expect_same small/r.txt old.txt
  expect_no_leftovers small

  begin "disk full while the result replaces its own input"
  yes 'alpha' | head -c 120000 | sed 's/$/\r/' >small/in.txt
  cp small/in.txt small.orig
  # Each "alpha" becomes a longer text, so the result no longer fits.
  printf 'vers=1\r\n========\r\nalpha\r\nalpha alpha alpha\r\n1\r\n\r\n0\r\n0\r\n' >grow.shbl
  run in_file=small/in.txt out_file=small/in.txt templet=grow.shbl
  expect_status 1
  expect_err "kestrune: small/in.txt$NOT_CREATED"
  expect_same small/in.txt small.orig
  expect_no_leftovers small

  # 8 MB of input and of result: from 4 MB on the input is read and the
  # result written on threads of their own; the disk fills at 5 MB.
  begin "disk full while the writing thread writes the result"
  rm -f small/in.txt
  mount -o remount,size=5m small
  yes 'alpha and some more text in a line' | head -c 8000000 >big.txt
  cp old.txt small/r.txt
  for stat in "" "+stat "; do
    run ${stat}in_file=big.txt out_file=small/r.txt templet=p.shbl
    expect_status 1
    expect_err "kestrune: small/r.txt$NOT_CREATED"
    expect_same small/r.txt old.txt
    expect_no_leftovers small
  done
  umount small && MOUNTED=
else
  echo "SKIP: $current: mounting a tmpfs failed"
fi

# --- too little memory ------------------------------------------------------
begin "input too big for the memory"
# (ldd's output is read whole: under pipefail, "ldd | grep -q" fails when
# grep stops reading early and ldd dies of SIGPIPE.)
if [[ "$(ldd "$KESTRUNE" 2>/dev/null)" == *libasan* ]]; then
  echo "SKIP: $current: AddressSanitizer needs more address space than the limit"
elif ! command -v prlimit >/dev/null; then
  echo "SKIP: $current: no prlimit"
else
  truncate -s 1G sparse.txt
  cp old.txt r.txt
  # A sort needs the whole text in memory (one-rule line filters and
  # replacements stream and would get through).
  printf 'vers=1\r\n========\r\n[\r\n]\r\n5\r\n\r\n1\r\n1\r\n' >sort.shbl
  for _ in 1 2 3 4 5 6 7 8 9 10; do printf '\r\n' >>sort.shbl; done
  MEMORY_BYTES=400000000 run in_file=sparse.txt out_file=r.txt templet=sort.shbl
  expect_status 1
  expect_err "kestrune: r.txt$NOT_CREATED"
  expect_same r.txt old.txt
  expect_no_leftovers
  rm -f sparse.txt r.txt
fi

# --- SIGKILL while writing -------------------------------------------------
# True when process $1 has begun writing in folder $2: a named temporary
# file of an atomic write shows up there, or the process holds $3 (default
# 1) unnamed ones (O_TMPFILE: "#INODE (deleted)" in its descriptor table).
writing_in() {
  compgen -G "$2/.*.??????" >/dev/null && return 0
  [ "$(ls -l "/proc/$1/fd" 2>/dev/null | grep -c -- "-> $(realpath "$2")/#[0-9]* (deleted)$")" \
    -ge "${3:-1}" ]
}

# Waits until the write has begun (of $4 unnamed files at once, see
# writing_in), waits $3 seconds more, then kills the process.
kill_while_writing() {
  local pid=$1 folder=$2 tries=0
  while ! writing_in "$pid" "$folder" "${4:-1}" && kill -0 "$pid" 2>/dev/null; do
    sleep 0.005
    tries=$((tries + 1))
    [ $tries -gt 4000 ] && break
  done
  sleep "${3:-0}"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  leftovers=$((leftovers + $(compgen -G "$folder/.*.??????" | wc -l)))
  rm -f "$folder"/.*.??????
}

# After a kill the file is whole: its old bytes or the complete new ones.
kept_old=0
got_new=0
leftovers=0
expect_whole() {
  if cmp -s "$1" "$2"; then
    kept_old=$((kept_old + 1))
  elif cmp -s "$1" "$3"; then
    got_new=$((got_new + 1))
  else
    fail "$1 is torn"
  fi
}

yes 'alpha and some more text in a line' | head -c 12000000 >huge.txt
run in_file=huge.txt out_file=huge-expected.txt templet=p.shbl
for delay in 0 0.05 0.2; do
  begin "SIGKILL while the result is written (delay $delay)"
  cp old.txt r.txt
  "${CLEAN_ENV[@]}" "$KESTRUNE" in_file=huge.txt out_file=r.txt templet=p.shbl 2>/dev/null &
  kill_while_writing $! . $delay
  expect_whole r.txt old.txt huge-expected.txt

  begin "SIGKILL while the result replaces its input (delay $delay)"
  cp huge.txt same.txt
  "${CLEAN_ENV[@]}" "$KESTRUNE" in_file=same.txt out_file=same.txt templet=p.shbl 2>/dev/null &
  kill_while_writing $! . $delay
  expect_whole same.txt huge.txt huge-expected.txt
done

# A pattern of several rules with statistics: the text waits in a spool
# beside the result until the end, when the result's temporary file joins
# it. Neither may outlive a process killed while both are open.
{ printf 'vers=1\r\n'
  # Pattern1|Pattern2|action|Pattern3: Replace, KeepLinesWith, SortByElement, ReplaceBetween
  # (a rule that streams comes last, so the text goes through the spool)
  for rule in 'alpha|beta|1|' 'more||2|' ' | |5|' 'and| |3|&'; do
    IFS='|' read -r p1 p2 action p3 <<<"$rule"
    printf '========\r\n%s\r\n%s\r\n%s\r\n%s\r\n1\r\n1\r\n' "$p1" "$p2" "$action" "$p3"
    printf '\r\n%.0s' 1 2 3 4 5 6 7 8 9 10
  done; } >chain.shbl
cat huge.txt huge.txt huge.txt huge.txt >chain.txt
run +stat in_file=chain.txt out_file=chain-expected.txt templet=chain.shbl
expect_status 0
[ "$(head -c 10 chain-expected.txt | wc -c)" = 10 ] || fail "no result of the chain"
for delay in 0 0.005 0.02; do
  begin "SIGKILL during a +stat run of four rules (delay $delay)"
  cp old.txt r.txt
  leftovers_before=$leftovers
  "${CLEAN_ENV[@]}" "$KESTRUNE" +stat in_file=chain.txt out_file=r.txt templet=chain.shbl \
    2>/dev/null &
  kill_while_writing $! . $delay 2
  expect_whole r.txt old.txt chain-expected.txt
  [ "$leftovers" = "$leftovers_before" ] || fail "temporary files left behind"
done
rm -f huge.txt huge-expected.txt same.txt chain.txt chain.shbl chain-expected.txt

"$SAVER" old.shbl 2 1 && "$SAVER" new.shbl 20000 1 || fail "pattern_saver does not save"
for delay in 0 0.02 0.1; do
  begin "SIGKILL while a pattern is saved (delay $delay)"
  cp old.shbl target.shbl
  "$SAVER" target.shbl 20000 0 &
  kill_while_writing $! . $delay
  expect_whole target.shbl old.shbl new.shbl
done
echo "SIGKILL: $kept_old files kept their old content, $got_new had the new one," \
  "$leftovers temporary files were left behind"
rm -f new.shbl target.shbl

# --- hostile pattern files ---------------------------------------------------
begin "pattern file is a folder"
run in_file=in.txt out_file=r.txt templet=adir
expect_status 1
expect_err "kestrune: adir$NOT_OPEN"
expect_same r.txt in.txt

begin "pattern file missing"
run in_file=in.txt out_file=r.txt templet=nothing.shbl
expect_status 1
expect_err "kestrune: nothing.shbl$NOT_OPEN"
expect_same r.txt in.txt

begin "pattern file unreadable"
if [ -z "$PERMISSIONS" ]; then
  echo "SKIP: $current: running as root and cannot drop privileges with setpriv"
else
  cp p.shbl locked.shbl
  chmod 000 locked.shbl
  rm -f r.txt
  chmod 777 .
  AS_NOBODY=$nobody run in_file=in.txt out_file=r.txt templet=locked.shbl
  chmod 755 .
  expect_status 1
  expect_err "kestrune: locked.shbl$NOT_OPEN"
  expect_same r.txt in.txt
fi

begin "pattern file empty"
: >empty.shbl
run in_file=in.txt out_file=r.txt templet=empty.shbl
expect_status 0
expect_err ""
expect_same r.txt in.txt

begin "pattern file is binary"
# The program itself: any bytes at all, zero bytes included.
run in_file=in.txt out_file=r.txt templet="$KESTRUNE"
[ "$status" = 0 ] || [ "$status" = 1 ] || fail "exit status $status"
[ -f r.txt ] || fail "no result"
[ -z "$(grep -v -x "kestrune: $BAD_ACTION" .err)" ] || fail "unexpected stderr ${err:0:300}"

begin "pattern file of 50 MB of separators"
yes '========' | head -n 5825422 >separators.shbl
run in_file=in.txt out_file=r.txt templet=separators.shbl
expect_status 1
expect_same r.txt in.txt
# After the header line, each 17 lines make one rule of action 0 (the last
# one needs only its first three), and each is reported once.
lines=$(grep -c -x "kestrune: $BAD_ACTION" .err)
[ "$lines" = $((($(wc -l <separators.shbl) + 13) / 17)) ] || fail "$lines notices"
[ -z "$(grep -v -x "kestrune: $BAD_ACTION" .err)" ] || fail "unexpected stderr"

begin "pattern file of 50 MB of one separator-like line"
tr -d '\n' <separators.shbl >one-line.shbl
run in_file=in.txt out_file=r.txt templet=one-line.shbl
expect_status 0
expect_same r.txt in.txt
rm -f separators.shbl one-line.shbl r.txt

# --- printf-like texts -------------------------------------------------------
HOSTILE='%s%n%x%99999999d'
begin "printf-like output template"
run in_file=in.txt "out_file=%s%n%x%d%n%p%s.txt" templet=p.shbl
expect_status 0
expect_same '%s%n%x1%n%p%s.txt' expected.txt

begin "printf-like output template with a huge width"
run in_file=in.txt "out_file=$HOSTILE.txt" templet=p.shbl
expect_status 1
# The width is capped at 4096: the name is too long for the file system.
expect_err "kestrune: %s%n%x$(printf '%4095s' '')1.txt$NOT_CREATED"

begin "printf-like input and pattern names"
run "in_file=$HOSTILE" out_file=r.txt "templet=$HOSTILE.shbl"
expect_status 1
expect_err "kestrune: $HOSTILE.shbl$NOT_OPEN
kestrune: $HOSTILE$NOT_OPEN"

begin "printf-like pattern texts in the statistics"
# One record per rule: the separator, Pattern1, Pattern2, the action,
# Pattern3, the two occurrence numbers and ten empty lines.
record() {
  printf '%s\r\n' ======== "$@"
  printf '\r\n%.0s' 1 2 3 4 5 6 7 8 9 10
}
{
  printf 'vers=1\r\n'
  record "$HOSTILE" '%n%s' 1 '' 0 0
  record '%n%s' '' 2 '' 0 0
  record x '' 6 '' 1 1
} >hostile.shbl
printf '%s\r\n' "$HOSTILE" "x$HOSTILE%n%s" >hostile.txt
run +stat in_file=hostile.txt out_file=r.txt templet=hostile.shbl
expect_status 0
expect_err ""
# The report lists the line without an element too, under an empty key.
{
  printf '%s\r\n' "Замена \"$HOSTILE\" на \"%n%s\" - замен - 2" \
    'Оставлять только строки, содержащие "%n%s" - оставлено строк - 2' \
    'Сортировать и оставлять неодинаковые между "x" и "" - оставлено = 1. удалено = 0' \
    'Элемент "%n%s%n%s" - повторяется 1 раз.' 'Элемент "" - повторяется 1 раз.' '' '' '%n%s'
  printf '%s' 'x%n%s%n%s'
} >hostile-expected.txt
expect_same r.txt hostile-expected.txt

echo "$cases fault cases, $failures failed"
[ "$failures" -eq 0 ]
