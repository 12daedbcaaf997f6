// What a check-engine test stands on: a Qt application, a simulated host set
// as the plug-in's application, a velmo.ini in a temporary directory and a
// fake proofreading service on loopback that the settings point at.
#ifndef TESTS_CHECK_CHECK_TEST_ENV_H
#define TESTS_CHECK_CHECK_TEST_ENV_H

#include <QList>
#include <QString>
#include <memory>
#include <ostream>
#include <string>

#include "check/velmo_check_range.h"
#include "fake_service.h"
#include "temp_settings.h"
#include "wps_sim.h"

struct check_settings {
    int piece_length = 1000;         // OtherParams/CheckWordsCount
    bool write_piece_length = true;  // false: the key is absent
    int max_words = 100000000;       // OtherParams/MaxWords
    int parallel = 1;                // OtherParams/CheckParallel
    int weight = 1;                  // CheckExtendInfo/Weight
    int prof_type = 0;               // CheckExtendInfo/ProfType
};

class check_test_env {
  public:
    explicit check_test_env(const check_settings& settings = check_settings());
    ~check_test_env();

    // Opens the document in the simulated host; it becomes the active one.
    kfc::ks_stdptr<wpsapi::_Document> open(const wps_sim::document_builder& builder);
    // A range of the active document.
    kfc::ks_stdptr<wpsapi::Range> range(long start, long end);
    // The whole main text of the active document.
    kfc::ks_stdptr<wpsapi::Range> content();
    kfc::ks_stdptr<wpsapi::Selection> selection();
    // The active document's text from start to end.
    QString text(long start, long end);

    // Queues a job with the next identifier (p1, p2, ...) and returns it.
    std::string add_job(const std::vector<fake_error>& errors = {},
                        const std::vector<int>& progress = {100});
    // Queues `count` jobs done at once without errors.
    void add_plain_jobs(int count);

    fake_service service;
    kfc::ks_stdptr<wpsapi::_Application> app;

  private:
    std::unique_ptr<temp_settings> settings_file;
    int jobs_added = 0;
};

fake_error make_error(int pos, const std::string& err_word, int level = 1,
                      const std::vector<std::string>& suggestions = {});

// A paragraph text of `length` characters without any piece separator.
QString filler(int length, QChar fill = QLatin1Char('x'));

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

#endif
