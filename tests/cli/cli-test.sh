#!/usr/bin/env bash
# The verbs of the command line, run as a user runs them, without a display, on the lists in
# tests/data (written by Python's csv module: make-lists.py), the Anki packages and other files
# that tests/data/make-packages.py writes, and the Mnemosyne and KVTML files of make-decks.py.
# Each row gives the arguments (@ stands for tests/data/, % for the written files' folder, outside
# the card folder), the exit status and what the program said, and then a file (in the card
# folder, or %) and its bytes as printf writes them. A verb that fails changes nothing in the card
# folder.
#   tests/cli/cli-test.sh PROGRAM_FOLDER
set -uo pipefail
program_folder=$1
program=$1/quorvane
data=$(cd "$(dirname "$0")/../data" && pwd)
base=$(mktemp -d)
trap 'rm -rf "$base"' EXIT
pk=$base/packages
/usr/bin/python3 "$data/make-packages.py" "$pk" || exit 1
/usr/bin/python3 "$data/make-decks.py" "$pk" || exit 1
failed=0
fail() { echo "FAIL: $*"; failed=1; }
snapshot() { (cd "$dir" && find . -type f -print0 | sort -z | xargs -0 md5sum); }
# A new card folder, as before the first start.
fresh() {
    dir=$(mktemp -d -p "$base")
    cp "$program_folder/default-sets.dat" "$program_folder/default.dat" "$dir"
}
fresh

row() {
    local arguments=$1 status=$2 said=$3 file=${4:-} bytes=${5:-} before out
    before=$(snapshot)
    # shellcheck disable=SC2086 # the arguments are split at blanks
    arguments=${arguments//%/$pk/}
    out=$(cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
        "$program" --folder "$dir" ${arguments//@/$data/} 2>&1)
    out="$? ${out//$data\//@}"
    out=${out//$pk\//%}
    arguments=${arguments//$pk\//%}
    [ "$out" = "$status $said" ] || fail "$arguments: said \"$out\", not \"$status $said\""
    [ "$status" = 0 ] || [ "$(snapshot)" = "$before" ] || fail "$arguments changed the card folder"
    file=${file/#%/$pk/}
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
row "--import @open.csv" 1 "quorvane: @open.csv cannot be read as a list of cards: a quote in \
the row on line 2 is never closed. Nothing was imported."
row "--import @comma.csv --topics Tab|Sep" 1 "quorvane: The topics \"Tab\" and \"Sep\" would store \
the set in the file \"TabSep.dat\", which is already in use. Please choose other topics. No set \
was created."
row "--import @comma.csv --topics A/B|C" 1 "quorvane: A topic cannot contain \"|\", \"/\" or a \
line break, because the list of sets uses them to tell the topics apart. No set was created."
row "--import @comma.csv --topics AB" 1 "quorvane: --topics takes two topics as \"Side 1|Side 2\""
# An export never writes into the card folder, whatever leads there, nor over anything but a file.
ln -s "$dir/WordMeaning.dat" "$pk/link.csv"
mkfifo "$pk/pipe.csv"
row "--export 1 out.csv" 1 "quorvane: \"out.csv\" is in the card folder, whose files only the \
program writes. Nothing was written."
row "--export 1 %link.csv" 1 "quorvane: \"%link.csv\" is in the card folder, whose files only the \
program writes. Nothing was written."
row "--export 1 %pipe.csv" 1 "quorvane: \"%pipe.csv\" is not a plain file. Nothing was written."
row "--export 8 x.csv" 1 "quorvane: there is no set \"8\"; quorvane --list shows the sets"
row "--export 1 sets.dat" 1 \
    "quorvane: sets.dat: the name must end in .csv, .tsv, .txt, .apkg or .kvtml"
row "--list --topics A|B" 1 "quorvane: give one of --import FILE [--topics \"Side 1|Side 2\"], \
--export SET FILE and --list (see --help)"
row "--list --colour" 1 "Quorvane: Unknown option 'colour'."

# Anki packages. One deck (a .colpkg, legacy layout) is one set, its topics its fields' names.
row "--import %one-deck.colpkg" 0 "Imported 2 cards." FrontBack.dat 'Front|Back\r\nHund|dog\r\ndog|Hund\r\n'
row "--import %rules.latest.apkg --topics A|B" 1 "quorvane: %rules.latest.apkg: it holds 6 decks, \
and --topics names the topics of one set; leave --topics out to use the decks' own"
# What is none of the formats read is refused in one line, and nothing is written.
row "--import %book.xlsx" 1 \
    "quorvane: %book.xlsx is a spreadsheet workbook: save it as CSV first. Nothing was imported."
row "--import %sheet.ods" 1 \
    "quorvane: %sheet.ods is a spreadsheet workbook: save it as CSV first. Nothing was imported."
row "--import %binary.txt" 1 "quorvane: %binary.txt is not a list of cards: it holds binary data \
(NUL bytes). Nothing was imported."
row "--import %other.db" 1 \
    "quorvane: %other.db is a database of another kind, not a Mnemosyne database or an Anki \
package. Nothing was imported."
row "--import %bomb.apkg" 1 "quorvane: %bomb.apkg cannot be read as an Anki package: its member \
\"collection.anki2\" unpacks to more than 1,000 times its packed size. Nothing was imported."
row "--import %zstd-bomb.apkg" 1 "quorvane: %zstd-bomb.apkg cannot be read as an Anki package: \
its collection unpacks to more than 1,000 times its packed size. Nothing was imported."
row "--import %not-a-database.apkg" 1 "quorvane: %not-a-database.apkg cannot be read as an Anki \
package: its collection is not a database that can be read (file is not a database). Nothing was \
imported."
# The stub that tells older programs to update is never taken for the collection.
row "--import %latest-no-collection.apkg" 1 "quorvane: %latest-no-collection.apkg cannot be read \
as an Anki package: its collection \"collection.anki21b\" is missing. Nothing was imported."
# Text in UTF-16, as spreadsheets save "Unicode text".
row "--import %unicode.txt" 0 "Imported 1 card." "WortWörter.dat" \
    'Wort|W\xc3\xb6rter\r\n\xce\x93\xce\xac\xcf\x84\xce\xb1|cat\r\n'

# A set out as a package or as KVTML and in again, into another card folder, gives the same card
# file; the package is a schema-11 collection that SQLite opens, the KVTML file names Quorvane
# and its version and has an identifier for each topic and an entry for each card.
printf 'a  b <i>&amp; [sound:x.mp3]\tc caf\xe9 "q"\r\nx &nbsp; y\t\xe0 \x80\r\n' >"$pk/tricky.tsv"
row "--import %tricky.tsv --topics Tricky|Sides" 0 "Imported 2 cards."
version=$("$program" --version | cut -d' ' -f2)
for set in WordMeaning TrickySides FrontBack; do
    number=$(grep -n "|$set.dat" "$dir/sets.dat" | cut -d: -f1)
    cards=$(($(wc -l <"$dir/$set.dat") - 1))
    row "--export $((number - 1)) %$set.kvtml" 0 "Exported $cards cards."
    /usr/bin/python3 -c 'import sys, xml.etree.ElementTree as ET
kvtml = ET.parse(sys.argv[1]).getroot()
assert kvtml.tag == "kvtml" and kvtml.get("version") == "2.0"
assert kvtml.findtext("information/generator") == "Quorvane " + sys.argv[2]
names = [i.findtext("name") for i in kvtml.findall("identifiers/identifier")]
assert names == sys.argv[3].split("|")[:2], names
assert len(kvtml.findall("entries/entry")) == int(sys.argv[4])' "$pk/$set.kvtml" "$version" \
        "$(sed -n "${number}p" "$dir/sets.dat")" "$cards" || fail "$set.kvtml is not as written"
    row "--export $((number - 1)) %$set.apkg" 0 "Exported $cards cards."
    /usr/bin/python3 -c 'import sqlite3, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert sorted(z.namelist()) == ["collection.anki2", "media"] and z.read("media") == b"{}"
open(sys.argv[2], "wb").write(z.read("collection.anki2"))
db = sqlite3.connect(sys.argv[2])
tables = {r[0] for r in db.execute("SELECT name FROM sqlite_master WHERE type = \"table\"")}
assert tables == {"col", "notes", "cards", "revlog", "graves"}, tables
assert db.execute("SELECT ver FROM col").fetchone() == (11,)
assert db.execute("SELECT count(*) FROM notes").fetchone() == (int(sys.argv[3]),)
assert db.execute("SELECT count(*) FROM cards").fetchone() == (int(sys.argv[3]),)' \
        "$pk/$set.apkg" "$base/$set.anki2" "$cards" || fail "$set.apkg is no schema-11 collection"
    home=$dir
    for format in apkg kvtml; do
        fresh
        row "--import %$set.$format" 0 "Imported $cards cards."
        cmp -s "$home/$set.dat" "$dir/$set.dat" ||
            fail "$set.dat came back from .$format as $(cat -A "$dir/$set.dat")"
    done
    dir=$home
done

# Each layout gives the same sets: a set for each deck that holds cards, decks whose topics
# clash named by the deck, and one report.
report="Imported 10 cards into 6 sets. 2 cards were skipped: a side was empty or held '|'. Left \
out: 2 pictures and 1 sound (a card holds text only), 1 image-occlusion note (2 cards)."
for layout in legacy 2.1 latest; do
    fresh
    row "--import %rules.$layout.apkg" 0 "$report"
    row "--list" 0 "1. States|Capitals
2. Text|Back Extra
3. German: Front|Back
4. Media: Front|Back
5. Reversed: Front|Back
6. Word|Meaning
7. Typing: Front|Back"
    # The rule, the set file its deck gives, and what the file holds (\x7c is "|").
    while IFS='|' read -r rule file bytes; do
        cmp -s "$dir/$file" <(printf "$bytes") ||
            fail "$layout, $rule: $file holds $(cat -A "$dir/$file" 2>&1)"
    done <<'EOF'
reversed: a card for each template|Reversed FrontBack.dat|Reversed: Front\x7cBack\r\nHund\x7cdog\r\ndog\x7cHund\r\n
cloze with a hint, a number used twice|TextBack Extra.dat|Text\x7cBack Extra\r\n[city] is in Germany; [...] again\x7cBerlin is in Germany; Berlin again Europe\r\nBerlin is in [...]; Berlin again\x7cBerlin is in Germany; Berlin again Europe\r\nThe [...] flows\x7cThe Rhine flows\r\n
{{#F}} and {{^F}} sections|WordMeaning.dat|Word\x7cMeaning\r\nBaum green\x7ctree\r\nHaus\x7chouse n.\r\n
type-in answer on Side 2 only|Typing FrontBack.dat|Typing: Front\x7cBack\r\nMaus\x7cmouse\r\n
subdeck|German FrontBack.dat|German: Front\x7cBack\r\nT\xfcr\x7cdoor\r\n
HTML to text, media left out|Media FrontBack.dat|Media: Front\x7cBack\r\nKatze &  Co\x7ccat\r\n
EOF
done
# Mnemosyne's cards and database, KVTML and KWordQuiz's list: a set for each file, its topics
# from the file. The rule, the file, what the import said, the set file and what it holds.
fresh
while IFS='~' read -r rule file said set bytes; do
    row "--import %$file" 0 "$said"
    cmp -s "$dir/$set" <(printf "$bytes") || fail "$rule: $set holds $(cat -A "$dir/$set" 2>&1)"
done <<'EOF'
front-to-back 1.1, HTML to text, a card with no fact~front-to-back.cards~Imported 1 card. 2 cards were skipped: a side was empty or held '|'. Left out: 1 picture and 1 sound (a card holds text only).~Front to back QuestionAnswer.dat~Front to back: Question|Answer\r\nKatze & Co|cat small\r\n
both ways 2.1~both-ways-1.cards~Imported 1 card. Left out: 1 picture and 1 sound (a card holds text only).~Both ways 2.1 QuestionAnswer.dat~Both ways 2.1: Question|Answer\r\nKatze & Co|cat small\r\n
both ways 2.2~both-ways-2.cards~Imported 1 card. Left out: 1 picture and 1 sound (a card holds text only).~Both ways 2.2 QuestionAnswer.dat~Both ways 2.2: Question|Answer\r\ncat small|Katze & Co\r\n
vocabulary 3.1, an empty field left out~vocabulary-1.cards~Imported 1 card.~Vocabulary 3.1 QuestionAnswer.dat~Vocabulary 3.1: Question|Answer\r\nHaus|house das\r\n
vocabulary 3.2~vocabulary-2.cards~Imported 1 card.~Vocabulary 3.2 QuestionAnswer.dat~Vocabulary 3.2: Question|Answer\r\nhouse|Haus das\r\n
cloze with a hint, by its index~cloze.cards~Imported 2 cards. 1 card was skipped: a side was empty or held '|'.~Cloze QuestionAnswer.dat~Cloze: Question|Answer\r\n[city] is in Germany|Berlin\r\nBerlin is in [...]|Germany\r\n
card types not known, counted~unknown.cards~Imported 1 card. Left out: 2 cards of card types Quorvane does not know.~A-B-C QuestionAnswer.dat~A-B-C: Question|Answer\r\nBaum|tree\r\n
database, active cards only~default.db~Imported 3 cards. 1 card was skipped: a side was empty or held '|'. Left out: 1 picture (a card holds text only).~QuestionAnswer.dat~Question|Answer\r\nHund|dog\r\nhouse|Haus haus das\r\n[...] is in Germany|Berlin\r\n
KVTML 2.0, references not cards, plain text~vocabulary.kvtml~Imported 4 cards. 1 row was skipped (line 12): a side was empty or held '|'.~EnglishGerman.dat~English|German\r\ndog|Hund\r\n<b>bold</b> & co|fett   & Co\r\ncat|Katze\r\ngo|gehen\r\n
KVTML 2.0 in gzip~vocabulary.kvtml.gz~Imported 4 cards. 1 row was skipped (line 12): a side was empty or held '|'.~EnglischDeutsch.dat~Englisch|Deutsch\r\ndog|Hund\r\n<b>bold</b> & co|fett   & Co\r\ncat|Katze\r\ngo|gehen\r\n
a word list of one identifier~animals.kvtml~Imported 1 card. 1 row was skipped (line 9): a side was empty or held '|'.~AnimalComment.dat~Animal|Comment\r\nbear|Large animal\r\n
KVTML 1.0~old.kvtml~Imported 2 cards.~FrenchSpanish.dat~French|Spanish\r\nchien|perro\r\nchat|gato\r\n
an external entity never fetched~external.kvtml~Imported 1 card.~SecretKept.dat~Secret|Kept\r\ndog|Hund\r\n
EOF
# KWordQuiz's list names its vocabulary, not its columns: the topics are asked for.
row "--import %kwordquiz.csv" 1 "quorvane: %kwordquiz.csv: its deck \"Vokabeln\" names no topics; \
give them with --topics \"Side 1|Side 2\""
row "--import %kwordquiz.csv --topics Wort|Word" 0 \
    "Imported 2 cards. 1 row was skipped (line 6): a side was empty or held '|'." \
    WortWord.dat 'Wort|Word\r\nHund|dog\r\n"quoted" word|a, b\r\n'
row "--import %bomb.kvtml" 1 "quorvane: %bomb.kvtml cannot be read as a KVTML file: it is not \
well-formed XML (line 3: Entity expands to more characters than the entity expansion limit). \
Nothing was imported."
row "--import %bomb.kvtml.gz" 1 "quorvane: %bomb.kvtml.gz cannot be read as a gzip-compressed file: \
it unpacks to more than 1,000 times its packed size. Nothing was imported."
row "--import %broken.cards" 1 "quorvane: %broken.cards cannot be read as Mnemosyne cards: its \
cards.xml is not well-formed XML (line 1: Opening and ending tag mismatch). Nothing was imported."
# Mnemosyne refuses a whole tab-separated file for a line that starts or ends with the tab.
printf '|no Side 1\r\nno Side 2|\r\n' >>"$dir/FrenchSpanish.dat"
row "--export French|Spanish %empty.tsv" 0 "Exported 4 cards." %empty.tsv \
    'chien\tperro\r\nchat\tgato\r\n""\tno Side 1\r\nno Side 2\t""\r\n'
exit $failed
