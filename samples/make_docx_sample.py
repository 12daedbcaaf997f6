#!/usr/bin/python3
"""Makes 会议纪要.docx from 会议纪要.txt with python-docx (Debian's python3-docx):
the title, a table of contents (a TOC field with its entries), the headings and
paragraphs of the text, its second section's paragraphs as a table, an inline
image, a highlighted word and a bookmark of the document's own.

    samples/make_docx_sample.py [OUTPUT]     (default: samples/会议纪要.docx)
"""
import datetime
import os
import struct
import sys
import tempfile
import zlib

import docx
from docx.enum.text import WD_COLOR_INDEX
from docx.oxml import OxmlElement
from docx.oxml.ns import qn
from docx.shared import Cm

HERE = os.path.dirname(os.path.abspath(__file__))


def png(width, height, rgb):
    """A one-colour PNG image, written without an image library."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def field_char(run, kind):
    element = OxmlElement("w:fldChar")
    element.set(qn("w:fldCharType"), kind)
    run._r.append(element)


def instruction(run, text):
    element = OxmlElement("w:instrText")
    element.set(qn("xml:space"), "preserve")
    element.text = text
    run._r.append(element)


def table_of_contents(document, headings):
    """A TOC field whose result holds one paragraph per heading."""
    for i, heading in enumerate(headings):
        paragraph = document.add_paragraph(style="toc 1" if "toc 1" in document.styles else None)
        if i == 0:
            field_char(paragraph.add_run(), "begin")
            instruction(paragraph.add_run(), ' TOC \\o "1-3" \\h \\z \\u ')
            field_char(paragraph.add_run(), "separate")
        paragraph.add_run("%s\t%d" % (heading, 1))
        if i == len(headings) - 1:
            field_char(paragraph.add_run(), "end")


def bookmark(paragraph, name, ident):
    start = OxmlElement("w:bookmarkStart")
    start.set(qn("w:id"), str(ident))
    start.set(qn("w:name"), name)
    end = OxmlElement("w:bookmarkEnd")
    end.set(qn("w:id"), str(ident))
    paragraph._p.insert(1 if paragraph._p.pPr is not None else 0, start)
    paragraph._p.append(end)


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "会议纪要.docx")
    with open(os.path.join(HERE, "会议纪要.txt"), encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f if line.strip()]
    title, body = lines[0], lines[1:]
    headings = [line for line in body if line[:2] in ("一、", "二、", "三、", "四、")]

    document = docx.Document()
    document.core_properties.created = datetime.datetime(2026, 1, 1)
    document.core_properties.modified = datetime.datetime(2026, 1, 1)
    document.add_heading(title, level=0)
    document.add_paragraph("目录")
    table_of_contents(document, headings)

    with tempfile.TemporaryDirectory() as tmp:
        image = os.path.join(tmp, "photo.png")
        with open(image, "wb") as f:
            f.write(png(48, 32, (70, 130, 180)))
        section = None
        for line in body:
            if line in headings:
                section = line
                document.add_heading(line, level=1)
                if line.startswith("二、"):
                    table = document.add_table(rows=0, cols=2)
                    table.style = "Table Grid"
                continue
            if section and section.startswith("二、"):
                cells = table.add_row().cells
                cells[0].text = str(len(table.rows))
                cells[1].text = line
                continue
            paragraph = document.add_paragraph()
            if line.startswith("九月二十八日"):
                paragraph.add_run("会场照片：")
                paragraph.add_run().add_picture(image, width=Cm(1.2))
                paragraph.add_run(line)
            elif line.startswith("会议由"):
                head, word, tail = line.partition("赵名远")
                paragraph.add_run(head)
                paragraph.add_run(word).font.highlight_color = WD_COLOR_INDEX.TURQUOISE
                paragraph.add_run(tail)
            else:
                paragraph.add_run(line)
            if line.startswith("会议要求"):
                bookmark(paragraph, "会议要求", 100)
    document.save(output)


if __name__ == "__main__":
    main()
