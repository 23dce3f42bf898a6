#!/usr/bin/python3
"""Writes the Anki packages the import tests read, in the three layouts Anki writes (legacy
collection.anki2; 2.1 collection.anki21 beside the stub; latest zstd collection.anki21b, schema
18, beside the stub), with Python's sqlite3 and zipfile and Debian's python3-zstandard, and
files of other kinds that must be refused.
    /usr/bin/python3 make-packages.py FOLDER
Each deck of rules.<layout>.apkg holds the notes of one rule; the test says what each gives."""
import io
import json
import os
import sqlite3
import sys
import tempfile
import zipfile

import zstandard

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

BASIC = ["{{Front}}", "{{FrontSide}}<hr id=answer>{{Back}}"]
NOTE_TYPES = {  # id: (name, cloze, fields, [(question, answer)])
    1001: ("Basic (and reversed card)", False, ["Front", "Back"],
           [BASIC, ["{{Back}}", "{{FrontSide}}<hr id=answer>{{Front}}"]]),
    1002: ("Basic (type in the answer)", False, ["Front", "Back"],
           [["{{Front}}\n\n{{type:Back}}", "{{Front}}<hr id=answer>{{type:Back}}"]]),
    1003: ("Cloze", True, ["Text", "Back Extra"],
           [["{{cloze:Text}}", "{{cloze:Text}}<br>\n{{Back Extra}}"]]),
    1004: ("Sectioned", False, ["Word", "Meaning", "Hint", "Gender"],
           [["{{Word}}{{#Hint}}<br>{{Hint}}{{/Hint}}",
             "{{FrontSide}}<hr id=answer>{{Meaning}}{{^Hint}} {{Gender}}{{/Hint}}"]]),
    1005: ("Basic", False, ["Front", "Back"], [BASIC]),
}
DECKS = {1: "Default", 2: "Reversed", 3: "Cloze", 4: "Sections", 5: "Typing", 6: "Languages",
         7: "Languages::German", 8: "Media", 9: "Occlusion"}
NOTES = [  # deck, note type, fields, the cards' ords
    (2, 1001, ["Hund", "dog"], [0, 1]),
    (3, 1003, ["{{c1::Berlin::city}} is in {{c2::Germany}}; {{c1::Berlin}} again",
               "Europe"], [0, 1]),
    (3, 1003, ["The {{c1::Rhine}} flows", ""], [0]),
    (4, 1004, ["Baum", "tree", "green", "m."], [0]),
    (4, 1004, ["Haus", "house", "", "n."], [0]),
    (5, 1002, ["Maus", "mouse"], [0]),
    (7, 1005, ["Tür", "door"], [0]),
    (8, 1005, ["<b>Katze</b>&nbsp;&amp;&nbsp; Co<br>[sound:cat.mp3]",
               "<div>cat</div><img src=\"cat.jpg\"><style>p {}</style>"], [0]),
    (8, 1005, ["<img src=\"only.jpg\">", "picture only"], [0]),
    (8, 1005, ["a|b", "bar"], [0]),
    (9, 1003, ["{{c1::image-occlusion:rect:left=.1:top=.1:width=.2:height=.2:oi=1}}"
               "{{c2::image-occlusion:ellipse:left=.5:top=.5:rx=.1:ry=.1:oi=1}}", ""], [0, 1]),
]
STUB = [(1, 1005, ["Please update to the latest Anki version, then import the .colpkg/.apkg "
                   "file again.", ""], [0])]

TABLES11 = """
CREATE TABLE col (id integer primary key, crt integer not null, mod integer not null,
  scm integer not null, ver integer not null, dty integer not null, usn integer not null,
  ls integer not null, conf text not null, models text not null, decks text not null,
  dconf text not null, tags text not null);
CREATE TABLE notes (id integer primary key, guid text not null, mid integer not null,
  mod integer not null, usn integer not null, tags text not null, flds text not null,
  sfld integer not null, csum integer not null, flags integer not null, data text not null);
CREATE TABLE cards (id integer primary key, nid integer not null, did integer not null,
  ord integer not null, mod integer not null, usn integer not null, type integer not null,
  queue integer not null, due integer not null, ivl integer not null, factor integer not null,
  reps integer not null, lapses integer not null, left integer not null, odue integer not null,
  odid integer not null, flags integer not null, data text not null);
CREATE TABLE revlog (id integer primary key, cid integer not null, usn integer not null,
  ease integer not null, ivl integer not null, lastIvl integer not null,
  factor integer not null, time integer not null, type integer not null);
CREATE TABLE graves (usn integer not null, oid integer not null, type integer not null);
"""
TABLES18 = """
CREATE TABLE notetypes (id integer NOT NULL PRIMARY KEY, name text NOT NULL COLLATE unicase,
  mtime_secs integer NOT NULL, usn integer NOT NULL, config blob NOT NULL);
CREATE UNIQUE INDEX idx_notetypes_name ON notetypes (name);
CREATE TABLE fields (ntid integer NOT NULL, ord integer NOT NULL,
  name text NOT NULL COLLATE unicase, config blob NOT NULL, PRIMARY KEY (ntid, ord))
  without rowid;
CREATE TABLE templates (ntid integer NOT NULL, ord integer NOT NULL,
  name text NOT NULL COLLATE unicase, mtime_secs integer NOT NULL, usn integer NOT NULL,
  config blob NOT NULL, PRIMARY KEY (ntid, ord)) without rowid;
CREATE TABLE decks (id integer PRIMARY KEY NOT NULL, name text NOT NULL COLLATE unicase,
  mtime_secs integer NOT NULL, usn integer NOT NULL, common blob NOT NULL, kind blob NOT NULL);
CREATE UNIQUE INDEX idx_decks_name ON decks (name);
"""


def varint(n):
    b = bytearray()
    while True:
        b.append((n & 0x7F) | (0x80 if n > 0x7F else 0))
        n >>= 7
        if not n:
            return bytes(b)


def proto(*fields):  # (number, int or bytes)
    b = b""
    for number, value in fields:
        if isinstance(value, int):
            b += varint(number << 3) + varint(value)
        else:
            b += varint(number << 3 | 2) + varint(len(value)) + value
    return b


def collection(schema, notes, decks=DECKS):
    path = tempfile.mktemp()
    db = sqlite3.connect(path)
    db.create_collation("unicase", lambda a, b: (a.lower() > b.lower()) - (a.lower() < b.lower()))
    db.executescript(TABLES11 + (TABLES18 if schema == 18 else ""))
    models = {str(i): {"id": i, "name": n, "type": int(c),
                       "flds": [{"name": f, "ord": k} for k, f in enumerate(fl)],
                       "tmpls": [{"name": f"Card {k + 1}", "ord": k, "qfmt": q, "afmt": a}
                                 for k, (q, a) in enumerate(t)]}
              for i, (n, c, fl, t) in NOTE_TYPES.items()}
    deck_json = {str(i): {"id": i, "name": n} for i, n in decks.items()}
    if schema == 18:
        for i, (n, c, fl, t) in NOTE_TYPES.items():
            db.execute("INSERT INTO notetypes VALUES (?,?,0,0,?)", (i, n, proto((1, int(c)))))
            for k, f in enumerate(fl):
                db.execute("INSERT INTO fields VALUES (?,?,?,?)", (i, k, f, proto((3, b"Arial"))))
            for k, (q, a) in enumerate(t):
                db.execute("INSERT INTO templates VALUES (?,?,?,0,0,?)",
                           (i, k, f"Card {k + 1}", proto((1, q.encode()), (2, a.encode()))))
        # A stock note type removed leaves its fields behind.
        db.execute("INSERT INTO fields VALUES (9999, 0, 'Orphan', x'')")
        for i, n in decks.items():
            db.execute("INSERT INTO decks VALUES (?,?,0,0,x'',?)",
                       (i, n.replace("::", "\x1f"), proto((1, b""))))
        models, deck_json = {}, {}
    db.execute("INSERT INTO col VALUES (1,0,0,0,?,0,0,0,'{}',?,?,'{}','{}')",
               (schema, json.dumps(models) if models else "", json.dumps(deck_json) if deck_json else ""))
    for n, (deck, mid, fields, ords) in enumerate(notes):
        nid = 100 + n
        db.execute("INSERT INTO notes VALUES (?,?,?,0,0,'',?,'',0,0,'')",
                   (nid, f"g{nid}", mid, "\x1f".join(fields)))
        for o in ords:
            db.execute("INSERT INTO cards VALUES (?,?,?,?,0,0,0,0,0,0,0,0,0,0,0,0,0,'')",
                       (nid * 10 + o, nid, deck, o))
    db.commit()
    db.close()
    with open(path, "rb") as f:
        data = f.read()
    os.remove(path)
    return data


def package(name, members):
    with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_DEFLATED) as z:
        for member, data in members:
            z.writestr(zipfile.ZipInfo(member, (2024, 1, 1, 0, 0, 0)), data,
                       zipfile.ZIP_DEFLATED)


def zstd(data):
    # A stream, as Anki writes it: the frame does not say its size.
    buffer = io.BytesIO()
    with zstandard.ZstdCompressor().stream_writer(buffer, closefd=False) as w:
        w.write(data)
    return buffer.getvalue()


stub = collection(11, STUB)
package("rules.legacy.apkg", [("collection.anki2", collection(11, NOTES)), ("media", "{}")])
package("rules.2.1.apkg", [("collection.anki2", stub), ("collection.anki21", collection(11, NOTES)),
                           ("media", '{"0": "cat.jpg"}'), ("0", b"\xff\xd8")])
package("rules.latest.apkg", [("meta", proto((1, 3))), ("collection.anki2", stub),
                              ("collection.anki21b", zstd(collection(18, NOTES))),
                              ("media", zstd(b""))])
# One deck, its topics the note type's fields; and the same twice, so that the decks clash.
package("one-deck.colpkg", [("collection.anki2", collection(11, NOTES[:1]))])
# Files that must be refused, with nothing written.
package("latest-no-collection.apkg", [("meta", proto((1, 3))), ("collection.anki2", stub)])
package("bomb.apkg", [("collection.anki2", bytes(50 << 20))])
package("zstd-bomb.apkg", [("meta", proto((1, 3))), ("collection.anki21b", zstd(bytes(50 << 20)))])
package("not-a-database.apkg", [("collection.anki2", b"SQLite format 3\0" + bytes(200))])
package("book.xlsx", [("[Content_Types].xml", "<Types/>"), ("xl/workbook.xml", "<workbook/>")])
package("sheet.ods", [("mimetype", "application/vnd.oasis.opendocument.spreadsheet")])
with open(os.path.join(out, "binary.txt"), "wb") as f:
    f.write(b"Hund\tdog\r\n\0\0\x01\x02")
with open(os.path.join(out, "other.db"), "wb") as f:
    f.write(collection(11, []))
with open(os.path.join(out, "unicode.txt"), "wb") as f:
    f.write("Wort\tWörter\r\nΓάτα\tcat\r\n".encode("utf-16"))
