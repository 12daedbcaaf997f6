// The results list in writer-sim, headless and in a window, through the demo
// (the reference service, its demo account, every check on): a check of the
// meeting-minutes sample lists its 21 marks; picking the fifth row selects
// that mark in the document; "忽略" removes exactly that mark; "更改" on the
// fourth row writes its suggestion; a second check brings back neither.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

#include "wsim_process.h"

namespace {

constexpr int SAMPLE_MARKS = 21;

// The error marks a `marks` step printed, in document order: "start-end"
// and the first suggestion.
QList<QPair<QString, QString>> printed_marks(const QString& listing) {
    QList<QPair<int, QPair<QString, QString>>> marks;
    const QRegularExpression line(QStringLiteral("(?m)^  (\\d+)-(\\d+) \\S+ .+ -> ([^ \\n]+)"));
    for (auto m = line.globalMatch(listing); m.hasNext();) {
        const QRegularExpressionMatch one = m.next();
        marks << qMakePair(one.captured(1).toInt(),
                           qMakePair(one.captured(1) + "-" + one.captured(2), one.captured(3)));
    }
    std::sort(marks.begin(), marks.end());
    QList<QPair<QString, QString>> out;
    for (const auto& mark : marks) out << mark.second;
    return out;
}

}  // namespace

TEST(writer_sim_results, the_sample_worked_through_the_list_headless_and_in_a_window) {
    QTemporaryDir dir;
    const QString steps = QStringLiteral(
                              "answer 确定 Velmo校对\n"
                              "click 校对\n"
                              "click 校对结果\n"
                              "expect rows %1 校对结果\n"
                              "marks\n"
                              "pick 校对结果 5\n"
                              "press 校对结果 忽略\n"
                              "expect rows %2 校对结果\n"
                              "marks\n"
                              "pick 校对结果 4\n"
                              "press 校对结果 更改\n"
                              "answer 确定 Velmo校对\n"
                              "click 校对\n"
                              "expect rows %3 校对结果\n"
                              "text\n")
                              .arg(SAMPLE_MARKS)
                              .arg(SAMPLE_MARKS - 1)
                              .arg(SAMPLE_MARKS - 2);
    const QString script = write_file(dir, QStringLiteral("list.steps"), steps.toUtf8());
    const QStringList modes[] = {{}, {"--screenshot", dir.filePath("window.png")}};
    for (const QStringList& mode : modes) {
        // The demo's service, account and settings, each run with a copy and
        // settings of its own: ignored errors are remembered per document.
        QTemporaryDir own;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", own.filePath("settings"));
        const run_result r = run(source_dir() + "/scripts/demo",
                                 QStringList{"--no-build", "--build-dir", build_dir(), "--out",
                                             own.path(), "--steps", script} +
                                     mode,
                                 300000, environment);
        ASSERT_EQ(r.exit_code, 0) << r.out.toStdString() << r.err.toStdString();
        // What each "marks" step printed, up to the next step.
        QStringList parts = r.out.split(QStringLiteral("> marks\n"));
        ASSERT_EQ(parts.size(), 3) << r.out.toStdString();
        const QString picked_listing = parts[1];
        for (QString& part : parts) part = part.section(QStringLiteral("\n> "), 0, 0);
        const auto before = printed_marks(parts[1]), after = printed_marks(parts[2]);
        ASSERT_EQ(before.size(), SAMPLE_MARKS) << parts[1].toStdString();

        // The fifth row selected the fifth mark, and ignoring it took that one only.
        const QRegularExpressionMatch picked =
            QRegularExpression(QStringLiteral("selection: (\\d+) (\\d+)")).match(picked_listing);
        ASSERT_TRUE(picked.hasMatch()) << picked_listing.toStdString();
        EXPECT_EQ(picked.captured(1) + "-" + picked.captured(2), before[4].first);
        auto expected = before;
        expected.removeAt(4);
        EXPECT_EQ(after, expected);

        // The fourth row's suggestion is in the text (its mark stays on it, as
        // after "建议"); the re-check marked neither it nor the ignored one.
        const QString text = r.out.section(QStringLiteral("> text\n"), 1);
        EXPECT_TRUE(text.contains(before[3].second)) << before[3].second.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("共标记了%1处错误").arg(SAMPLE_MARKS - 2)))
            << r.out.toStdString();
    }
    EXPECT_FALSE(QImage(dir.filePath("window.png")).isNull());
}
