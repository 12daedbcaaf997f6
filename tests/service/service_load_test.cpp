// Fifty clients running job loops at once: every job answers, none is lost
// or mixed up with another. Bounded in count and time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>

#include "service_test_support.h"

using namespace velmo_test;

TEST(ServiceLoad, FiftyClientsRunJobLoopsWithoutErrorsOrLostJobs) {
    constexpr int clients = 50;
    constexpr int loops = 8;
    temp_dir dir;
    velmo_service::service_limits limits;
    limits.jobs.workers = 2;
    limits.jobs.max_jobs_per_user = clients;  // one account behind every client
    velmo_service::server_config config;
    config.connections_per_address =
        2 * clients;  // all from 127.0.0.1, with room for reconnections
    running_service service(dir.path() + "/load.db", limits, config);
    add_account(service.store(), "load", "load-no", 100000000);

    std::atomic<int> done{0};
    std::mutex failures_mutex;
    std::vector<std::string> failures;
    std::set<std::string> pids;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            soap_client client(service.port());
            for (int k = 0; k < loops && std::chrono::steady_clock::now() < deadline; ++k) {
                // Each job has its own text, so a mixed-up answer shows.
                const std::string prefix(static_cast<std::size_t>((c * loops + k) % 37), ' ');
                const std::string text =
                    prefix + "第" + std::to_string(c) + "号按步就班" + std::to_string(k) + "。";
                soap_reply id = client.get_pid("load", "load-no");
                const std::string pid = id.first("PID");
                std::string failure;
                std::vector<found_error> errors;
                if (pid.empty()) {
                    failure = "no identifier: status " + std::to_string(id.status) + " " + id.body;
                } else if (soap_reply up = client.upload(pid, text, upload_options{});
                           up.first("ErrCode") != "0") {
                    failure = "upload refused: status " + std::to_string(up.status) + " " + up.body;
                } else {
                    for (;;) {
                        soap_reply p = client.progress(pid);
                        if (p.status != 200) {
                            failure = "progress " + std::to_string(p.status);
                            break;
                        }
                        if (p.first("GetCheckArticleProgressResult") == "100") break;
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    }
                    if (failure.empty()) {
                        soap_reply r = client.result(pid);
                        errors = read_errors(r);
                        if (r.status != 200) failure = "result " + std::to_string(r.status);
                    }
                }
                const long expected_pos =
                    static_cast<long>(prefix.size() + 2 + std::to_string(c).size());
                if (failure.empty() && (errors.size() != 1 || errors[0].pos != expected_pos ||
                                        errors[0].err_word != "按步就班"))
                    failure = "wrong result for " + text;
                std::lock_guard<std::mutex> lock(failures_mutex);
                if (!failure.empty()) failures.push_back(failure);
                if (!pid.empty() && !pids.insert(pid).second)
                    failures.push_back("identifier issued twice: " + pid);
                ++done;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_TRUE(failures.empty()) << failures.size() << " failures, first: " << failures.front();
    EXPECT_EQ(done.load(), clients * loops);
    EXPECT_EQ(service.operations().jobs().held(), 0u);  // every job was fetched
    auto info = soap_client(service.port())
                    .call("GetUserCheckDetail",
                          {{"userName", "load"}, {"queryDate", ""}, {"pageIndex", "0"}});
    EXPECT_EQ(info.first("TotalCount"), std::to_string(clients * loops));
}
