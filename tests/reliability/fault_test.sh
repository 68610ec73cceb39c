#!/usr/bin/env bash
# kestrune run as a process, as a user runs it: batch runs and their results, --diff, and the
# faults: inputs that are missing, unreadable, folders or FIFOs; outputs whose folder is missing or
# read-only; a full disk; too little memory; SIGKILL in the middle of writing a result or a
# pattern; an output named as the input; hostile pattern files; printf-like texts everywhere.
#
# One table drives it (at the end): a case per line, its fields separated by '|':
#   needs | name | setup | command | exit status (a glob) | stderr ('*': any) | checks
# "needs" is a condition (a case whose condition fails is skipped), setup, command and checks are
# shell text, the stderr text is expanded as a double-quoted string. Every case starts without
# r.txt and res_1.txt; a case that does not check what the command created (see "created") must
# have created nothing. Cases that need root (a small tmpfs, dropping privileges) skip without.
#
#   fault_test.sh KESTRUNE PATTERN_SAVER
set -uo pipefail

KESTRUNE=$(realpath "$1") SAVER=$(realpath "$2") MOUNTED=
WORK=$(realpath "$(mktemp -d /tmp/kestrune-faults-XXXXXX)") && chmod 755 "$WORK" && cd "$WORK" || exit 1
trap '[ -n "$MOUNTED" ] && umount "$MOUNTED"; chmod -R u+w "$WORK"; rm -rf "$WORK"' EXIT
failures=0 cases=0 kept_old=0 got_new=0 leftovers=0 HOSTILE='%s%n%x%99999999d' NL=$'\n'
NO=" не открывается" NC=" не создается" BAD_ACTION="Не верный тип действия"
# The program runs with a clean environment: a UTF-8 locale, a PATH and the sanitizer options of a
# sanitizer build. AddressSanitizer checks the whole rest of the text on every memmem call, which
# makes the searches of a big input quadratic; that check is switched off (the engine's own bounds
# are still checked on every access).
CLEAN_ENV=(env -i LC_ALL=C.UTF-8 PATH=/usr/bin:/bin
  "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_memmem=0" "UBSAN_OPTIONS=${UBSAN_OPTIONS:-}")

# Conditions. Permissions stop only an unprivileged user: as root, the cases that need them run a
# copy of the program (the build folder may be closed to others) as user nobody, when setpriv can
# drop to it. A small tmpfs (of $1 bytes, at small) needs root. AddressSanitizer needs more
# address space than a memory limit leaves. (ldd's output is read whole: under pipefail,
# "ldd | grep -q" fails when grep stops reading early and ldd dies of SIGPIPE.)
is_root() { [ "$(id -u)" -eq 0 ]; }
NOBODY=(setpriv --reuid=65534 --regid=65534 --clear-groups)
mkdir bin && cp "$KESTRUNE" bin/kestrune
can_drop=$(is_root && "${NOBODY[@]}" bin/kestrune --version >/dev/null 2>&1 && echo 1)
locked_out() { ! is_root || { [ -n "$can_drop" ] && AS_NOBODY=1; }; }
small_disk() { is_root && { [ -n "$MOUNTED" ] && mount -o remount,size="$1" small ||
  { mkdir small && mount -t tmpfs -o size="$1" tmpfs small && MOUNTED=$WORK/small; }; }; }
without_asan() { [[ "$(ldd "$KESTRUNE" 2>/dev/null)" != *libasan* ]] && command -v prlimit >/dev/null; }

fail() { echo "FAIL: $current: $*"; failures=$((failures + 1)); }
# Runs kestrune with the arguments given; sets status and err. AS_NOBODY=1 drops root's
# privileges first (in a folder open to all), MEMORY_BYTES limits the address space.
run() {
  local prefix=() program=$KESTRUNE && [ -n "$MEMORY_BYTES" ] && prefix=(prlimit "--as=$MEMORY_BYTES")
  [ "$AS_NOBODY" = 1 ] && prefix=("${NOBODY[@]}") program=$WORK/bin/kestrune && chmod 777 .
  "${prefix[@]}" "${CLEAN_ENV[@]}" ${RUN_TMPDIR:+TMPDIR=$RUN_TMPDIR} timeout 60 "$program" "$@" >.out 2>.err
  status=$? err=$(cat .err) && chmod 755 .
}

# Checks: same content; stdout, the files' times written as STAMP; the names the command added to
# the folder, one per argument; no temporary file of an atomic write left in the folder.
same() { cmp -s "$1" "$2" || fail "$1 differs from $2: $(head -c 300 "$1")"; }
out_is() { same <(sed -E 's/\t[0-9-]+ [0-9:.]+ [+-][0-9]{4}/\tSTAMP/' .out) <(printf '%b\n' "$1"); }
created() { checked=1 && [ "$created" = "$(printf '%s\n' "$@")" ] || fail "created '$created'"; }
no_leftovers() { [ -z "$(find "${1:-.}" -maxdepth 1 -name '.*.??????' -newer .stamp)" ] || fail "left"; }

# True when process $1 has begun writing here: a named temporary file of an atomic write shows up,
# or the process holds $2 unnamed ones (O_TMPFILE: "#INODE (deleted)" in its descriptor table).
writing() { compgen -G "./.*.??????" >/dev/null ||
  [ "$(ls -l "/proc/$1/fd" 2>/dev/null | grep -c -- "-> $WORK/#[0-9]* (deleted)$")" -ge "$2" ]; }
# killed DELAYS UNNAMED TARGET OLD NEW kestrune|saver ARGS: for each delay, puts OLD in TARGET,
# starts the program, waits until it writes (of UNNAMED unnamed files at once, see writing), waits
# the delay more and kills it; TARGET must then be whole, OLD or NEW. left counts the temporary
# files the kills left (which are removed).
killed() {
  local delay tries program=("$SAVER") && left=0
  [ "$6" = kestrune ] && program=("${CLEAN_ENV[@]}" "$KESTRUNE")
  for delay in $1; do
    cp "$4" "$3" && tries=0
    "${program[@]}" "${@:7}" 2>/dev/null &
    until writing $! "$2" || ! kill -0 $! 2>/dev/null || ((++tries > 4000)); do sleep 0.005; done
    sleep "$delay" && kill -KILL $! 2>/dev/null; wait $! 2>/dev/null
    left=$((left + $(compgen -G "./.*.??????" | wc -l))) && rm -f ./.*.??????
    cmp -s "$3" "$4" && kept_old=$((kept_old + 1)) && continue
    cmp -s "$3" "$5" && got_new=$((got_new + 1)) || fail "$3 is torn after $delay s"
  done
  leftovers=$((leftovers + left))
}

# --diff on random texts and patterns: patch applied to the input text as the program reads it
# (CR LF as LF) gives the text the batch run writes (CR LF as LF), and a diff of no change is
# empty and exits 0.
random_diffs() {
  local pieces=(a b ab '[' ']' = ';' ' ' '\r\n' '\n' '\r' ж '\xd0' 'x\0y') texts=(a b ab '[' ']' = '(_^p_)' ж '')
  local i n rules changed=0 && RANDOM=20261207 && mkdir diffs && cd diffs || return
  for ((i = 0; i < 150; i++)); do
    for ((n = RANDOM % 61; n > 0; n--)); do printf '%b' "${pieces[RANDOM % 14]}"; done >in.txt
    rules=() && for ((n = RANDOM % 4; n > 0; n--)); do rules+=("${texts[RANDOM % 9]}/${texts[RANDOM % 9]}/$((RANDOM % 7 + 1))/${texts[RANDOM % 9]}/$((RANDOM % 3))/1"); done
    pattern p.shbl "${rules[@]}" && run in_file=in.txt out_file=res.txt templet=p.shbl
    sed -z 's/\r\n/\n/g' res.txt >after.txt && run --diff in_file=in.txt templet=p.shbl && sed -z 's/\r\n/\n/g' in.txt >before.txt
    if cmp -s before.txt after.txt; then [ "$status" = 0 ] && [ ! -s .out ] || fail "case $i: status $status"
    elif [ "$status" = 1 ] && patch -s -o patched.txt before.txt .out && cmp -s patched.txt after.txt; then ((++changed))
    else fail "case $i: the diff (status $status) does not patch $(od -c in.txt | head -3) into the result: ${rules[*]}"; fi
  done
  [ "$changed" -gt 40 ] || fail "only $changed cases changed"
  cd .. && rm -r diffs
}

lines_of() { yes "$1" | head -c "$2" >"$3"; }  # $3 holds $2 bytes of lines $1

# The files the sort cases share: 100 MB of log lines with a bracketed component, and their
# sort by it, made with all the memory the program wants.
sort_files() {
  awk 'BEGIN { for (i = 0; i < 1900000; i++) printf "2026-12-01 [comp%d] line %d user=u%d x\r\n", i * 7919 % 1000, i, i % 977 }' >log100.txt
  pattern sort.shbl '[/]/5//1/1'
  run in_file=log100.txt out_file=sorted100.txt templet=sort.shbl
}
# Kills a sort of 4 MB of memory once it has put runs aside (spills holds them, unnamed), at a
# few moments of its merge; r.txt must stay whole, old or new.
killed_merging() {
  local delay tries
  for delay in 0 0.3 0.8; do
    cp old.txt r.txt && tries=0
    "${CLEAN_ENV[@]}" TMPDIR="$WORK/spills" "$KESTRUNE" --sort-memory=4M in_file=log100.txt out_file=r.txt templet=sort.shbl 2>/dev/null &
    until [ "$(ls -l "/proc/$!/fd" 2>/dev/null | grep -c -- "-> $WORK/spills/#[0-9]* (deleted)$")" -ge 10 ] ||
      ! kill -0 $! 2>/dev/null || ((++tries > 4000)); do sleep 0.005; done
    sleep "$delay" && kill -KILL $! 2>/dev/null; wait $! 2>/dev/null
    [ -z "$(find . -maxdepth 1 -name '.*.??????')" ] || fail "temporary files left beside the result"
    cmp -s r.txt old.txt && kept_old=$((kept_old + 1)) && continue
    cmp -s r.txt sorted100.txt && got_new=$((got_new + 1)) || fail "r.txt is torn after $delay s"
  done
}
# Stops a sort of 4 MB of memory with signal $1 once it has put runs aside: exit status 128 and
# the signal's number, nothing on stderr, r.txt (old.txt) as it was, no spill or temporary file left. (A
# program started in the background would ignore SIGINT: env gives it back its default.)
stopped() {
  local tries=0
  "${CLEAN_ENV[@]}" TMPDIR="$WORK/spills" env --default-signal=INT "$KESTRUNE" --sort-memory=4M in_file=log100.txt out_file=r.txt templet=sort.shbl 2>.err &
  until [ "$(ls -l "/proc/$!/fd" 2>/dev/null | grep -c -- "-> $WORK/spills/#[0-9]* (deleted)$")" -ge 10 ] ||
    ! kill -0 $! 2>/dev/null || ((++tries > 4000)); do sleep 0.005; done
  kill -"$1" $!; wait $!
  status=$? err=$(cat .err)
  same r.txt old.txt && no_leftovers
  [ -z "$(ls -A spills)" ] || fail "spills left"
}
# A run on a terminal (script's): the progress line, drawn and at last blanked.
on_terminal() {
  script -qec "${CLEAN_ENV[*]} $KESTRUNE $*" /dev/null >tty.out
  status=$? err=
}
# A pattern file $1 of the rules given, each "Pattern1/Pattern2/action/Pattern3/number/number".
pattern() {
  local out=$1 rule fields && shift && printf 'vers=1\r\n' >"$out"
  for rule; do IFS=/ read -r -a fields <<<"$rule" && printf '%s\r\n' ======== "${fields[@]}" '' '' '' '' '' '' '' '' '' '' >>"$out"; done
}

# The files the cases share.
printf 'alpha one\r\nbeta two\r\nalpha three\r\n' | tee in.txt >in.orig
printf 'ALPHA one\r\nbeta two\r\nALPHA three\r\n' >expected.txt
printf 'OLD RESULT\r\n' >old.txt
printf 'a\nb' >ab.txt
printf 'keep\r\ndrop\r\n\x8f\xe0\xa8\xa2\xa5\xe2' >drop.txt  # "Привет" in CP866 at the end
pattern p.shbl 'alpha/ALPHA/1//0/0'
pattern drop.shbl 'drop//4//1/1'
pattern same.shbl
# The report lists the line without an element too, under an empty key.
printf '%s\r\n' "Замена \"$HOSTILE\" на \"%n%s\" - замен - 2" \
  'Оставлять только строки, содержащие "%n%s" - оставлено строк - 2' \
  'Сортировать и оставлять неодинаковые между "x" и "" - оставлено = 1. удалено = 0' \
  'Элемент "%n%s%n%s" - повторяется 1 раз.' 'Элемент "" - повторяется 1 раз.' '' '' '%n%s' \
  'x%n%s%n%s' | head -c -2 >hostile-expected.txt
mkdir adir && touch .stamp .out .err

# The files the SIGKILL cases share. A pattern of several rules with statistics (a rule that
# streams comes last, so the statistics block is known only at the end): the text goes into the
# result's unnamed temporary file behind room for the block, which may not outlive a process
# killed while it is written.
kill_files() {
  lines_of 'alpha and some more text in a line' 12000000 huge.txt; cat huge.txt huge.txt huge.txt huge.txt >chain.txt
  run in_file=huge.txt out_file=huge-expected.txt templet=p.shbl
  pattern chain.shbl 'alpha/beta/1//1/1' 'more//2//1/1' ' / /5//1/1' 'and/ /3/&/1/1'
  run in_file=chain.txt out_file=chain-plain.txt templet=chain.shbl
  run +stat in_file=chain.txt out_file=chain-expected.txt templet=chain.shbl
  [ "$status" = 0 ] && [ "$(stat -c %s chain-plain.txt)" -gt 10 ] || fail "no result of the chain"
  "$SAVER" old.shbl 2 1 && "$SAVER" new.shbl 20000 1 || fail "pattern_saver does not save"
}

while IFS='|' read -r -u 3 needs name setup command want_status want_err checks; do
  [[ -z $name || $needs == \#* ]] && continue
  current=$name cases=$((cases + 1)) AS_NOBODY=0 MEMORY_BYTES= RUN_TMPDIR=
  eval "$needs" || { echo "SKIP: $name: needs $needs" && continue; }
  rm -f r.txt res_1.txt && eval "$setup"
  before=$(ls -A) && eval "$command"
  created=$(comm -13 <(echo "$before") <(ls -A))
  [[ $status == $want_status ]] || fail "exit status $status, expected $want_status (stderr: ${err:0:300})"
  eval "want_err=\"$want_err\"" && checked=
  [[ $want_err == '*' || $err == "$want_err" ]] || fail "stderr '${err:0:300}', expected '${want_err:0:300}'"
  eval "$checks"
  [ -n "$checked" ] || [ -z "$created" ] || fail "created ${created:0:300}"
done </dev/null 3<<'EOF'
# needs | name | setup | command | status | stderr | checks
# --- batch runs ------------------------------------------------------------
|two rules and the default result name|pattern errors.shbl 'ERROR//2//1/1' '[/]/5//1/1'; printf 'a [2] ERROR x\r\nb [1] ok\r\nc [1] ERROR y\r\n' >log1.txt|run in_file=log1.txt templet=errors.shbl|0||same res_1.txt <(printf 'c [1] ERROR y\r\na [2] ERROR x'); created res_1.txt; same .out /dev/null
# Options, quoted names with blanks, a DOS input ("АА" in CP866), statistics, a numbered name.
|options and quoted names|pattern 'my pattern.shbl' 'А/A/1//1/1'; printf '\x80\x80\r\n' >'dos input.txt'|run +dos +stat 'in_file="dos' 'input.txt"' 'out_file="out' '%d.txt"' 'templet="my' 'pattern.shbl"'|0||same 'out 1.txt' <(printf 'Замена "А" на "A" - замен - 2\r\n\r\n\r\nAA\r\n'); created 'out 1.txt'
# The same rules with statistics over a file and a FIFO: one result, piece boundaries
# wherever the pipe puts them.
|rules with statistics over a log|pattern log.shbl 'ERROR//2//1/1' 'user=/ /3/user=*** /1/1' '[/]/5//1/1'; awk 'BEGIN { for (i = 0; i < 40000; i++) printf "[%d] %s user=u%d x\r\n", i * 7919 % 1000, (i % 3 ? "ERROR" : "INFO"), i }' >log.txt|run +stat in_file=log.txt out_file=file.txt templet=log.shbl|0||created file.txt; [ "$(stat -c %s file.txt)" -gt 525578 ] || fail "too little"
|the same over a FIFO fed by a writer|mkfifo feed; cat log.txt >feed &|run +stat in_file=feed out_file=fifo.txt templet=log.shbl|0||wait; same fifo.txt file.txt; created fifo.txt
# Text read in pieces and written in chunks: CR LF pairs split between reads, a run of more than a
# million LFs (each written as two bytes), a CR at the very end and before a Ctrl-Z, which ends the text.
|a text of CRs and LFs|awk 'BEGIN { srand(7); for (i = 0; i < 2500000; i++) printf("%s", (i >= 1000000 && i < 2200000) ? "\n" : substr("\r\naaa", int(rand() * 5) + 1, 1)); printf "\r" }' >crlf.txt|run in_file=crlf.txt out_file=r.txt templet=same.shbl|0||same r.txt <(sed -z 's/\r\n/\n/g; s/\n/\r\n/g' crlf.txt); created r.txt
|a text that a Ctrl-Z ends|{ cat crlf.txt; printf '\x1A\n'; cat crlf.txt; } >z.txt|run in_file=z.txt out_file=r.txt templet=same.shbl|0||same r.txt <(sed -z 's/\r\n/\n/g; s/\n/\r\n/g' crlf.txt); created r.txt; rm crlf.txt z.txt
|help and version||run --version|0||[[ $(cat .out) == *kestrune* ]] && run --help && [ "$status$err" = 0 ] && [[ $(cat .out) == *in_file=* ]] || fail "$(cat .out)"
# --- --diff ------------------------------------------------------------------
|a diff with statistics of a DOS text||run --diff +dos +stat in_file=drop.txt out_file=r%d.txt templet=drop.shbl|1||out_is 'Удалять строки, содержащие "drop" - удалено строк - 1\n--- drop.txt\tSTAMP\n+++ r1.txt\tSTAMP\n@@ -1,3 +1,2 @@\n keep\n-drop\n Привет\n\\ No newline at end of file'
|a diff in colour||run --diff --color=always in_file=drop.txt templet=drop.shbl|1||out_is '\033[1m--- drop.txt\tSTAMP\033[0m\n\033[1m+++ res_1.txt\tSTAMP\033[0m\n\033[36m@@ -1,3 +1,2 @@\033[0m\n keep\n\033[31m-drop\033[0m\n \x8f\xe0\xa8\xa2\xa5\xe2\n\\ No newline at end of file'
|random diffs||random_diffs|*|*|
# Three lines of context; a side of one line is given without its count.
|a diff in the middle of a text|pattern ab.shbl 'a/b/1//0/0'; printf '1\n2\n3\n4\na\n6\n7\n8\n9\n' >nine.txt|run --diff in_file=nine.txt templet=ab.shbl|1||out_is '--- nine.txt\tSTAMP\n+++ res_1.txt\tSTAMP\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-a\n+b\n 6\n 7\n 8'
|a diff of one line without a line break|printf a >one.txt|run --diff in_file=one.txt templet=ab.shbl|1||out_is '--- one.txt\tSTAMP\n+++ res_1.txt\tSTAMP\n@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+b\n\\ No newline at end of file'
|a diff without its pattern file||run --diff in_file=drop.txt templet=none.shbl|2|kestrune: none.shbl$NO|
|a diff without its input||run --diff in_file=missing.txt templet=drop.shbl|2|kestrune: missing.txt$NO|
|a diff of an unknown colour||run --diff --color=often in_file=drop.txt templet=drop.shbl|2|kestrune: usage: kestrune --diff [--color[=WHEN] ][+dos ][+stat ]in_file=IN [out_file=TEMPLATE ]templet=PATTERN|
# --- command lines that fail ---------------------------------------------
|pattern name missing||run in_file=ab.txt|2|kestrune: Не задано имя шаблона|
|silent failure||run +silent in_file=nope.txt templet=no.shbl|1||
|silent missing pattern name||run +silent in_file=ab.txt|2||
# The rules after the unknown one still run.
|an unknown action|pattern odd.shbl 'a/b/9//1/1' 'a/c/1//1/1'|run in_file=ab.txt templet=odd.shbl|1|kestrune: $BAD_ACTION|same res_1.txt <(printf 'c\r\nb'); created res_1.txt
# Options out of order make no batch run, and there is no display.
|options out of order||run +dos +open in_file=ab.txt templet=p.shbl|2|kestrune: no display for the desktop window; for batch mode use${NL}  kestrune [+open ][+dos ][+stat ][+silent ]in_file=IN [out_file=TEMPLATE ]templet=PATTERN|
# --- inputs ----------------------------------------------------------------
|input missing||run in_file=missing.txt templet=p.shbl|1|kestrune: missing.txt$NO|
|input is a folder||run in_file=adir out_file=r.txt templet=p.shbl|1|kestrune: adir$NO|
locked_out|input unreadable|cp in.txt locked.txt; chmod 000 locked.txt|run in_file=locked.txt out_file=r.txt templet=p.shbl|1|kestrune: locked.txt$NO|
# --- outputs -----------------------------------------------------------------
|output folder missing||run in_file=in.txt out_file=nodir/r.txt templet=p.shbl|1|kestrune: nodir/r.txt$NC|
locked_out|output folder read-only|mkdir ro; cp old.txt ro/r.txt; cp in.txt ro/in.txt; chmod 666 ro/*; chmod 555 ro|run in_file=in.txt out_file=ro/r.txt templet=p.shbl|1|kestrune: ro/r.txt$NC|same ro/r.txt old.txt
locked_out|new output in a read-only folder||run in_file=in.txt out_file=ro/new.txt templet=p.shbl|1|kestrune: ro/new.txt$NC|[ ! -e ro/new.txt ] || fail "ro/new.txt made"; no_leftovers ro
locked_out|output named as the input in a read-only folder||run in_file=ro/in.txt out_file=ro/in.txt templet=p.shbl|1|kestrune: ro/in.txt$NC|same ro/in.txt in.orig; no_leftovers ro
locked_out|output file read-only|cp old.txt r.txt; chmod 444 r.txt|run in_file=in.txt out_file=r.txt templet=p.shbl|1|kestrune: r.txt$NC|same r.txt old.txt
|output through a link|mkdir a; cp old.txt a/real.txt; ln -s a/real.txt link|run in_file=in.txt out_file=link templet=p.shbl|0||[ -L link ] || fail "no link"; same a/real.txt expected.txt
# A chain of relative and absolute links that ends in a missing file, which is made with the mode
# any new file gets.
|output through links to a missing file|ln -s ../second a/first; ln -s "$WORK/made.txt" second|run in_file=in.txt out_file=a/first templet=p.shbl|0||[ -L a/first ] && [ -L second ] || fail "no links"; same made.txt expected.txt; created made.txt; [ "$(stat -c %a made.txt)" = "$(printf %o $((0666 & ~$(umask))))" ] || fail "mode"
# What is no regular file cannot be renamed over: it is written as it is.
|output is a FIFO|mkfifo outfifo; : >got.txt; cat outfifo >>got.txt &|run in_file=in.txt out_file=outfifo templet=p.shbl|0||wait; same got.txt expected.txt; [ -p outfifo ] || fail "no FIFO"
|output is a folder||run in_file=in.txt out_file=adir templet=p.shbl|1|kestrune: adir$NC|[ -z "$(ls -A adir)" ] || fail "adir changed"
# Replaced whole, keeping its mode, and no temporary file is left.
|output named as the input|cp in.orig same.txt; chmod 640 same.txt|run in_file=same.txt out_file=same.txt templet=p.shbl|0||same same.txt expected.txt; [ "$(stat -c %a same.txt)" = 640 ] || fail mode
# --- a full disk --------------------------------------------------------------
small_disk 256k|disk full while the result is written|lines_of 'alpha and some more text in a line' 1000000 big.txt; cp old.txt small/r.txt|run in_file=big.txt out_file=small/r.txt templet=p.shbl|1|kestrune: small/r.txt$NC|same small/r.txt old.txt; no_leftovers small
# Each "alpha" becomes a longer text, so the result no longer fits.
small_disk 256k|disk full while the result replaces its input|lines_of $'alpha\r' 140000 small/in.txt; cp small/in.txt small.orig; pattern grow.shbl 'alpha/alpha alpha alpha/1//0/0'|run in_file=small/in.txt out_file=small/in.txt templet=grow.shbl|1|kestrune: small/in.txt$NC|same small/in.txt small.orig; no_leftovers small; rm small/in.txt
# 8 MB of input and of result: from 4 MB on the input is read and the result written on threads of
# their own; the disk fills at 5 MB.
small_disk 5m|disk full while the writing thread writes|lines_of 'alpha and some more text in a line' 8000000 big.txt; cp old.txt small/r.txt|run in_file=big.txt out_file=small/r.txt templet=p.shbl|1|kestrune: small/r.txt$NC|same small/r.txt old.txt; no_leftovers small
small_disk 5m|disk full while the writing thread writes statistics|cp old.txt small/r.txt|run +stat in_file=big.txt out_file=small/r.txt templet=p.shbl|1|kestrune: small/r.txt$NC|same small/r.txt old.txt; no_leftovers small; rm big.txt
# --- too little memory: a sort needs the whole text in memory (one-rule line filters and
# replacements stream and would get through).
without_asan|input too big for the memory|truncate -s 1G sparse.txt; cp old.txt r.txt; pattern sort.shbl '[/]/5//1/1'; MEMORY_BYTES=400000000|run in_file=sparse.txt out_file=r.txt templet=sort.shbl|1|kestrune: r.txt$NC|same r.txt old.txt; no_leftovers; rm sparse.txt
# --- sorts beyond their memory: runs put aside in $TMPDIR and merged -----
# A log sorted in memory and again under an address-space limit that leaves room for less than
# half of it, and with 4 MB of memory: the same bytes. A full $TMPDIR, or one that cannot be
# written, is the result not created, the old result intact; a $TMPDIR on another file system
# than the result is no trouble.
|a sort of 4 MB of memory|sort_files; mkdir spills|RUN_TMPDIR=$WORK/spills run --sort-memory=4M in_file=log100.txt out_file=r.txt templet=sort.shbl|0||same r.txt sorted100.txt; created r.txt; [ -z "$(ls -A spills)" ] || fail "spills left"
without_asan|a sort under little memory puts runs aside|MEMORY_BYTES=150000000|run in_file=log100.txt out_file=r.txt templet=sort.shbl|0||same r.txt sorted100.txt; created r.txt
|a diff with a sort of 1 MB of memory|printf 'b[2]\r\na[1]\r\n' >two.txt|run --sort-memory=1M --diff --color=never in_file=two.txt templet=sort.shbl|1||out_is '--- two.txt\tSTAMP\n+++ res_1.txt\tSTAMP\n@@ -1,2 +1,2 @@\n-b[2]\n a[1]\n+b[2]'
small_disk 256k|$TMPDIR full during a sort|rm -rf small/* small/.[!.]*; cp old.txt r.txt|RUN_TMPDIR=$WORK/small run --sort-memory=1M in_file=log100.txt out_file=r.txt templet=sort.shbl|1|kestrune: r.txt$NC|same r.txt old.txt; [ -z "$(ls -A small)" ] || fail "small holds files"
|$TMPDIR missing|cp old.txt r.txt|RUN_TMPDIR=$WORK/none run --sort-memory=1M in_file=log100.txt out_file=r.txt templet=sort.shbl|1|kestrune: r.txt$NC|same r.txt old.txt
small_disk 200m|$TMPDIR on another file system|:|RUN_TMPDIR=$WORK/small run --sort-memory=2M in_file=log100.txt out_file=r.txt templet=sort.shbl|0||same r.txt sorted100.txt; created r.txt
|invalid sort memory||run --sort-memory=12Q in_file=two.txt templet=sort.shbl|2|*|[[ $err == "kestrune: --sort-memory=12Q: not a size ("*")" ]] || fail "stderr $err"
# A run killed while it merges: no file is left in $TMPDIR or beside the result, and the result
# is the old one or the new one, whole.
|SIGKILL while a spilled sort merges|cp old.txt r.txt|killed_merging|*|*|[ -z "$(ls -A spills)" ] || fail "spills left"
# --- stopped by a signal, and the progress line -------------------------------
|SIGINT during a sort|cp old.txt r.txt|stopped INT|130||
|SIGTERM during a sort|cp old.txt r.txt|stopped TERM|143||
# Three sorts of 1 MB of memory last more than a second.
|a progress line on a terminal|pattern sort3.shbl '[/]/5//1/1' '[/]/5//1/1' '[/]/5//1/1'|on_terminal --sort-memory=1M in_file=log100.txt out_file=r.txt templet=sort3.shbl|0||created r.txt tty.out; grep -q $'\rkestrune:  [ 0-9][0-9]%  [0-9.]* MB/s  [0-9:]* left' tty.out && [[ $(cat tty.out) =~ $'\r'\ +$'\r'$ ]] || fail "$(od -c tty.out | tail -5)"
|no progress line when silent|rm tty.out|on_terminal --sort-memory=1M +silent in_file=log100.txt out_file=r.txt templet=sort3.shbl|0||created r.txt tty.out; same tty.out /dev/null; rm -f log100.txt sorted100.txt

# --- SIGKILL while writing ------------------------------------------------
# A result that cannot leave room for the statistics block (a FIFO) has its text spooled and
# joined behind the block through a buffer: the same bytes as in a regular file, and without
# statistics the same text. The block's size, guessed from the first 4 MB of result, can be
# wrong (no match until then): the text then moves behind the real block.
|spooled results|kill_files; : >got.txt; cat outfifo >>got.txt &|run +stat in_file=chain.txt out_file=outfifo templet=chain.shbl|0||wait; same got.txt chain-expected.txt; cmp -s <(tail -c "$(stat -c %s chain-plain.txt)" chain-expected.txt) chain-plain.txt || fail "the spooled text differs"
|statistics whose size the first 4 MB misjudge|pattern late.shbl 'alpha/beta/1//1/1'; { lines_of $'no match here\r' 9000000 /dev/stdout; printf 'alpha\r\n%.0s' {1..20}; } >late.txt|run +stat in_file=late.txt out_file=late-result.txt templet=late.shbl|0||same late-result.txt <(printf 'Замена "alpha" на "beta" - замен - 20\r\n\r\n\r\n'; sed 's/alpha/beta/' late.txt); created late-result.txt
|SIGKILL while the result is written|cp old.txt r.txt|killed '0 0.05 0.2' 1 r.txt old.txt huge-expected.txt kestrune in_file=huge.txt out_file=r.txt templet=p.shbl|*|*|
|SIGKILL while the result replaces its input||killed '0 0.05 0.2' 1 same.txt huge.txt huge-expected.txt kestrune in_file=same.txt out_file=same.txt templet=p.shbl|*|*|
|SIGKILL during a +stat run of four rules|cp old.txt r.txt|killed '0 0.005 0.02' 1 r.txt old.txt chain-expected.txt kestrune +stat in_file=chain.txt out_file=r.txt templet=chain.shbl|*|*|[ "$left" = 0 ] || fail "$left temporary files left behind"
|SIGKILL while a pattern is saved|cp old.shbl target.shbl|killed '0 0.02 0.1' 1 target.shbl old.shbl new.shbl saver target.shbl 20000 0|*|*|rm -f huge*.txt chain*.txt same.txt
# --- hostile pattern files -------------------------------------------------
|pattern file is a folder||run in_file=in.txt out_file=r.txt templet=adir|1|kestrune: adir$NO|same r.txt in.txt; created r.txt
# The input comes out unchanged, with CR LF line breaks.
|pattern file missing||run in_file=ab.txt templet=nothing.shbl|1|kestrune: nothing.shbl$NO|same res_1.txt <(printf 'a\r\nb'); created res_1.txt
locked_out|pattern file unreadable|cp p.shbl locked.shbl; chmod 000 locked.shbl|run in_file=in.txt out_file=r.txt templet=locked.shbl|1|kestrune: locked.shbl$NO|same r.txt in.txt; created r.txt
# The program itself: any bytes at all, zero bytes included.
|pattern file is binary||run in_file=in.txt out_file=r.txt templet="$KESTRUNE"|[01]|*|[ -z "$(grep -vx "kestrune: $BAD_ACTION" .err)" ] || fail "stderr $err"; created r.txt
# After the header line, each 17 lines make one rule of action 0 (the last one needs only its
# first three), and each is reported once.
|pattern file of 50 MB of separators|lines_of ======== 52428798 separators.shbl|run in_file=in.txt out_file=r.txt templet=separators.shbl|1|*|same r.txt in.txt; created r.txt; [ -z "$(grep -vx "kestrune: $BAD_ACTION" .err)" ] && [ "$(grep -cx "kestrune: $BAD_ACTION" .err)" = $(((5825422 + 13) / 17)) ] || fail "stderr ${err:0:300}"; rm separators.shbl
# --- printf-like texts ------------------------------------------------------------
|printf-like output template||run in_file=in.txt 'out_file=%s%n%x%d%n%p%s.txt' templet=p.shbl|0||same '%s%n%x1%n%p%s.txt' expected.txt; created '%s%n%x1%n%p%s.txt'
# The width is capped at 4096: the name is too long for the file system.
|printf-like output template with a huge width||run in_file=in.txt "out_file=$HOSTILE.txt" templet=p.shbl|1|kestrune: %s%n%x$(printf '%4095s' '')1.txt$NC|
|printf-like input and pattern names||run "in_file=$HOSTILE" out_file=r.txt "templet=$HOSTILE.shbl"|1|kestrune: $HOSTILE.shbl$NO${NL}kestrune: $HOSTILE$NO|
|printf-like pattern texts in the statistics|pattern hostile.shbl "$HOSTILE/%n%s/1//0/0" '%n%s//2//0/0' 'x//6//1/1'; printf '%s\r\n' "$HOSTILE" "x$HOSTILE%n%s" >hostile.txt|run +stat in_file=hostile.txt out_file=r.txt templet=hostile.shbl|0||same r.txt hostile-expected.txt; created r.txt
EOF

echo "SIGKILL: $kept_old files kept their old content, $got_new had the new one," \
  "$leftovers temporary files were left behind"
echo "$cases cases, $failures failed"
[ "$failures" -eq 0 ]
