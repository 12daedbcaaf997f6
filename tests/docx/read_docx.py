#!/usr/bin/python3
"""Reads a .docx with python-docx and prints, as JSON, what the round-trip
tests compare: the text of the body's paragraphs and table cells in reading
order, the text each bookmark encloses, and the highlighted stretches.

    read_docx.py FILE
"""
import json
import sys

import docx
from docx.oxml.ns import qn

XML_SPACE = "{http://www.w3.org/XML/1998/namespace}space"


def shown(t):
    """A w:t's text as a word processor shows it: without xml:space="preserve"
    (on it or an ancestor) its leading and trailing white space is not shown."""
    text = t.text or ""
    for node in [t] + list(t.iterancestors()):
        space = node.get(XML_SPACE)
        if space is not None:
            return text if space == "preserve" else text.strip(" \t\r\n")
    return text.strip(" \t\r\n")


def main():
    document = docx.Document(sys.argv[1])
    body = document.element.body
    texts = []
    for block in body.iterchildren():
        if block.tag == qn("w:p"):
            texts.append("".join(shown(t) for t in block.iter(qn("w:t"))))
        elif block.tag == qn("w:tbl"):
            for cell in block.iter(qn("w:tc")):
                texts.append("\n".join("".join(shown(t) for t in p.iter(qn("w:t")))
                                       for p in cell.iter(qn("w:p"))))
    open_marks, marks, highlights = {}, {}, []
    for element in body.iter():
        if element.tag == qn("w:bookmarkStart"):
            open_marks[element.get(qn("w:id"))] = [element.get(qn("w:name")), ""]
        elif element.tag == qn("w:bookmarkEnd"):
            name_text = open_marks.pop(element.get(qn("w:id")), None)
            if name_text:
                marks[name_text[0]] = name_text[1]
        elif element.tag == qn("w:t"):
            for mark in open_marks.values():
                mark[1] += shown(element)
        elif element.tag == qn("w:r"):
            colour = element.find(qn("w:rPr") + "/" + qn("w:highlight"))
            if colour is not None:
                highlights.append([colour.get(qn("w:val")),
                                   "".join(shown(t) for t in element.iter(qn("w:t")))])
    json.dump({"texts": texts, "bookmarks": marks, "highlights": highlights}, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
