// A 100,000-character document checked against the reference service,
// started here on loopback with a temporary database, once with one job in
// flight and once with four. Prints both times and their ratio (target: four
// jobs at least three times as fast) and checks that the marks agree.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

#include "check/velmo_thread_check.h"
#include "config/velmo_config.h"
#include "host/velmo_globals.h"
#include "temp_settings.h"
#include "wps_sim.h"

namespace {

// Starts the service on a free port; its address, or "" when it did not start.
QString start_service(QProcess& service, const QString& database) {
    service.start(QStringLiteral(VELMO_SERVICE_PROGRAM),
                  {"serve", "--listen", "127.0.0.1:0", "--db", database, "--demo"});
    const QRegularExpression listening("listening on (127\\.0\\.0\\.1:\\d+)");
    QByteArray out;
    while (service.waitForReadyRead(10000)) {
        out += service.readAllStandardOutput();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch()) return "http://" + match.captured(1) + "/";
    }
    return QString();
}

wps_sim::document_builder document_of(int characters) {
    const QString sentence = QString::fromUtf8(
        "会议要求各部门按步就班地推进工作，切实解决群众反映强烈的突出问题。"
        "研究人员在实验中发现，新材料在高温条件下依然保持稳定。");
    QString paragraph;
    while (paragraph.size() < 300) paragraph += sentence;
    wps_sim::document_builder builder;
    while (builder.length() < characters) builder.paragraph(paragraph);
    return builder;
}

struct run_t {
    double seconds = 0;
    QList<velmo_check_result_t> results;
    int unchecked = 0;
};

run_t check_document(wpsapi::_Application* app, int parallel) {
    velmo_singleton_config::instance()->set_int("OtherParams", "CheckParallel", parallel);
    kfc::ks_stdptr<wpsapi::_Document> document;
    kfc::ks_stdptr<wpsapi::Range> content;
    app->get_ActiveDocument(&document);
    document->get_Content(&content);
    velmo_thread_check thread;
    QElapsedTimer timer;
    timer.start();
    thread.set_range(content);
    thread.start_thread();
    thread.wait_until_finished();
    run_t run;
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.results = *thread.get_check_result();
    run.unchecked = thread.get_unchecked_count();
    return run;
}

bool same_marks(const QList<velmo_check_result_t>& a, const QList<velmo_check_result_t>& b) {
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].pos != b[i].pos || a[i].err_word != b[i].err_word) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    QProcess service;
    const QString url = start_service(service, dir.filePath("velmo.db"));
    if (url.isEmpty()) {
        std::fprintf(stderr, "the reference service did not start\n");
        return 1;
    }
    temp_settings settings("[OtherParams]\nServiceUrl=" + url.toStdString() +
                           "\nReceiveTimeout=30\nCheckWordsCount=1000\nMaxWords=100000000\n"
                           "[CheckType]\nCheckSentence=1\nCheckMatchDots=1\n"
                           "[CheckExtendInfo]\nWeight=2\n"
                           "[UserInfo]\nUserName=demo\nAuthNo=demo-2026\n");
    kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
    g_pApp = app.get();
    document_of(100000).open(app.get());

    const run_t one = check_document(app.get(), 1);
    const run_t four = check_document(app.get(), 4);
    const double ratio = one.seconds / four.seconds;
    const bool same = same_marks(one.results, four.results) && one.unchecked == four.unchecked;
    std::printf("100,000 characters, one job in flight: %.2f s, %d errors, %d pieces unchecked\n",
                one.seconds, static_cast<int>(one.results.size()), one.unchecked);
    std::printf("100,000 characters, four jobs in flight: %.2f s, %d errors, %d pieces unchecked\n",
                four.seconds, static_cast<int>(four.results.size()), four.unchecked);
    std::printf("speed-up: %.2f (target >= 3), marks %s\n", ratio, same ? "identical" : "DIFFER");
    g_pApp = nullptr;
    service.terminate();
    service.waitForFinished(5000);
    const bool met = ratio >= 3.0 && same;
    std::printf("%s\n", met ? "targets met" : "TARGET MISSED");
    return met ? 0 : 1;
}
