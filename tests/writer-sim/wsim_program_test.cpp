// writer-sim as a program: refusing bad input without crashing, and a click
// on the plug-in's tool bar in window mode.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "wsim_process.h"

TEST(writer_sim_program, refuses_bad_documents_plugins_and_scripts_clearly) {
    QTemporaryDir dir;
    const QString gbk =
        write_file(dir, QStringLiteral("gbk.txt"), QByteArray("\xD6\xD0\xCE\xC4\n"));
    const QString good =
        write_file(dir, QStringLiteral("good.txt"), QStringLiteral("正文\n").toUtf8());
    const QString not_a_library =
        write_file(dir, QStringLiteral("libwpsvelmo.so.1"), QByteArray("text"));
    const QString bad_script = write_file(dir, QStringLiteral("bad.steps"), QByteArray("click\n"));

    struct refusal {
        QStringList arguments;
        int exit_code;
        QString message;
    };
    const refusal cases[] = {
        {{"--headless", dir.filePath("missing.txt")}, 1, "no such file"},
        {{"--headless", dir.path()}, 1, "is a directory"},
        {{"--headless", gbk}, 1, "not valid UTF-8"},
        {{"--quit", gbk}, 1, "not valid UTF-8"},  // the window mode checks the same way
        {{"--headless", "--plugin", dir.filePath("nowhere"), good}, 1, "no plug-in library"},
        {{"--headless", "--plugin", not_a_library, good}, 1, "cannot load"},
        {{"--headless", "--script", bad_script, good}, 2, "line 1: usage: click CAPTION"},
        {{"--headless", "--step", "frobnicate", good}, 2, "unknown step"},
        {{"--headless", "--no-such-option"}, 2, "no-such-option"},
    };
    for (const refusal& c : cases) {
        const run_result r = run(writer_sim(), c.arguments);
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        ASSERT_TRUE(r.finished);
        EXPECT_FALSE(r.crashed);
        EXPECT_EQ(r.exit_code, c.exit_code);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }

    // The window mode without any display says so instead of aborting.
    QProcessEnvironment no_display = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        no_display.remove(name);
    const run_result window = run(writer_sim(), {good}, 60000, no_display);
    EXPECT_FALSE(window.crashed);
    EXPECT_EQ(window.exit_code, 2);
    EXPECT_TRUE(window.err.contains("no display")) << window.err.toStdString();
    // Help and version need no display at all.
    const run_result help = run(writer_sim(), {"--help"}, 60000, no_display);
    EXPECT_EQ(help.exit_code, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.contains("--headless")) << help.out.toStdString();
    const run_result version = run(writer_sim(), {"--version"}, 60000, no_display);
    EXPECT_EQ(version.exit_code, 0) << version.err.toStdString();
    EXPECT_TRUE(version.out.startsWith("writer-sim ")) << version.out.toStdString();

    // Without a plug-in, a headless run lists the (no) marks and succeeds.
    const run_result r = run(writer_sim(), {"--headless", "--step", "text", good});
    EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("正文\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("marks of good.txt: 0")));
    // A step that fails names its line and makes the run fail.
    const run_result failed = run(writer_sim(), {"--headless", "--step", "click 校对", good});
    EXPECT_EQ(failed.exit_code, 1);
    EXPECT_TRUE(failed.err.contains(QStringLiteral("no control has the caption \"校对\"")))
        << failed.err.toStdString();
}

TEST(writer_sim_program, a_tool_bar_click_in_the_window_reaches_the_plugin) {
    QTemporaryDir dir;
    const QString plugin_dir = install_plugin(dir, dead_service_url());
    const QString doc =
        write_file(dir, QStringLiteral("文档.txt"), QStringLiteral("再接再励。\n").toUtf8());
    const QString shot = dir.filePath("window.png");

    const run_result r = run(
        writer_sim(), {"--plugin", plugin_dir, "--step", "click 校对", "--screenshot", shot, doc});
    ASSERT_TRUE(r.finished);
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
    // The check command ran: it found no service and said so in a box.
    EXPECT_TRUE(r.out.contains(QStringLiteral("连接服务器失败"))) << r.out.toStdString();

    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 400);
    EXPECT_GT(image.height(), 300);
}
