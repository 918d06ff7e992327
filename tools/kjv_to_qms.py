#!/usr/bin/env python3
"""Turns the King James Bible as Debian's bible-kjv prints it into a collection source file.

    bible -l100000 gen1:1-rev22:21 > kjv.txt
    tools/kjv_to_qms.py kjv.txt > kjv.qms
    quillmar build kjv.qms -o collections/kjv

With --times N every book is written N times in a row into its text, so the collection keeps its
66 texts and grows N-fold (a corpus for timing the search). Each copy is then a chapter of its
own ("Genesis (2)") and the book's chapters become its sections, because a text has at most 255
chapters per level; pages run on through the copies.

Books become texts, chapters become chapters (each chapter starts a page), and every verse is a
paragraph carrying its verse number as line number. The tree schema groups the Old and the New
Testament, with the Law and the Gospels as sub-groups.
"""
import re
import sys

OLD_TESTAMENT_BOOKS = 39
LAW_BOOKS = 5
GOSPELS = 4

HEADING = re.compile(r"^(\S.*?) (\d+)$")   # "Genesis 1", "1 Kings 3"
VERSE = re.compile(r"^\s+(\d+) (.*)$")      # "  1 In the beginning ..."


def read_books(lines):
    """[(book, [(chapter, [(verse, text)])])] in the order printed."""
    books = []
    for raw in lines:
        line = raw.rstrip("\r\n")
        heading = HEADING.match(line)
        if heading:
            book, chapter = heading.group(1), int(heading.group(2))
            if not books or books[-1][0] != book:
                books.append((book, []))
            books[-1][1].append((chapter, []))
            continue
        verse = VERSE.match(line)
        if verse and books:
            books[-1][1][-1][1].append((int(verse.group(1)), verse.group(2).strip()))
    return books


def escape(text):
    """Source-format escapes for text lines."""
    text = re.sub(r"([\\{}])", r"\\\1", text)
    return "\\" + text if text[:1] in "%@" else text


def key(number):
    return f"b{number:02d}"


def write_chapters(book, chapters, times, out):
    if times == 1:
        for chapter, verses in chapters:
            out.write(f"\n@page {chapter}\n@chapter {escape(book)} {chapter}\n")
            write_verses(verses, out)
        return
    page = 0
    for copy in range(1, times + 1):
        out.write(f"\n@chapter {escape(book)} ({copy})\n")
        for chapter, verses in chapters:
            page += 1
            out.write(f"\n@page {page}\n@section {escape(book)} {chapter}\n")
            write_verses(verses, out)


def write_verses(verses, out):
    for verse, text in verses:
        out.write(f"@line {verse}\n{escape(text)}\n\n")


def write_source(books, out, times=1):
    count = len(books)
    old = range(1, min(OLD_TESTAMENT_BOOKS, count) + 1)
    new = range(OLD_TESTAMENT_BOOKS + 1, count + 1)
    out.write("% The King James Bible, converted from Debian's bible-kjv by tools/kjv_to_qms.py.\n")
    out.write("@collection KJVB0001\n@title King James Bible\n")
    out.write("@copyright Public domain text (King James Version, 1611/1769).\n")
    out.write("@schema schema.ini\n")
    out.write("@group 1 Old Testament = " + " ".join(key(n) for n in old if n > LAW_BOOKS) + "\n")
    out.write("@group 1.1 Law = " + " ".join(key(n) for n in old if n <= LAW_BOOKS) + "\n")
    gospels = [n for n in new if n <= OLD_TESTAMENT_BOOKS + GOSPELS]
    out.write("@group 2 New Testament = " + " ".join(key(n) for n in new if n not in gospels) + "\n")
    out.write("@group 2.1 Gospels = " + " ".join(key(n) for n in gospels) + "\n")
    for number, (book, chapters) in enumerate(books, start=1):
        out.write(f"\n@text {key(number)}\n@number {number}\n@title {escape(book)}\n")
        out.write("@long King James Version\n@short KJV\n@lang en\n@align justify\n")
        write_chapters(book, chapters, times, out)


def main():
    args = sys.argv[1:]
    times = 1
    if len(args) == 3 and args[0] == "--times" and args[1].isdigit() and 1 <= int(args[1]) <= 255:
        times = int(args[1])
        args = args[2:]
    if len(args) != 1:
        sys.exit("usage: kjv_to_qms.py [--times N] KJV.TXT > kjv.qms")
    with open(args[0], encoding="latin-1") as source:
        books = read_books(source)
    if not books:
        sys.exit("no books found in " + args[0])
    write_source(books, sys.stdout, times)


if __name__ == "__main__":
    main()
