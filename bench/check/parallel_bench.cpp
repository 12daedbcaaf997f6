// A 100,000-character document checked against the reference service,
// started here on loopback with a temporary database, once with one job in
// flight and once with four. Prints both times and their ratio (target: four
// jobs at least three times as fast) and checks that the marks agree.
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "check_bench_runs.h"
#include "config/velmo_config.h"
#include "host/velmo_globals.h"
#include "temp_settings.h"
#include "wps_sim.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    QProcess service;
    const QString port = bench_start_service(service, dir.filePath("velmo.db"));
    const QString url = "http://127.0.0.1:" + port + "/";
    if (port.isEmpty()) {
        std::fprintf(stderr, "the reference service did not start\n");
        return 1;
    }
    temp_settings settings(bench_check_settings(url.toStdString(), 2));
    kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
    g_pApp = app.get();
    bench_document_of(100000).open(app.get());

    const bench_run_t one = bench_check_document(app.get(), 1);
    const bench_run_t four = bench_check_document(app.get(), 4);
    const double ratio = one.seconds / four.seconds;
    const bool same =
        bench_same_marks(one.results, four.results) && one.unchecked == four.unchecked;
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
