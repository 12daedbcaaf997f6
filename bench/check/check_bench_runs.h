// What the check benchmarks against the reference service share: starting
// the service, a document of repeated paragraphs and one timed check run.
#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <string>

#include "api/velmo_check_result.h"
#include "wps_sim.h"

// Starts the reference service with its demo account on a free loopback
// port; the port, or "" when it did not start.
QString bench_start_service(QProcess& service, const QString& database);

// Paragraphs of about 300 characters with a few errors each, up to `characters`.
wps_sim::document_builder bench_document_of(int characters);

// The settings of a benchmark's check: the service at `url`, the demo account,
// pieces of 1,000 characters, no word limit, the given strength.
std::string bench_check_settings(const std::string& url, int weight);

struct bench_run_t {
    double seconds = 0;
    int pieces = 0;
    QList<velmo_check_result_t> results;
    int unchecked = 0;
};

// Checks the whole active document with `parallel` jobs in flight.
bench_run_t bench_check_document(wpsapi::_Application* app, int parallel);

bool bench_same_marks(const QList<velmo_check_result_t>& a, const QList<velmo_check_result_t>& b);
