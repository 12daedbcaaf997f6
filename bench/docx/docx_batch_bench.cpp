// velmo-proofread end to end (the reference service, the plug-in in the
// simulated host) on a .docx of 15,935 paragraphs and, as the baseline in
// the same run, on a text file of the same paragraphs: the ratio of their
// times is what the .docx path adds to the check itself.
#include <zip.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int k_paragraphs = 15935;

QString paragraph(int i) {
    return QStringLiteral("第%1段：本季度各部门按步就班地完成了工作，大家再接再励。").arg(i);
}

bool write_docx(const QString& path) {
    QByteArray xml =
        "<?xml version=\"1.0\"?><w:document "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
    for (int i = 0; i < k_paragraphs; ++i)
        xml += "<w:p><w:r><w:t>" + paragraph(i).toUtf8() + "</w:t></w:r></w:p>";
    xml += "</w:body></w:document>";
    int code = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) return false;
    zip_source_t* data = zip_source_buffer(archive, xml.constData(), xml.size(), 0);
    return zip_file_add(archive, "word/document.xml", data, 0) >= 0 && zip_close(archive) == 0;
}

bool write_text(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (int i = 0; i < k_paragraphs; ++i) file.write(paragraph(i).toUtf8() + '\n');
    return true;
}

// The seconds velmo-proofread's line gives for `file`; -1 when it failed.
double seconds_of(const QString& out, const QString& file) {
    const QRegularExpressionMatch m =
        QRegularExpression(QRegularExpression::escape(file) +
                           QStringLiteral(": 错误 (\\d+).*; ([0-9.]+) s -> "))
            .match(out);
    if (!m.hasMatch()) return -1;
    std::printf("%s: %s marks, %s s\n", qPrintable(file), qPrintable(m.captured(1)),
                qPrintable(m.captured(2)));
    return m.captured(2).toDouble();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    const QString docx = dir.filePath("large.docx"), text = dir.filePath("large.txt");
    if (!write_docx(docx) || !write_text(text)) return 1;
    QProcess demo;
    demo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    demo.start(QStringLiteral(VELMO_SOURCE_DIR "/scripts/demo"),
               {"--no-build", "--build-dir", VELMO_BUILD_DIR, "--out", dir.filePath("out"),
                "--batch", text, docx});
    if (!demo.waitForFinished(-1)) return 1;
    const QString out = QString::fromUtf8(demo.readAllStandardOutput());
    const double baseline = seconds_of(out, text), measured = seconds_of(out, docx);
    if (baseline <= 0 || measured < 0) {
        std::fprintf(stderr, "%s", qPrintable(out));
        return 1;
    }
    std::printf("%d paragraphs: .docx / text %.2f (the .docx path adds nothing: 1)\n", k_paragraphs,
                measured / baseline);
    return 0;
}
