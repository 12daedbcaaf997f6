// .docx documents end to end with the reference service and the installed
// plug-in: the demo on the .docx sample, velmo-proofread through
// `scripts/demo --batch` on a batch with good and bad documents, and a batch
// whose worker crashes and which is then stopped by a signal.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "docx_test_support.h"
#include "fake_service.h"
#include "wsim_process.h"

namespace {

void run_demo(QProcess& p, const QStringList& arguments) {
    p.start(QString::fromLocal8Bit(qgetenv("VELMO_SOURCE_DIR")) + "/scripts/demo",
            QStringList{"--no-build", "--build-dir",
                        QString::fromLocal8Bit(qgetenv("VELMO_BUILD_DIR"))} +
                arguments);
    EXPECT_TRUE(p.waitForFinished(300000));
}

// The sample with a header holding "按步就班" (4 characters, a wrong idiom).
QByteArray sample_with_header() {
    auto parts = zip_parts(read_bytes(docx_sample_path()));
    for (auto& part : parts) {
        if (part.first != QLatin1String("word/_rels/document.xml.rels")) continue;
        part.second.replace("</Relationships>",
                            "<Relationship Id=\"rIdVelmoHeader\" "
                            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                            "relationships/header\" Target=\"header9.xml\"/></Relationships>");
    }
    parts.append({QStringLiteral("word/header9.xml"),
                  "<?xml version=\"1.0\"?><w:hdr "
                  "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                  "<w:p><w:r><w:t>按步就班</w:t></w:r></w:p></w:hdr>"});
    return make_zip(parts);
}

// The sample with comments: three that hold a wrong idiom each, the first
// ending with a table (whose cell holds one more).
QByteArray sample_with_comments() {
    auto parts = zip_parts(read_bytes(docx_sample_path()));
    for (auto& part : parts) {
        if (part.first != QLatin1String("word/_rels/document.xml.rels")) continue;
        part.second.replace("</Relationships>",
                            "<Relationship Id=\"rIdVelmoComments\" "
                            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                            "relationships/comments\" Target=\"comments.xml\"/></Relationships>");
    }
    auto paragraph = [](const char* text) {
        return QByteArray("<w:p><w:r><w:t>") + text + "</w:t></w:r></w:p>";
    };
    parts.append({QStringLiteral("word/comments.xml"),
                  "<?xml version=\"1.0\"?><w:comments "
                  "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                  "<w:comment w:id=\"0\">" +
                      paragraph("一按步就班") + "<w:tbl><w:tr><w:tc>" + paragraph("表按步就班") +
                      "</w:tc></w:tr></w:tbl></w:comment><w:comment w:id=\"1\">" +
                      paragraph("二按步就班") + "</w:comment><w:comment w:id=\"2\">" +
                      paragraph("三按步就班") + "</w:comment></w:comments>"});
    return make_zip(parts);
}

// A loopback service that takes connections and never answers.
struct silent_service {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    silent_service() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(fd, 16), 0);
        EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
        port = ntohs(address.sin_port);
    }
    ~silent_service() { ::close(fd); }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port); }
};

// The child process of `parent` other than `not_this`, or 0 after 30 s.
qint64 worker_of(qint64 parent, qint64 not_this = 0) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000) {
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            QFile stat("/proc/" + pid + "/stat");
            if (!stat.open(QIODevice::ReadOnly)) continue;
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            QFile command("/proc/" + pid + "/cmdline");
            // Counted once it runs as a worker, not while it is still a fork.
            if (fields.size() > 1 && fields[1].toLongLong() == parent &&
                pid.toLongLong() != not_this && command.open(QIODevice::ReadOnly) &&
                command.readAll().contains("--worker"))
                return pid.toLongLong();
        }
        QThread::msleep(50);
    }
    return 0;
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

    const QString header = dir.filePath("带页眉.docx");
    write_bytes(header, sample_with_header());

    QProcess p;
    run_demo(p, {"--out", dir.filePath("out"), "--batch", docx_sample_path(), broken, header});
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
    // Text outside the body is checked and counted by part, its marks
    // written into its part; the summary names the failure.
    const QRegularExpressionMatch with_header =
        QRegularExpression(QStringLiteral("带页眉.docx: 错误 \\d+.*; outside the body: 页眉 1 处 4 "
                                          "字 错误 1, 疑错 0, 严重错误 0; [0-9.]+ s -> (.+)\\n"))
            .match(out);
    ASSERT_TRUE(with_header.hasMatch()) << out.toStdString();
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("<w:bookmarkStart w:id=\"(\\d+)\" w:name=\"vmjd_error_1_0_按步就班_"
                           "按部就班_0\"/><w:r><w:rPr><w:highlight w:val=\"yellow\"/></w:rPr>"
                           "<w:t>按步就班</w:t></w:r><w:bookmarkEnd w:id=\"\\1\"/>"))
            .match(QString::fromUtf8(
                zip_part(read_bytes(with_header.captured(1)), "word/header9.xml")))
            .hasMatch());
    EXPECT_TRUE(out.contains(QStringLiteral("3 documents, 2 written, 1 failed: ") + broken))
        << out.toStdString();

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
    const QString header = dir.filePath("带页眉.docx");
    write_bytes(header, sample_with_header());
    const run_result r = run(build_dir() + "/bin/velmo-proofread",
                             {"--plugin", plugin, "--out", dir.filePath("out"), "--json",
                              dir.filePath("report.json"), docx_sample_path(), header});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("会议纪要.docx: FAILED: not checked: ")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("2 documents, 0 written, 2 failed")));
    EXPECT_TRUE(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // The report holds every document, with the text outside its body.
    const QJsonObject report =
        QJsonDocument::fromJson(read_bytes(dir.filePath("report.json"))).object();
    const QJsonArray documents = report.value("documents").toArray();
    ASSERT_EQ(documents.size(), 2) << r.out.toStdString();
    EXPECT_EQ(
        documents[1].toObject().value("parts_not_checked").toArray(),
        QJsonArray({QJsonObject{{"kind", QStringLiteral("页眉")}, {"places", 1}, {"chars", 4}}}));
    EXPECT_FALSE(documents[0].toObject().value("ok").toBool());
    EXPECT_EQ(report.value("failed").toArray().size(), 2);

    // The help names the report; the workers' own option is not the user's.
    const run_result help = run(build_dir() + "/bin/velmo-proofread", {"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_TRUE(help.out.contains("--json <file>")) << help.out.toStdString();
    EXPECT_FALSE(help.out.contains("--worker"));
}

TEST(velmo_proofread, a_crashed_document_fails_alone_and_a_stop_signal_ends_the_batch_cleanly) {
    QTemporaryDir dir;
    silent_service service;
    const QString plugin = install_plugin(dir, service.url());
    const QString first = dir.filePath("first.docx"), second = dir.filePath("second.docx");
    write_bytes(first, read_bytes(docx_sample_path()));
    write_bytes(second, read_bytes(docx_sample_path()));
    QProcess batch;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    batch.setProcessEnvironment(environment);
    batch.start(build_dir() + "/bin/velmo-proofread", {"--plugin", plugin, "--in-place", "--json",
                                                       dir.filePath("report.json"), first, second});
    ASSERT_TRUE(batch.waitForStarted());

    // The worker on the first document dies (killed, as a crash the
    // sanitizers cannot turn into an ordinary exit): the batch goes on.
    const qint64 crashed = worker_of(batch.processId());
    ASSERT_GT(crashed, 0);
    ::kill(static_cast<pid_t>(crashed), SIGKILL);
    const qint64 next = worker_of(batch.processId(), crashed);
    ASSERT_GT(next, 0);
    // Stopped while the second document waits for the service: the worker
    // goes too, the summary says what was left, the inputs are as they were.
    ::kill(static_cast<pid_t>(batch.processId()), SIGTERM);
    ASSERT_TRUE(batch.waitForFinished(30000));
    const QString out = QString::fromUtf8(batch.readAllStandardOutput());
    EXPECT_EQ(batch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(batch.exitCode(), 128 + SIGTERM);
    EXPECT_TRUE(out.contains(first + QStringLiteral(": FAILED: crashed (Killed)")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("2 documents, 0 written, 1 failed: ") + first +
                             QStringLiteral("; stopped, 1 not processed")))
        << out.toStdString();
    EXPECT_FALSE(QFile::exists("/proc/" + QString::number(next) + "/stat"));
    EXPECT_EQ(read_bytes(first), read_bytes(docx_sample_path()));
    EXPECT_EQ(read_bytes(second), read_bytes(docx_sample_path()));
    EXPECT_EQ(QDir(dir.path()).entryList({".*.docx.*"}, QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(QJsonDocument::fromJson(read_bytes(dir.filePath("report.json")))
                  .object()
                  .value("not_processed")
                  .toArray(),
              QJsonArray({second}));
}

TEST(velmo_proofread, a_document_that_overruns_its_time_limit_fails_alone_and_leaves_nothing) {
    QTemporaryDir dir;
    silent_service service;  // the check would wait for its answer for a long time
    const QString plugin = install_plugin(dir, service.url());
    const QString hung = dir.filePath("hung.docx");
    write_bytes(hung, read_bytes(docx_sample_path()));
    QProcess batch;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    batch.setProcessEnvironment(environment);
    batch.start(build_dir() + "/bin/velmo-proofread",
                {"--plugin", plugin, "--time-limit", "2", "--in-place", hung});
    ASSERT_TRUE(batch.waitForFinished(60000));
    const QString out = QString::fromUtf8(batch.readAllStandardOutput());
    EXPECT_EQ(batch.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(hung + QStringLiteral(": FAILED: stopped after 2 s")))
        << out.toStdString();
    EXPECT_EQ(read_bytes(hung), read_bytes(docx_sample_path()));
    EXPECT_EQ(QDir(dir.path()).entryList({".*.docx.*"}, QDir::Files | QDir::Hidden), QStringList());
}

TEST(velmo_proofread, comments_are_checked_together_and_one_the_host_cannot_join_alone) {
    QTemporaryDir dir;
    const QString commented = dir.filePath("批注.docx");
    write_bytes(commented, sample_with_comments());
    QProcess p;
    run_demo(p, {"--out", dir.filePath("out"), "--batch", commented});
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(
        out.contains(QStringLiteral("; outside the body: 批注 3 处 20 字 错误 4, 疑错 0, "
                                    "严重错误 0; ")))
        << out.toStdString();
    const QString comments =
        QString::fromUtf8(zip_part(read_bytes(dir.filePath("out/批注.docx")), "word/comments.xml"));
    EXPECT_EQ(comments.count(QStringLiteral("w:name=\"vmjd_error_1_0_按步就班_按部就班_")), 4)
        << comments.toStdString();
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

// Errors the service reports one place off their text are counted, never
// marked, and fail the document as unchecked text does.
TEST(velmo_proofread, errors_reported_off_their_text_are_counted_not_marked_and_fail) {
    QTemporaryDir dir;
    fake_service service;
    for (int i = 0; i < 8; ++i) {
        fake_job job;
        job.pid = "job-" + std::to_string(i);
        job.errors_for_article = [](const std::string& article) {
            std::vector<fake_error> errors =
                fake_errors_wherever(article, {{0, 1, "错字", {"错子"}}});
            errors.push_back(errors.front());
            ++errors.back().pos;
            return errors;
        };
        service.add_job(job);
    }
    const QString plugin = install_plugin(dir, QString::fromStdString(service.url()));
    QFile ini(plugin + "/velmo.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadWrite));
    QByteArray text = ini.readAll();
    text.replace("UserName=\n", "UserName=writer\n").replace("AuthNo=\n", "AuthNo=no-123\n");
    ini.resize(0);
    ini.write(text);
    ini.close();
    const QString input = dir.filePath("短文.txt");
    write_bytes(input, QByteArray("这里有错字。\n"));
    const run_result r =
        run(build_dir() + "/bin/velmo-proofread", {"--plugin", plugin, "--out", dir.filePath("out"),
                                                   "--json", dir.filePath("r.json"), input});
    EXPECT_EQ(r.exit_code, 1) << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains(QStringLiteral("短文.txt: 错误 1, 疑错 0, 严重错误 0; 0 pieces not "
                                      "checked; 1 errors not placed;")))
        << r.out.toStdString() << r.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(read_bytes(dir.filePath("r.json")))
                                   .object()
                                   .value("documents")
                                   .toArray()
                                   .at(0)
                                   .toObject();
    EXPECT_EQ(report.value("unplaced_errors").toInt(), 1);
    EXPECT_EQ(report.value("errors").toInt(), 1);
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
