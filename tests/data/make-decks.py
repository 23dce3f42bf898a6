#!/usr/bin/python3
"""Writes the Mnemosyne and KDE vocabulary files the import tests read, with Python's zipfile,
sqlite3, gzip and xml modules, in the shapes those programs write:
    /usr/bin/python3 make-decks.py FOLDER
- one Mnemosyne card set (.cards) per rule, named after it: a card type and view each, a cloze
  with a hint, cards of types no reader knows; and a Mnemosyne database (default.db);
- KVTML 2.0, plain and gzip-compressed, with lessons, word types and synonyms that refer to its
  entries again; a word list of one identifier; KVTML 1.0; KWordQuiz's tab-separated list;
- files that must be refused or read with care: an entity bomb, an external entity."""
import gzip
import os
import sqlite3
import sys
import zipfile
from xml.sax.saxutils import escape, quoteattr

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data.encode() if isinstance(data, str) else data)


# Mnemosyne 2 card sets: <log> entries, facts (16) before cards (6), as Mnemosyne exports them.
def card_set(name, set_name, facts, cards):
    xml = [f'<openSM2sync number_of_entries="{len(facts) + len(cards) + 1}">',
           '<log type="10" o_id="t1"><name>tag</name></log>']
    for fid, data in facts.items():
        xml.append(f'<log type="16" o_id="{fid}">' + "".join(
            f"<{k}>{escape(v)}</{k}>" for k, v in data.items()) + "</log>")
    for n, (card_t, fid, view, extra) in enumerate(cards):
        xml.append(f'<log type="6" o_id="c{n}" card_t="{card_t}" fact="{fid}" fact_v="{view}" '
                   f'tags="t1" gr="-1" e="2.5">' +
                   (f"<extra>{escape(extra)}</extra>" if extra else "") + "</log>")
    with zipfile.ZipFile(os.path.join(out, name + ".cards"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("cards.xml", "\n".join(xml) + "</openSM2sync>\n")
        z.writestr("METADATA", f"card_set_name:{set_name}\nauthor_name:Me\n")


HTML = {"f": "<b>Katze</b> &amp; Co<img src=\"cat.jpg\">", "b": "cat<br>small<audio src=\"c.mp3\">"}
VOCABULARY = {"f": "Haus", "p_1": "", "m_1": "house", "n": "das"}
CLOZE = {"text": "[Berlin:city] is in [Germany]"}
card_set("front-to-back", "Front to back", {"a": HTML, "p": {"f": "a|b", "b": "pipe"}},
         [("1", "a", "1.1", ""), ("1", "p", "1.1", ""), ("1", "gone", "1.1", "")])
card_set("both-ways-1", "Both ways 2.1", {"a": HTML}, [("2", "a", "2.1", "")])
card_set("both-ways-2", "Both ways 2.2", {"a": HTML}, [("2", "a", "2.2", "")])
card_set("vocabulary-1", "Vocabulary 3.1", {"v": VOCABULARY}, [("3", "v", "3.1", "")])
card_set("vocabulary-2", "Vocabulary 3.2", {"v": VOCABULARY}, [("3", "v", "3.2", "")])
card_set("cloze", "Cloze", {"c": CLOZE},
         [("5", "c", "5.1", "{'cloze': 'Berlin:city', 'index': 0}"),
          ("5", "c", "5.1", "{\"cloze\": \"'index': 7\", 'index': 1}"),
          ("5", "c", "5.1", "{'cloze': 'Paris', 'index': 2}")])
card_set("unknown", "A/B|C", {"a": HTML, "u": {"f": "Baum", "b": "tree"}},
         [("1::Mine", "u", "1::Mine.1", ""), ("7", "u", "7.1", ""), ("1", "u", "1.1", "")])
write("cards.xml.cards", b"PK\x05\x06" + bytes(18))
with zipfile.ZipFile(os.path.join(out, "broken.cards"), "w") as z:
    z.writestr("cards.xml", "<openSM2sync><log type='16' o_id='a'><f>x</log>")

# Mnemosyne's database: the rendered question and answer of each card, fields joined by "\n".
db = sqlite3.connect(os.path.join(out, "default.db"))
db.executescript("""
CREATE TABLE facts(_id integer primary key, id text, extra_data text default "");
CREATE TABLE data_for_fact(_fact_id integer, key text, value text);
CREATE TABLE cards(_id integer primary key, id text, card_type_id text, _fact_id integer,
  fact_view_id text, question text, answer text, tags text, grade integer,
  extra_data text default "", active boolean default 1);""")
db.executemany("INSERT INTO cards (_id, card_type_id, question, answer, active) VALUES (?,?,?,?,?)",
               [(2, "3", "house", "Haus\nhaus\n<i>das</i>", 1), (1, "1", "Hund", "dog", 1),
                (3, "1", "inactive", "left out", 0), (4, "5", "[...] is in Germany", "Berlin", 1),
                (5, "1::Mine", "<img src=\"x.png\">", "picture only", 1)])
db.commit()
db.close()


# KVTML 2.0 as KWordQuiz and Parley write it, with what refers to entries again.
def kvtml2(names, entries, extra="", doctype='PUBLIC "kvtml2.dtd" "http://edu.kde.org/kvtml/kvtml2.dtd"'):
    ids = "".join(f'<identifier id="{k}"><name>{n}</name><locale>en</locale></identifier>'
                  for k, n in enumerate(names))
    body = ""
    for eid, translations in entries:
        body += f'\n  <entry id="{eid}"><!-- a comment -->'
        for k, (text, more) in translations.items():
            body += f'<translation id="{k}"><text>{text}</text>{more}</translation>'
        body += "</entry>"
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE kvtml {doctype}>\n'
            '<!-- KWordQuiz -->\n<kvtml version="2.0">\n'
            "<information><generator>kwordquiz 22.12.3</generator><title>Tiere</title>"
            f"</information>\n<identifiers>{ids}</identifiers>\n<entries>{body}\n</entries>\n"
            f"{extra}</kvtml>\n")


REFERENCES = """<lessons><container><name>Lesson 1</name><inpractice>true</inpractice>
  <entry id="0"/><entry id="7"/><container><name>Inner</name><entry id="3"/></container>
  </container><lesson><name>Old</name><entryid>0</entryid></lesson></lessons>
<wordtypes><container><name>Noun</name><entry id="0"><translation id="0"/></entry></container>
</wordtypes><synonym><pair><entry id="0"><translation id="0"/></entry><entry id="3">
<translation id="0"/></entry></pair></synonym>
"""
ENTRIES = [
    (0, {0: ("dog", "<comment>an animal</comment>"), 1: ("Hund", "")}),
    (7, {0: ("&lt;b>bold&lt;/b> &amp; co", ""), 1: ("fett\n  &amp; Co", "")}),
    (3, {1: ("Katze", ""), 0: ("  cat ", "")}),
    (4, {0: ("lonely", "")}),                        # Side 2 empty: skipped, by its line
    (5, {}),                                         # an empty row of KWordQuiz's grid
    (6, {0: ("go", "<conjugation><tense>past</tense><text>went</text></conjugation>"),
         1: ("gehen", "<comparison><comparative><text>x</text></comparative></comparison>")}),
]
write("vocabulary.kvtml", kvtml2(["English", "German"], ENTRIES, REFERENCES))
write("vocabulary.kvtml.gz", gzip.compress(kvtml2(["Englisch", "Deutsch"], ENTRIES).encode(),
                                           mtime=0))
write("animals.kvtml", kvtml2(["Animal"], [(0, {0: ("bear", "<comment>Large animal</comment>")}),
                                           (1, {0: ("zebra", "")})]))
write("old.kvtml", '<?xml version="1.0"?>\n<!DOCTYPE kvtml SYSTEM "kvoctrain.dtd">\n'
      '<kvtml encoding="UTF-8" title="Old">\n<e><o l="fr">chien</o><t l="es">perro</t>'
      "<t>Hund</t></e>\n<e><o>chat</o><t>gato</t></e>\n<article><e l=\"fr\"><fi>une</fi></e>"
      "</article>\n</kvtml>\n")
# KWordQuiz's Save As *.csv: title and author lines, tabs, no quotes, its grid's empty rows.
write("kwordquiz.csv", 'Title:\tVokabeln\nAuthor:\t\nHund\tdog\n"quoted" word\ta, b\n\t\n'
      "lonely\t\n\t\n")
# An entity that expands past any use, and one that names a file: neither is taken.
write("bomb.kvtml", '<?xml version="1.0"?>\n<!DOCTYPE kvtml [<!ENTITY a "aaaaaaaaaaaaaaaa">' +
      "".join(f'<!ENTITY {chr(98 + i)} "{("&" + chr(97 + i) + ";") * 16}">' for i in range(5)) +
      ']>\n<kvtml version="2.0"><entries><entry id="0"><translation id="0"><text>&f;</text>'
      "</translation></entry></entries></kvtml>\n")
write("external.kvtml", kvtml2(["Secret", "Kept"], [(0, {0: ("&secret;dog", ""), 1: ("Hund", "")})],
      doctype=f'[<!ENTITY secret SYSTEM {quoteattr("file://" + os.path.abspath(__file__))}>]'))
write("bomb.kvtml.gz", gzip.compress(bytes(50 << 20), mtime=0))
