#!/usr/bin/env bash
# The verbs of the command line, run as a user runs them, without a display, on the lists in
# tests/data (written by Python's csv module: make-lists.py). Each row gives the arguments
# (@ stands for tests/data/, % for a folder outside the card folder), the exit status and what the
# program said, and then a file and its bytes as printf writes them. A verb that fails changes
# nothing in the card folder.
#   tests/cli/cli-test.sh PROGRAM_FOLDER
set -uo pipefail
program=$1/quorvane
data=$(cd "$(dirname "$0")/../data" && pwd)
dir=$(mktemp -d)
out=$(mktemp -d)
trap 'rm -rf "$dir" "$out"' EXIT
cp "$1/default-sets.dat" "$1/default.dat" "$dir"
failed=0
fail() { echo "FAIL: $*"; failed=1; }
snapshot() { (cd "$dir" && find . -type f -print0 | sort -z | xargs -0 md5sum); }

row() {
    local arguments=$1 status=$2 said=$3 file=${4:-} bytes=${5:-} before got
    before=$(snapshot)
    # shellcheck disable=SC2086 # the arguments are split at blanks
    arguments=${arguments//@/$data/}
    got=$(cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
        "$program" --folder "$dir" ${arguments//%/$out/} 2>&1)
    got="$? ${got//$data\//@}"
    got=${got//$out\//%}
    [ "$got" = "$status $said" ] || fail "$arguments: said \"$got\", not \"$status $said\""
    [ "$status" = 0 ] || [ "$(snapshot)" = "$before" ] || fail "$arguments changed the card folder"
    file=${file//%/$out/}
    [ -z "$file" ] || cmp -s "${file/#[!\/]*/$dir/$file}" <(printf "$bytes") ||
        fail "$arguments: $file holds $(cat -A "${file/#[!\/]*/$dir/$file}" 2>&1)"
}

row "--list" 0 "1. States|Capitals"
[ ! -e "$dir/sets.dat" ] || fail "--list made sets.dat"
row "--import @comma.csv" 0 \
    "Imported 5 cards. 3 rows were skipped (lines 7, 8, 9): a side was empty or held '|'." \
    WordMeaning.dat \
    'Word|Meaning\r\nhola|hello\r\nquote|He said "hi"\r\na, b|x\r\ntwo lines|end\r\nblanks|caf\xe9\r\n'
row "--import @semicolon.csv" 0 "Imported 2 cards." \
    PalabraWort.dat 'Palabra|Wort\r\nuno, dos|eins, zwei\r\ntres|drei;vier\r\n'
row "--import @tab.tsv --topics Tab|Sep" 0 "Imported 2 cards." \
    TabSep.dat 'Tab|Sep\r\ntab\there|quoted\r\nplain|a "quote"\r\n'
row "--import @anki.txt --topics German|English" 0 \
    "Imported 2 cards. 1 row was skipped (line 5): a side was empty or held '|'." \
    GermanEnglish.dat 'German|English\r\nHund|dog\r\nKatze|cat, small\r\n'
row "--import @bom.csv" 0 "Imported 1 card." ΕλληνικάGreek.dat 'Ελληνικά|Greek\r\nγάτα|cat\r\n'
row "--import @cp1252.csv" 0 "Imported 2 cards." \
    EspañolEnglish.dat 'Espa\xf1ol|English\r\nni\xf1o|child\r\n\x80uro|euro\r\n'
row "--export Word|Meaning %out.csv" 0 "Exported 5 cards." %out.csv \
    'Word,Meaning\r\nhola,hello\r\nquote,"He said ""hi"""\r\n"a, b",x\r\ntwo lines,end\r\nblanks,café\r\n'
row "--export 4 %out.txt" 0 "Exported 2 cards." %out.txt \
    '"tab\there"\tquoted\r\nplain\t"a ""quote"""\r\n'
row "--list" 0 "1. States|Capitals
2. Word|Meaning
3. Palabra|Wort
4. Tab|Sep
5. German|English
6. Ελληνικά|Greek
7. Español|English"
row "--import @gone.csv" 1 "quorvane: @gone.csv: File not found"
row "--import @open.csv" 1 \
    "quorvane: @open.csv: a quote in the row on line 2 is never closed. Nothing was imported."
row "--import @comma.csv --topics Tab|Sep" 1 "quorvane: The topics \"Tab\" and \"Sep\" would store \
the set in the file \"TabSep.dat\", which is already in use. Please choose other topics. No set \
was created."
row "--import @comma.csv --topics A/B|C" 1 "quorvane: A topic cannot contain \"|\", \"/\" or a \
line break, because the list of sets uses them to tell the topics apart. No set was created."
row "--import @comma.csv --topics AB" 1 "quorvane: --topics takes two topics as \"Side 1|Side 2\""
# An export never writes into the card folder, whatever leads there, nor over anything but a file.
ln -s "$dir/WordMeaning.dat" "$out/link.csv"
mkfifo "$out/pipe.csv"
row "--export 1 out.csv" 1 "quorvane: \"out.csv\" is in the card folder, whose files only the \
program writes. Nothing was written."
row "--export 1 %link.csv" 1 "quorvane: \"%link.csv\" is in the card folder, whose files only the \
program writes. Nothing was written."
row "--export 1 %pipe.csv" 1 "quorvane: \"%pipe.csv\" is not a plain file. Nothing was written."
row "--export 8 x.csv" 1 "quorvane: there is no set \"8\"; quorvane --list shows the sets"
row "--export 1 sets.dat" 1 "quorvane: sets.dat: the name must end in .csv, .tsv or .txt"
row "--list --topics A|B" 1 "quorvane: give one of --import FILE [--topics \"Side 1|Side 2\"], \
--export SET FILE and --list (see --help)"
row "--list --colour" 1 "Quorvane: Unknown option 'colour'."
exit $failed
