#!/usr/bin/python3
"""Writes a corpus of varied .docx packages for the corpus test: documents
made with python-docx (formatting, tables, headers and footers, hyperlinks,
content controls, bookmarks, fields, text boxes) and the same packages
rewritten as other writers lay them out (main part last, stored parts,
"./" and percent-encoded targets, local headers whose times and padding
differ from the central directory).

    make_corpus.py DIR
"""
import io
import os
import random
import struct
import sys
import zipfile

import docx
from docx.oxml import parse_xml
from docx.oxml.ns import nsdecls
from docx.shared import Pt, RGBColor
from docx.enum.text import WD_COLOR_INDEX

WORDS = ["会议", "纪要", "按部就班", "再接再厉", "报销审批", "环节", "需要", "加强", "培训",
         "The", "quick", "brown", "fox", "，", "。", "（", "）", "2026年", "第三季度"]


def sentence(rng, n):
    return "".join(rng.choice(WORDS) for _ in range(n))


def add_paragraphs(document, rng, count):
    for _ in range(count):
        p = document.add_paragraph()
        for _ in range(rng.randint(0, 5)):
            run = p.add_run(sentence(rng, rng.randint(1, 8)))
            run.bold = rng.random() < 0.3
            run.italic = rng.random() < 0.2
            if rng.random() < 0.2:
                run.font.size = Pt(rng.choice([9, 10.5, 14]))
            if rng.random() < 0.15:
                run.font.color.rgb = RGBColor(0xC0, 0x20, 0x20)
            if rng.random() < 0.1:
                run.font.highlight_color = WD_COLOR_INDEX.TURQUOISE
            if rng.random() < 0.1:
                run.add_tab()
            if rng.random() < 0.05:
                run.add_break()


def add_table(document, rng):
    rows, cols = rng.randint(1, 4), rng.randint(1, 4)
    table = document.add_table(rows=rows, cols=cols)
    for row in table.rows:
        for cell in row.cells:
            cell.text = sentence(rng, rng.randint(0, 4))
            if rng.random() < 0.2:
                cell.add_paragraph(sentence(rng, 2))


def raw(document, xml):
    document.element.body.append(parse_xml(xml))
    # Keep the section properties last.
    sect = document.element.body.find(docx.oxml.ns.qn("w:sectPr"))
    if sect is not None:
        document.element.body.remove(sect)
        document.element.body.append(sect)


def add_extras(document, rng, index):
    w = nsdecls("w")
    if index % 3 == 0:
        raw(document, '<w:sdt %s><w:sdtPr><w:id w:val="%d"/></w:sdtPr><w:sdtContent><w:p><w:r>'
                      '<w:t>控件内文字</w:t></w:r></w:p></w:sdtContent></w:sdt>' % (w, index))
    if index % 4 == 1:
        raw(document, '<w:sdt %s><w:sdtPr><w:id w:val="7"/></w:sdtPr></w:sdt>' % w)
    if index % 5 == 2:
        raw(document, '<w:p %s><w:bookmarkStart w:id="0" w:name="own"/><w:r><w:t>书签</w:t></w:r>'
                      '<w:bookmarkEnd w:id="0"/><w:bookmarkStart w:id="2147483647" w:name="own"/>'
                      '<w:r><w:t>同名</w:t></w:r><w:bookmarkEnd w:id="2147483647"/></w:p>' % w)
    if index % 5 == 3:
        raw(document, '<w:p %s><w:r><w:t>页码</w:t></w:r><w:r><w:fldChar w:fldCharType="begin"/>'
                      '</w:r><w:r><w:instrText> PAGE </w:instrText></w:r><w:r>'
                      '<w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>1</w:t></w:r><w:r>'
                      '<w:fldChar w:fldCharType="end"/></w:r></w:p>' % w)
    if index % 4 == 2:
        raw(document, '<w:p %s %s><w:r><w:t>框前</w:t></w:r><w:r><w:pict><v:shape><v:textbox>'
                      '<w:txbxContent><w:p><w:r><w:t>框内</w:t></w:r></w:p></w:txbxContent>'
                      '</v:textbox></v:shape></w:pict></w:r></w:p>'
            % (w, 'xmlns:v="urn:schemas-microsoft-com:vml"'))
    if index % 3 == 1:
        section = document.sections[0]
        section.header.paragraphs[0].text = "页眉" + sentence(rng, 2)
        section.footer.paragraphs[0].text = "页脚"
    if index % 6 == 5:
        raw(document, '<w:p %s><w:hyperlink w:anchor="own"><w:r><w:t>链接文字</w:t></w:r>'
                      '</w:hyperlink><w:ins w:id="9" w:author="a"><w:r><w:t>插入</w:t></w:r></w:ins>'
                      '<w:del w:id="10" w:author="a"><w:r><w:delText>删除</w:delText></w:r></w:del>'
                      '</w:p>' % w)


def rewrite(data, rng, how):
    """The package written again as another writer would lay it out."""
    source = zipfile.ZipFile(io.BytesIO(data))
    infos = source.infolist()
    parts = {i.filename: source.read(i.filename) for i in infos}
    names = [i.filename for i in infos]
    if how == "main-last":
        names.remove("word/document.xml")
        parts["word/media/filler.bin"] = bytes(rng.getrandbits(8) for _ in range(60000))
        names += ["word/media/filler.bin", "word/document.xml"]
    if how == "dot-target":
        parts["_rels/.rels"] = parts["_rels/.rels"].replace(
            b'Target="word/document.xml"', b'Target="./word/docu%6Dent.xml"')
    out = io.BytesIO()
    method = zipfile.ZIP_STORED if how == "stored" else zipfile.ZIP_DEFLATED
    with zipfile.ZipFile(out, "w", method) as target:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=(2013, 5, 17, 10, 30, 0))
            info.compress_type = method
            target.writestr(info, parts[name])
    data = out.getvalue()
    if how == "skewed":
        data = skew_local_headers(data)
    return data


def skew_local_headers(data):
    """Changes every local header's time, as some writers leave them."""
    data = bytearray(data)
    at = 0
    while data[at:at + 4] == b"PK\x03\x04":
        data[at + 10:at + 12] = struct.pack("<H", 0x1234)
        name_len, extra_len = struct.unpack("<HH", data[at + 26:at + 30])
        size = struct.unpack("<I", data[at + 18:at + 22])[0]
        at += 30 + name_len + extra_len + size
    return bytes(data)


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    rng = random.Random(20261209)
    ways = ["as-is", "main-last", "stored", "dot-target", "skewed"]
    for index in range(20):
        document = docx.Document()
        if index % 2 == 0:
            document.add_heading(sentence(rng, 3), level=1)
        add_paragraphs(document, rng, rng.randint(0, 12))
        if index % 3 != 2:
            add_table(document, rng)
        add_paragraphs(document, rng, rng.randint(0, 3))
        add_extras(document, rng, index)
        buffer = io.BytesIO()
        document.save(buffer)
        how = ways[index % len(ways)]
        data = buffer.getvalue() if how == "as-is" else rewrite(buffer.getvalue(), rng, how)
        with open(os.path.join(out_dir, "sample%02d-%s.docx" % (index, how)), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
