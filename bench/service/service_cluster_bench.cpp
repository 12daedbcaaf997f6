// Whole-job throughput (identifier, upload, progress polls, result) of the
// service with its SQLite store, and with one and two instances over one
// PostgreSQL database, the clients of the latter alternating between the two
// instances for every request. Jobs per second are the `items_per_second`.
#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>

#include "service_pg_cluster.h"
#include "service_test_support.h"
#include "velmo_protocol.h"

using namespace velmo_test;

namespace {
constexpr int clients = 8;
constexpr int jobs_per_client = 4;

// About 3000 characters of Chinese prose with errors in it.
const std::string& article() {
    static const std::string text = [] {
        std::string t;
        for (int i = 0; i < 100; ++i) t += "各地按步就班地推进基础设施改造，成效显著。";
        return t;
    }();
    return text;
}

// Every client runs its jobs to the end, its requests spread over `services` in turn.
void run_jobs(const std::vector<running_service*>& services, benchmark::State& state) {
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            std::vector<std::unique_ptr<soap_client>> to;
            for (running_service* s : services)
                to.push_back(std::make_unique<soap_client>(s->port()));
            std::size_t turn = static_cast<std::size_t>(c);
            auto next = [&]() -> soap_client& { return *to[turn++ % to.size()]; };
            for (int j = 0; j < jobs_per_client; ++j) {
                const std::string pid = next().get_pid("bench", "n").first(VELMO_ANS_PID);
                if (pid.empty() ||
                    next().upload(pid, article(), upload_options{}).first(VELMO_ANS_ERR_CODE) !=
                        "0") {
                    ++failed;
                    continue;
                }
                while (next().progress(pid).first(VELMO_OP_PROGRESS VELMO_RESULT_SUFFIX) != "100")
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                if (next().result(pid).status != 200) ++failed;
            }
        });
    for (std::thread& t : threads) t.join();
    if (failed) state.SkipWithError("a job failed");
}

void measure(benchmark::State& state, const std::string& db, int instances) {
    std::vector<std::unique_ptr<running_service>> services;
    std::vector<running_service*> raw;
    for (int i = 0; i < instances; ++i) {
        services.push_back(std::make_unique<running_service>(db));
        raw.push_back(services.back().get());
    }
    add_account(services.front()->store(), "bench", "n", 1LL << 40);
    for (auto _ : state) run_jobs(raw, state);
    state.SetItemsProcessed(state.iterations() * clients * jobs_per_client);
}

void BM_JobsSqlite(benchmark::State& state) {
    temp_dir dir;
    measure(state, dir.path() + "/bench.db", 1);
}
BENCHMARK(BM_JobsSqlite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JobsPostgresql(benchmark::State& state) {
    pg_cluster* cluster = pg_cluster::shared();
    if (!cluster) {
        state.SkipWithError("PostgreSQL server binaries are not installed");
        return;
    }
    measure(state, cluster->new_database(), static_cast<int>(state.range(0)));
}
BENCHMARK(BM_JobsPostgresql)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("instances")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
