#include "check_test_env.h"

#include <QApplication>

#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"

namespace {

void ensure_application() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "check_test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives until the process ends
}

std::string ini_text(const check_settings& settings, const std::string& url) {
    std::string text = "[OtherParams]\nServiceUrl=" + url + "\nReceiveTimeout=30\n";
    if (settings.write_piece_length)
        text += "CheckWordsCount=" + std::to_string(settings.piece_length) + "\n";
    text += "MaxWords=" + std::to_string(settings.max_words) + "\n";
    text += "CheckParallel=" + std::to_string(settings.parallel) + "\n";
    text += "[CheckExtendInfo]\nWeight=" + std::to_string(settings.weight) +
            "\nProfType=" + std::to_string(settings.prof_type) + "\n";
    text += "[UserInfo]\nUserName=tester\nAuthNo=0001\n";
    return text;
}

}  // namespace

check_test_env::check_test_env(const check_settings& settings)
    : app(wps_sim::create_application()),
      settings_file(new temp_settings(ini_text(settings, service.url()))) {
    ensure_application();
    g_pApp = app.get();
}

check_test_env::~check_test_env() { g_pApp = nullptr; }

kfc::ks_stdptr<wpsapi::_Document> check_test_env::open(const wps_sim::document_builder& builder) {
    return builder.open(app.get());
}

kfc::ks_stdptr<wpsapi::Range> check_test_env::range(long start, long end) {
    kfc::ks_stdptr<wpsapi::_Document> document;
    kfc::ks_stdptr<wpsapi::Range> result;
    app->get_ActiveDocument(&document);
    VARIANT from = kfc::var_i8(start);
    VARIANT to = kfc::var_i8(end);
    document->Range(&from, &to, &result);
    return result;
}

kfc::ks_stdptr<wpsapi::Range> check_test_env::content() {
    kfc::ks_stdptr<wpsapi::_Document> document;
    kfc::ks_stdptr<wpsapi::Range> result;
    app->get_ActiveDocument(&document);
    document->get_Content(&result);
    return result;
}

kfc::ks_stdptr<wpsapi::Selection> check_test_env::selection() {
    kfc::ks_stdptr<wpsapi::Selection> result;
    app->get_Selection(&result);
    return result;
}

QString check_test_env::text(long start, long end) {
    kfc::ks_bstr host_text;
    range(start, end)->get_Text(&host_text);
    return velmo_from_bstr(host_text);
}

std::string check_test_env::add_job(const std::vector<fake_error>& errors,
                                    const std::vector<int>& progress) {
    fake_job job;
    job.pid = "p" + std::to_string(++jobs_added);
    job.errors = errors;
    job.progress = progress;
    service.add_job(job);
    return job.pid;
}

void check_test_env::add_plain_jobs(int count) {
    for (int i = 0; i < count; ++i) add_job();
}

fake_error make_error(int pos, const std::string& err_word, int level,
                      const std::vector<std::string>& suggestions) {
    fake_error error;
    error.pos = pos;
    error.level = level;
    error.err_word = err_word;
    error.suggestions = suggestions;
    return error;
}

QString filler(int length, QChar fill) { return QString(length, fill); }
