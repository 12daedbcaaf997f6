// A check over a slow network: a ~30,000-character document is checked
// against the reference service through a proxy on loopback that holds every
// request for 100 ms, with 1, 4 and 16 jobs in flight, once one piece per
// paragraph and once with JoinParagraphs. Prints each time beside the
// protocol's floor, ceil(pieces / K) x (4 round trips + one 100 ms poll
// pause); target: K = 16 within 1.5 x its floor, and the same marks for every K.
#include <httplib.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <thread>

#include "check_bench_runs.h"
#include "config/velmo_config.h"
#include "host/velmo_globals.h"
#include "temp_settings.h"
#include "wps_sim.h"

namespace {

const int kDelayMs = 100;
const double kPauseSeconds = 0.1;

// Forwards every POST to the service after holding it for the delay.
class delaying_proxy {
  public:
    explicit delaying_proxy(int service_port) : service_port_(service_port) {
        server_.new_task_queue = [] { return new httplib::ThreadPool(64); };
        server_.Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kDelayMs));
            httplib::Client client("127.0.0.1", service_port_);
            auto answer = client.Post("/", request.body, "application/soap+xml; charset=utf-8");
            if (!answer) {
                response.status = 502;
                return;
            }
            response.status = answer->status;
            response.set_content(answer->body, "application/soap+xml; charset=utf-8");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~delaying_proxy() {
        server_.stop();
        thread_.join();
    }
    int port() const { return port_; }

  private:
    int service_port_;
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
};

double floor_seconds(int pieces, int parallel) {
    const int rounds = (pieces + parallel - 1) / parallel;
    return rounds * (4 * kDelayMs / 1000.0 + kPauseSeconds);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    QProcess service;
    const QString service_port = bench_start_service(service, dir.filePath("velmo.db"));
    if (service_port.isEmpty()) {
        std::fprintf(stderr, "the reference service did not start\n");
        return 1;
    }
    delaying_proxy proxy(service_port.toInt());
    temp_settings settings(
        bench_check_settings("http://127.0.0.1:" + std::to_string(proxy.port()) + "/", 1));
    kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
    g_pApp = app.get();
    bench_document_of(30000).open(app.get());

    bool met = true;
    QList<velmo_check_result_t> reference;
    for (const bool join : {false, true}) {
        for (const int parallel : {1, 4, 16}) {
            velmo_singleton_config::instance()->set_int("OtherParams", "JoinParagraphs", join);
            const bench_run_t run = bench_check_document(app.get(), parallel);
            if (reference.isEmpty()) reference = run.results;
            const bool same = bench_same_marks(run.results, reference) && run.unchecked == 0;
            const double floor = floor_seconds(run.pieces, parallel);
            std::printf("%s K=%2d: %3d pieces, %6.2f s, floor %6.2f s, ratio %.2f, %d marks%s\n",
                        join ? "joined   " : "paragraph", parallel, run.pieces, run.seconds, floor,
                        run.seconds / floor, static_cast<int>(run.results.size()),
                        same ? "" : ", MARKS DIFFER OR PIECES UNCHECKED");
            std::fflush(stdout);
            met = met && same && (parallel != 16 || run.seconds <= 1.5 * floor);
        }
    }
    g_pApp = nullptr;
    service.terminate();
    service.waitForFinished(5000);
    std::printf("%s\n", met ? "targets met" : "TARGET MISSED");
    return met ? 0 : 1;
}
