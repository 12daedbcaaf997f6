// The demo end to end: the reference service, the plug-in and writer-sim
// headless, as scripts/demo runs them.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "wsim_process.h"

TEST(writer_sim_demo, the_demo_proofreads_the_sample_and_stops_its_service) {
    QTemporaryDir out;
    const run_result r =
        run(source_dir() + QStringLiteral("/scripts/demo"),
            {"--no-build", "--build-dir", build_dir(), "--out", out.path()}, 540000);
    ASSERT_TRUE(r.finished) << r.out.toStdString() << r.err.toStdString();
    ASSERT_EQ(r.exit_code, 0) << r.out.toStdString() << r.err.toStdString();

    // Marks of every kind the service finds in the sample.
    const QRegularExpression count(QStringLiteral("marks of 会议纪要.txt: (\\d+)"));
    const QRegularExpressionMatch m = count.match(r.out);
    ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
    EXPECT_GE(m.captured(1).toInt(), 10);
    for (const char* expected : {"再接再励 -> 再接再厉", "按步就班 -> 按部就班", "的的",
                                 "好象 -> 好像", "這", "recieve", "赵名远 -> 赵明远"})
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_TRUE(r.out.contains(QStringLiteral("严重错误")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("疑错")));

    // The errata table lies beside the proofread copy.
    const QRegularExpressionMatch errata =
        QRegularExpression(QStringLiteral("errata table: (.+)\\n")).match(r.out);
    ASSERT_TRUE(errata.hasMatch()) << r.out.toStdString();
    QFile table(errata.captured(1));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly)) << errata.captured(1).toStdString();
    EXPECT_TRUE(errata.captured(1).startsWith(out.path()));
    EXPECT_TRUE(QString::fromUtf8(table.readAll()).contains(QStringLiteral("【再接再励】")));

    // The service it started is gone.
    const QRegularExpressionMatch pid =
        QRegularExpression(QStringLiteral("\\(pid (\\d+)")).match(r.out);
    ASSERT_TRUE(pid.hasMatch());
    EXPECT_NE(::kill(pid.captured(1).toInt(), 0), 0);
}
