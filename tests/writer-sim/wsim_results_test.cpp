// The results list in writer-sim, headless and in a window, against the
// reference service: a check of the meeting-minutes sample lists its 21
// marks; picking the fifth row selects that mark in the document; "忽略"
// removes exactly that mark; "更改" on the fourth row writes its suggestion;
// a second check brings back neither.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

#include "wsim_process.h"

namespace {

constexpr int SAMPLE_MARKS = 21;

// `velmo-service serve` with its demo account, on a free loopback port.
struct demo_service {
    QProcess process;
    QString url;
    explicit demo_service(const QString& db) {
        process.start(build_dir() + "/bin/velmo-service",
                      {"serve", "--listen", "127.0.0.1:0", "--db", db, "--demo"});
        QString line;
        while (!line.contains('\n') && process.waitForReadyRead(60000))
            line += QString::fromUtf8(process.readLine());
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("listening on (127\\.0\\.0\\.1:\\d+)")).match(line);
        if (m.hasMatch()) url = QStringLiteral("http://%1/").arg(m.captured(1));
    }
    ~demo_service() {
        process.terminate();
        process.waitForFinished(30000);
    }
};

// The installed plug-in signed in to the demo account with every check on,
// as the demo runs it.
QString signed_in_plugin(const QTemporaryDir& dir, const QString& url) {
    const QString plugin = install_plugin(dir, url);
    QFile ini(plugin + "/velmo.ini");
    EXPECT_TRUE(ini.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(ini.readAll());
    ini.close();
    const std::pair<const char*, const char*> settings[] = {
        {"UserName", "demo"}, {"AuthNo", "demo-2026"}, {"Weight", "2"},
        {"FanTi", "1"},       {"TaiWan", "1"},         {"Leader", "1"},
        {"ChkEng", "1"},      {"CheckMatchDots", "1"}, {"CheckLeaderSort", "1"}};
    for (const auto& [key, value] : settings)
        text.replace(QRegularExpression(QStringLiteral("(?m)^%1=.*$").arg(key)),
                     QStringLiteral("%1=%2").arg(key, value));
    EXPECT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(text.toUtf8());
    return plugin;
}

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
    demo_service service(dir.filePath("service.db"));
    ASSERT_FALSE(service.url.isEmpty());
    const QString plugin = signed_in_plugin(dir, service.url);
    QFile sample(source_dir() + "/samples/会议纪要.txt");
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray sample_text = sample.readAll();
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
    const QStringList modes[] = {{"--headless"}, {"--screenshot", dir.filePath("window.png")}};
    for (const QStringList& mode : modes) {
        // Each run on a copy of its own, with settings of its own: a check
        // saves the document, and ignored errors are remembered per document.
        QTemporaryDir own;
        const QString document = write_file(own, QStringLiteral("会议纪要.txt"), sample_text);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", own.filePath("settings"));
        const run_result r =
            run(writer_sim(), mode + QStringList{"--plugin", plugin, "--script", script, document},
                120000, environment);
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
