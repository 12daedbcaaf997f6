// The cluster demo end to end: PostgreSQL, two service instances and nginx in
// front, the plug-in's demo run through the balancer, everything stopped after.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "wsim_process.h"

TEST(writer_sim_cluster_demo,
     the_demo_through_a_balancer_finds_the_same_marks_and_stops_everything) {
    const bool have_server =
        !QDir(QStringLiteral("/usr/lib/postgresql"))
             .entryList({QStringLiteral("*")}, QDir::Dirs | QDir::NoDotAndDotDot)
             .isEmpty();
    if (!have_server ||
        QStandardPaths::findExecutable(QStringLiteral("nginx"), {"/usr/sbin", "/usr/bin"})
            .isEmpty())
        GTEST_SKIP() << "needs the postgresql and nginx packages";
    QTemporaryDir out;
    const run_result r =
        run(source_dir() + QStringLiteral("/scripts/cluster-demo"),
            {"--no-build", "--build-dir", build_dir(), "--out", out.path()}, 540000);
    ASSERT_TRUE(r.finished) << r.out.toStdString() << r.err.toStdString();
    ASSERT_EQ(r.exit_code, 0) << r.out.toStdString() << r.err.toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("marks of 会议纪要.txt: (\\d+)")).match(r.out);
    ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
    EXPECT_GE(m.captured(1).toInt(), 10);
    // A stranger's wrong guesses hold the stranger back, not the owner.
    EXPECT_TRUE(r.out.contains(QStringLiteral("from the owner's 127.0.0.1 code 0")))
        << r.out.toStdString();
    for (const char* expected : {"按步就班 -> 按部就班", "這", "recieve", "赵名远 -> 赵明远"})
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(expected))) << expected;

    // Both instances and the balancer are gone.
    QRegularExpressionMatchIterator pids =
        QRegularExpression(QStringLiteral("\\(pid (\\d+)\\)")).globalMatch(r.out);
    int seen = 0;
    while (pids.hasNext()) {
        EXPECT_NE(::kill(pids.next().captured(1).toInt(), 0), 0);
        ++seen;
    }
    EXPECT_EQ(seen, 3);
}
