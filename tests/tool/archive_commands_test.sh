#!/usr/bin/env bash
# cli_round_trip.sh: 'orvane pack', 'list' and 'extract' round-trip files and report damage.
# usage: cli_round_trip.sh ORVANE WORKDIR
set -euo pipefail
orvane=$1
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

head -c 6000 /dev/urandom > noise.bin
seq 1 4000 > counting.txt
: > empty.bin
printf 'x' > one.bin

"$orvane" pack --raw archive.zrk noise.bin counting.txt empty.bin one.bin || fail "pack"
"$orvane" list archive.zrk > listing.txt || fail "list of a sound archive"
grep -q '^4 entries$' listing.txt || fail "count line: $(tail -1 listing.txt)"
grep -Eq '^ +1 +[0-9]+ +1 ' listing.txt || fail "counting.txt not packed"
i=0
for f in noise.bin counting.txt empty.bin one.bin; do
    "$orvane" extract archive.zrk $i out.bin || fail "extract $i"
    cmp -s out.bin "$f" || fail "entry $i differs from $f"
    i=$((i + 1))
done
"$orvane" extract archive.zrk 1 - | cmp -s - counting.txt || fail "extract to standard output"

"$orvane" pack --stored --raw stored.zrk counting.txt || fail "pack --stored"
"$orvane" list stored.zrk | grep -Eq '^ +0 +4 +0 ' || fail "--stored packed anyway"

# Damage: cut inside the packed entry; the listing names it and goes on, the status says so.
head -c 6100 archive.zrk > cut.zrk
if "$orvane" list cut.zrk > cut.txt 2> cut.err; then fail "list of a cut archive succeeded"; fi
grep -Eq '^ +0 .*100\.0%$' cut.txt || fail "entry 0 of the cut archive"
grep -Eq '^ +1 .*truncated entry$' cut.txt || fail "entry 1 of the cut archive"
grep -q '^4 entries, 3 damaged$' cut.txt || fail "count line of the cut archive: $(tail -1 cut.txt)"

# Refusals: a status other than 0 and one line on standard error naming the problem.
if "$orvane" extract cut.zrk 1 out.bin 2> err.txt; then fail "extract of a truncated entry"; fi
grep -q 'cut.zrk: entry 1: truncated entry' err.txt || fail "extract message: $(cat err.txt)"
if "$orvane" extract archive.zrk 4 out.bin 2> err.txt; then fail "extract beyond the table"; fi
grep -q 'entry 4: no such entry' err.txt || fail "no such entry message: $(cat err.txt)"
if "$orvane" extract archive.zrk -1 out.bin 2> /dev/null; then fail "negative index accepted"; fi
if "$orvane" pack bad.zrk missing.bin 2> err.txt; then fail "pack of a missing file"; fi
grep -q "missing.bin: cannot read it" err.txt || fail "pack message: $(cat err.txt)"
[ ! -e bad.zrk ] || fail "pack left an archive behind"
if "$orvane" list missing.zrk 2> /dev/null; then fail "list of a missing archive"; fi
"$orvane" list --help | grep -q 'usage: orvane list' || fail "list --help"
"$orvane" pack --help | grep -q 'usage: orvane pack' || fail "pack --help"
"$orvane" extract --help | grep -q 'usage: orvane extract' || fail "extract --help"
echo "ok"
