#include "check_bench_runs.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include "check/velmo_check_session.h"
#include "config/velmo_config.h"

QString bench_start_service(QProcess& service, const QString& database) {
    service.start(QStringLiteral(VELMO_SERVICE_PROGRAM),
                  {"serve", "--listen", "127.0.0.1:0", "--db", database, "--demo"});
    const QRegularExpression listening("listening on 127\\.0\\.0\\.1:(\\d+)");
    QByteArray out;
    while (service.waitForReadyRead(10000)) {
        out += service.readAllStandardOutput();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch()) return match.captured(1);
    }
    return QString();
}

wps_sim::document_builder bench_document_of(int characters) {
    const QString sentence = QString::fromUtf8(
        "会议要求各部门按步就班地推进工作，切实解决群众反映强烈的突出问题。"
        "研究人员在实验中发现，新材料在高温条件下依然保持稳定。");
    QString paragraph;
    while (paragraph.size() < 300) paragraph += sentence;
    wps_sim::document_builder builder;
    while (builder.length() < characters) builder.paragraph(paragraph);
    return builder;
}

bench_run_t bench_check_document(wpsapi::_Application* app, int parallel) {
    velmo_singleton_config::instance()->set_int("OtherParams", "CheckParallel", parallel);
    kfc::ks_stdptr<wpsapi::_Document> document;
    kfc::ks_stdptr<wpsapi::Range> content;
    app->get_ActiveDocument(&document);
    document->get_Content(&content);
    velmo_check_session thread;
    QElapsedTimer timer;
    timer.start();
    thread.start(content);
    thread.wait();
    bench_run_t run;
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.pieces = thread.cutter().pieces().size();
    run.results = thread.outcome().results;
    run.unchecked = thread.outcome().unchecked_count;
    return run;
}

bool bench_same_marks(const QList<velmo_check_result_t>& a, const QList<velmo_check_result_t>& b) {
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].pos != b[i].pos || a[i].err_word != b[i].err_word) return false;
    return true;
}

std::string bench_check_settings(const std::string& url, int weight) {
    return "[OtherParams]\nServiceUrl=" + url +
           "\nReceiveTimeout=30\nCheckWordsCount=1000\nMaxWords=100000000\n"
           "[CheckType]\nCheckSentence=1\nCheckMatchDots=1\n"
           "[CheckExtendInfo]\nWeight=" +
           std::to_string(weight) + "\n[UserInfo]\nUserName=demo\nAuthNo=demo-2026\n";
}
