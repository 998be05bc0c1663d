#!/usr/bin/env bash
# Makes the seed corpus of the directory-reader fuzzer with Info-ZIP zip: small archives
# that reach every stage of the reader. Run from anywhere; writes corpus/read_directory/.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/corpus/read_directory"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cd "$work"
printf 'preview bytes' > preview.png
printf 'notes notes notes notes notes notes' > notes.txt
mkdir -p art/layers
head -c 70000 /dev/zero | tr '\0' 'q' > big.txt

zip -q -X -0 stored.zip preview.png notes.txt          # stored.zip: two stored members
zip -q -X -9 deflated.zip preview.png notes.txt        # deflated.zip: two deflated members
cp stored.zip comment.zip                               # comment.zip: entry and archive comments
printf 'one\ntwo\n' | zip -q -c comment.zip preview.png notes.txt
printf 'archive comment' | zip -q -z comment.zip
zip -q -X -r dirs.zip art                               # dirs.zip: folder entries only
zip -q -X empty.zip notes.txt && zip -q -d empty.zip notes.txt || true   # empty.zip: 22 bytes
{ head -c 64 /dev/zero | tr '\0' 'M'; cat stored.zip; } > stub.zip      # stub.zip: 64 bytes in front
printf 'streamed' | zip -q -X stream.zip -              # stream.zip: a data descriptor
zip -q -X -0 -s 64k split.zip big.txt notes.txt         # split.zip: last volume of a spanned set
zip -q -X -fz zip64.zip preview.png notes.txt           # zip64.zip: ZIP64 end record, markers
bsdtar --format zip --options zip:zip64 -cf bsdtar64.zip preview.png   # bsdtar64.zip: ZIP64 end
                                                        # record beside intact classic fields

for f in stored deflated comment dirs empty stub stream split zip64 bsdtar64; do
  cp "$f.zip" "$out/$f.zip"
done
