// .docx documents end to end with the reference service and the installed
// plug-in: the demo on the .docx sample, and velmo-proofread through
// `scripts/demo --batch` on a batch with a good and a bad document.
#include <gtest/gtest.h>

#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "docx_test_support.h"
#include "wsim_process.h"

namespace {

void run_demo(QProcess& p, const QStringList& arguments) {
    p.start(QString::fromLocal8Bit(qgetenv("VELMO_SOURCE_DIR")) + "/scripts/demo",
            QStringList{"--no-build", "--build-dir",
                        QString::fromLocal8Bit(qgetenv("VELMO_BUILD_DIR"))} +
                arguments);
    EXPECT_TRUE(p.waitForFinished(300000));
}

}  // namespace

TEST(velmo_proofread, the_demo_proofreads_the_docx_sample_like_the_text_samples) {
    QTemporaryDir dir;
    QProcess p;
    run_demo(p, {"--out", dir.path(), docx_sample_path()});
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString() << p.readAllStandardError().toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("marks of 会议纪要.docx: (\\d+)")).match(out);
    ASSERT_TRUE(m.hasMatch()) << out.toStdString();
    EXPECT_GE(m.captured(1).toInt(), 10);
    // Marks in the table's cells and after the image are found too.
    for (const char* expected : {"按步就班 -> 按部就班", "的的", "赵名远 -> 赵明远", "周国平"})
        EXPECT_TRUE(out.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_TRUE(out.contains(QStringLiteral("errata table: ") + dir.path()));
}

TEST(velmo_proofread, marks_every_sound_document_refuses_the_others_and_never_touches_the_inputs) {
    QTemporaryDir dir;
    const QString broken = dir.filePath("broken.docx");
    write_bytes(broken, read_bytes(docx_sample_path()).left(3000));
    const QByteArray sample_before = read_bytes(docx_sample_path());

    QProcess p;
    run_demo(p, {"--out", dir.filePath("out"), "--batch", docx_sample_path(), broken});
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

TEST(velmo_proofread, a_document_the_service_cannot_check_fails_and_leaves_no_output) {
    QTemporaryDir dir;
    const QString plugin = install_plugin(dir, dead_service_url());
    const run_result r =
        run(build_dir() + "/bin/velmo-proofread",
            {"--plugin", plugin, "--out", dir.filePath("out"), docx_sample_path()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("会议纪要.docx: FAILED: not checked: ")))
        << r.out.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("out/会议纪要.docx")));
}

TEST(velmo_proofread, a_partly_checked_document_names_its_unchecked_pieces_and_fails) {
    QTemporaryDir dir;
    QProcess p;
    run_demo(p, {"--quota", "30", "--out", dir.path(), "--batch", docx_sample_path()});
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 1) << out.toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression(
            QStringLiteral("会议纪要.docx: .*; (\\d+) pieces not checked \\((.+)\\);"))
            .match(out);
    ASSERT_TRUE(m.hasMatch()) << out.toStdString();
    EXPECT_GT(m.captured(1).toInt(), 0);
    EXPECT_FALSE(m.captured(2).isEmpty());
    EXPECT_TRUE(QFile::exists(dir.filePath("会议纪要.docx")));
}

// A day's batch: twenty copies of the sample against a service started with
// its defaults. Every one is marked in full; none is refused because the
// account ran out of job slots.
TEST(velmo_proofread, twenty_documents_in_one_batch_are_all_marked) {
    QTemporaryDir dir;
    QStringList inputs;
    for (int i = 1; i <= 20; ++i) {
        const QString copy = dir.filePath(QStringLiteral("纪要%1.docx").arg(i));
        write_bytes(copy, read_bytes(docx_sample_path()));
        inputs << copy;
    }
    QProcess p;
    run_demo(p, QStringList{"--out", dir.filePath("out"), "--batch"} + inputs);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString() << p.readAllStandardError().toStdString();
    const QRegularExpression line(
        QStringLiteral("纪要\\d+\\.docx: 错误 (\\d+), 疑错 (\\d+), 严重错误 (\\d+); 0 pieces not "
                       "checked;"));
    int marked = 0;
    for (auto m = line.globalMatch(out); m.hasNext();) {
        const QRegularExpressionMatch one = m.next();
        EXPECT_GE(one.captured(1).toInt() + one.captured(2).toInt() + one.captured(3).toInt(), 10);
        ++marked;
    }
    EXPECT_EQ(marked, 20) << out.toStdString();
}
