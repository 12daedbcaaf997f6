// velmo-proofread end to end, through `scripts/demo --batch`: the reference
// service, the installed plug-in, a batch with a good and a bad document.
#include <gtest/gtest.h>

#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "docx_test_support.h"

TEST(velmo_proofread, marks_every_sound_document_refuses_the_others_and_never_touches_the_inputs) {
    QTemporaryDir dir;
    const QString source = QString::fromLocal8Bit(qgetenv("VELMO_SOURCE_DIR"));
    const QString broken = dir.filePath("broken.docx");
    write_bytes(broken, read_bytes(docx_sample_path()).left(3000));
    const QByteArray sample_before = read_bytes(docx_sample_path());

    QProcess p;
    p.start(source + "/scripts/demo",
            {"--no-build", "--build-dir", QString::fromLocal8Bit(qgetenv("VELMO_BUILD_DIR")),
             "--out", dir.filePath("out"), "--batch", docx_sample_path(), broken});
    ASSERT_TRUE(p.waitForFinished(300000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 1) << out.toStdString() << p.readAllStandardError().toStdString();

    const QRegularExpressionMatch line =
        QRegularExpression(
            QStringLiteral(
                "会议纪要.docx: 错误 (\\d+), 疑错 (\\d+), 严重错误 (\\d+); 0 pieces not checked; "
                "[0-9.]+ s -> (.+)\\n"))
            .match(out);
    ASSERT_TRUE(line.hasMatch()) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("broken.docx: FAILED: ")));
    EXPECT_EQ(read_bytes(docx_sample_path()), sample_before);
    EXPECT_FALSE(QFile::exists(dir.filePath("out/broken.docx")));

    // The marked copy holds one bookmark per mark, each over its wrong text.
    const int marks =
        line.captured(1).toInt() + line.captured(2).toInt() + line.captured(3).toInt();
    EXPECT_GE(marks, 10);
    const QJsonObject bookmarks = python_docx_read(line.captured(4)).value("bookmarks").toObject();
    int error_marks = 0;
    for (const QString& name : bookmarks.keys()) {
        if (!name.startsWith(QLatin1String("vmjd_error"))) continue;
        ++error_marks;
        EXPECT_EQ(bookmarks.value(name).toString(), name.section(QLatin1Char('_'), 4, 4))
            << name.toStdString();
    }
    EXPECT_EQ(error_marks, marks);
}
