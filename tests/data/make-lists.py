#!/usr/bin/env python3
"""Writes the lists of cards the import tests read, as spreadsheets and Python's csv module write
them. Run it in this folder after changing it: python3 make-lists.py"""
import csv


def write(name, rows, encoding="utf-8", header="", **dialect):
    with open(name, "w", newline="", encoding=encoding) as f:
        f.write(header)
        csv.writer(f, **dialect).writerows(rows)


# Quotes, separators and line breaks inside fields, and each reason to skip a row.
write("comma.csv", [
    ["Word", "Meaning"],
    ["hola", "hello"],
    ["quote", 'He said "hi"'],
    ["a, b", "x"],
    ["two\nlines", "end"],          # lines 5 and 6
    ["", "an empty side"],          # skipped, line 7
    ["pipe|in", "a side"],          # skipped, line 8
    ["one column"],                 # skipped, line 9
    ["  blanks  ", "café", "a third column"],
])
# What spreadsheets write in many locales: semicolons, with commas in the text.
write("semicolon.csv", [["Palabra", "Wort"], ["uno, dos", "eins, zwei"], ["tres", "drei;vier"]],
      delimiter=";")
write("tab.tsv", [["tab\there", "quoted"], ["plain", 'a "quote"']], dialect="excel-tab")
# Another flashcard program's export: header lines, then tab-separated rows, each line ending in
# a bare LF.
write("anki.txt", [["Hund", "dog"], ["Katze", "cat, small"], ["Maus"]], dialect="excel-tab",
      lineterminator="\n", header="#separator:tab\n#html:false\n")  # skipped, line 5
write("bom.csv", [["Ελληνικά", "Greek"], ["γάτα", "cat"]], encoding="utf-8-sig")
write("cp1252.csv", [["Español", "English"], ["niño", "child"], ["€uro", "euro"]],
      encoding="cp1252")
# A quote that is never closed, as a hand-edited file may have.
with open("open.csv", "w", newline="") as f:
    f.write('Word,Meaning\r\n"hola,hello\r\nadios,bye\r\n')
