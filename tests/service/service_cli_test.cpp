// The velmo-service program as a child process: administration commands and
// `serve` on an ephemeral port, found from the line it prints.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "base/service_text.h"
#include "service_pg_cluster.h"
#include "service_test_support.h"

using namespace velmo_test;

namespace {

std::string program() {
    const char* build = std::getenv("VELMO_BUILD_DIR");
    return std::string(build ? build : ".") + "/bin/velmo-service";
}

struct outcome {
    int status = -1;
    std::string out;
};

// Runs the program to completion with the given arguments (no shell).
outcome run(const std::vector<std::string>& args) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_fds[1], 1);
        dup2(pipe_fds[1], 2);
        close(pipe_fds[0]);
        std::vector<char*> argv;
        std::string prog = program();
        argv.push_back(prog.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    outcome o;
    char buf[4096];
    ssize_t n;
    while ((n = read(pipe_fds[0], buf, sizeof buf)) > 0)
        o.out.append(buf, static_cast<std::size_t>(n));
    close(pipe_fds[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    o.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return o;
}

// `serve` in the background; the port comes from its first line.
class serve_process {
  public:
    // `open_files`: the child's limit on open descriptors, when not 0.
    explicit serve_process(const std::vector<std::string>& args, rlim_t open_files = 0) {
        int pipe_fds[2];
        if (pipe(pipe_fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            const rlimit limit{open_files, open_files};
            if (open_files) setrlimit(RLIMIT_NOFILE, &limit);
            dup2(pipe_fds[1], 1);
            close(pipe_fds[0]);
            std::string prog = program();
            std::vector<std::string> copy = args;
            copy.insert(copy.begin(), "serve");
            std::vector<char*> argv{prog.data()};
            for (std::string& a : copy) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(prog.c_str(), argv.data());
            _exit(127);
        }
        close(pipe_fds[1]);
        out_ = pipe_fds[0];
        std::string line;
        char c;
        pollfd p{out_, POLLIN, 0};
        while (line.find('\n') == std::string::npos && poll(&p, 1, 180000) > 0 &&
               read(out_, &c, 1) == 1)
            line.push_back(c);
        std::smatch m;
        if (std::regex_search(line, m, std::regex("listening on 127\\.0\\.0\\.1:([0-9]+)")))
            port_ = std::stoi(m[1]);
    }
    ~serve_process() { stop(); }
    int port() const { return port_; }
    // Processor time the process used so far, user and system.
    std::chrono::milliseconds cpu_time() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        long long ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14) ticks += std::stoll(field);  // utime, stime
        return std::chrono::milliseconds(ticks * 1000 / sysconf(_SC_CLK_TCK));
    }
    // `signal` (SIGTERM: a clean stop), then the exit status.
    int stop(int signal = SIGTERM) {
        if (pid_ <= 0) return exit_status_;
        kill(pid_, signal);
        int st = 0;
        waitpid(pid_, &st, 0);
        pid_ = -1;
        close(out_);
        exit_status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return exit_status_;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int port_ = -1;
    int exit_status_ = -1;
};

// The account of the job tests, with room for many long articles.
int add_kim(const std::string& db) {
    return run({"user", "add", "kim", "--auth", "k", "--quota", "100000000", "--end", "2099-01-01",
                "--db", db})
        .status;
}

// 2000 sentences of 10 words with one error each.
std::string long_article() {
    std::string article;
    for (int i = 0; i < 2000; ++i) article += "我们按步就班地工作。";
    return article;
}

}  // namespace

TEST(ServiceProgram, AdministersAccountsOnTheDatabase) {
    temp_dir dir;
    const std::string db = dir.path() + "/admin.db";
    auto add = [&](const char* name, const char* auth, const char* quota, const char* end) {
        return run({"user", "add", name, "--auth", auth, "--quota", quota, "--end", end, "--db",
                    db})
            .status;
    };
    EXPECT_EQ(add("ann", "n-1", "5000", "2031-02-03"), 0);
    EXPECT_NE(add("ann", "n-2", "1", "2031-02-03"), 0);  // the name is taken
    EXPECT_NE(add("bob", "n", "-4", "2031-02-03"), 0);   // a negative quota
    EXPECT_NE(add("bob", "n", "4", "2031-13-03"), 0);    // no such date
    outcome list = run({"user", "list", "--db", db});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("ann\tactive\tquota 5000\tused 0\tend 2031-02-03"), std::string::npos)
        << list.out;
    EXPECT_EQ(list.out.find("n-1"), std::string::npos);
    EXPECT_EQ(
        run({"user", "set", "ann", "--state", "disabled", "--quota", "10", "--db", db}).status, 0);
    EXPECT_NE(run({"user", "list", "--db", db}).out.find("ann\tdisabled\tquota 10"),
              std::string::npos);
    EXPECT_NE(run({"user", "set", "zed", "--quota", "1", "--db", db}).status, 0);
    EXPECT_EQ(run({"user", "remove", "ann", "--db", db}).status, 0);
    EXPECT_EQ(run({"user", "list", "--db", db}).out, "");
    EXPECT_NE(run({"user", "frobnicate", "--db", db}).status, 0);
    EXPECT_NE(run({"serve", "--listen", "nonsense", "--db", db}).status, 0);
}

TEST(ServiceProgram, ServesOnAFreePortWithTheDemoAccountAndStopsOnSignal) {
    temp_dir dir;
    const std::string db = dir.path() + "/serve.db";
    {
        serve_process p({"--listen", "127.0.0.1:0", "--db", db, "--demo", "--workers", "1"});
        ASSERT_GT(p.port(), 0);
        soap_client client(p.port());
        EXPECT_EQ(client.call("CheckUser", {{"userName", "demo"}, {"authNo", "demo-2026"}})
                      .first("ErrCode"),
                  "0");
        std::string failure;
        auto errors =
            client.check("demo", "demo-2026", "我们按步就班。", upload_options{}, &failure);
        EXPECT_EQ(failure, "");
        EXPECT_EQ(errors.size(), 1u);
        EXPECT_EQ(p.stop(), 0);
    }
    // The account and its usage are in the database; a second --demo keeps them.
    outcome list = run({"user", "list", "--db", db});
    EXPECT_NE(list.out.find("demo\tactive\tquota 10000000\tused 7\tend 2099-12-31"),
              std::string::npos)
        << list.out;
    serve_process again({"--listen", "127.0.0.1:0", "--db", db, "--demo"});
    ASSERT_GT(again.port(), 0);
    soap_client client(again.port());
    EXPECT_EQ(client.call("GetUserInfo", {{"userName", "demo"}}).first("ReMainingWordsCount"),
              "9999993");
}

TEST(ServiceProgram, StopsPromptlyOnSignalWithJobsRunningAndRefundsThem) {
    temp_dir dir;
    const std::string db = dir.path() + "/stop.db";
    {
        serve_process p({"--listen", "127.0.0.1:0", "--db", db, "--demo", "--workers", "1",
                         "--stop-timeout", "1"});
        ASSERT_GT(p.port(), 0);
        soap_client client(p.port());
        upload_options english;
        english.eng = 1;
        std::string nonsense;
        for (int i = 0; i < 40; ++i)
            nonsense += "Qwzrt blorfic zanquix" + std::to_string(i) + "x vremple. ";
        for (int i = 0; i < 6; ++i) {
            const std::string pid = client.get_pid("demo", "demo-2026").first("PID");
            ASSERT_EQ(client.upload(pid, nonsense, english).first("ErrCode"), "0");
        }
        EXPECT_EQ(p.stop(), 0);
    }
    // Nothing was handed over, so nothing stays charged.
    outcome list = run({"user", "list", "--db", db});
    EXPECT_NE(list.out.find("demo\tactive\tquota 10000000\tused 0\t"), std::string::npos)
        << list.out;
}

TEST(ServiceProgram, JobsOfAKilledInstanceAreFinishedByAnotherAndChargedOnce) {
    pg_cluster* cluster = pg_cluster::shared();
    if (!cluster) GTEST_SKIP() << "PostgreSQL server binaries are not installed";
    const std::string db = cluster->new_database();
    // The account comes over from a single-machine database.
    temp_dir dir;
    const std::string file = dir.path() + "/single.db";
    ASSERT_EQ(add_kim(file), 0);
    EXPECT_EQ(run({"migrate", "--from", file, "--to", db}).out, "copied 1 accounts\n");
    EXPECT_NE(
        run({"migrate", "--from", file, "--to", db}).out.find("kept the existing account kim"),
        std::string::npos);
    const std::string article = long_article();
    constexpr int jobs = 6;
    std::vector<std::string> pids;
    {
        // One worker, so the uploads queue behind the job it runs when it is killed.
        serve_process first(
            {"--listen", "127.0.0.1:0", "--db", db, "--workers", "1", "--lease", "1"});
        ASSERT_GT(first.port(), 0);
        soap_client client(first.port());
        for (int i = 0; i < jobs; ++i) {
            pids.push_back(client.get_pid("kim", "k").first("PID"));
            ASSERT_EQ(client.upload(pids.back(), article, upload_options{}).first("ErrCode"), "0");
        }
        // Killed while it runs one of them (unless it already ran them all).
        wait_for_a_running_job(db);
        first.stop(SIGKILL);
    }
    serve_process second({"--listen", "127.0.0.1:0", "--db", db, "--workers", "2", "--lease", "1"});
    ASSERT_GT(second.port(), 0);
    soap_client client(second.port());
    for (const std::string& pid : pids) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (client.progress(pid).first("GetCheckArticleProgressResult") != "100" &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(read_errors(client.result(pid)).size(), 2000u) << pid;
    }
    EXPECT_NE(run({"user", "list", "--db", db}).out.find("used " + std::to_string(jobs * 20000)),
              std::string::npos);
    auto detail = client.call("GetUserCheckDetail",
                              {{"userName", "kim"}, {"queryDate", ""}, {"pageIndex", "0"}});
    EXPECT_EQ(detail.first("TotalCount"), std::to_string(jobs));
}

TEST(ServiceProgram, AKilledSingleInstanceResumesItsJobsOnRestartAndChargesThemOnce) {
    temp_dir dir;
    const std::string db = dir.path() + "/crash.db";
    ASSERT_EQ(add_kim(db), 0);
    const std::string article = long_article();
    std::string finished;
    std::vector<std::string> pids;
    {
        // One worker, so the uploads queue behind the job it runs when it is killed.
        serve_process first({"--listen", "127.0.0.1:0", "--db", db, "--workers", "1"});
        ASSERT_GT(first.port(), 0);
        soap_client client(first.port());
        finished = client.get_pid("kim", "k").first("PID");
        ASSERT_EQ(client.upload(finished, "我们按步就班。", upload_options{}).first("ErrCode"),
                  "0");
        while (client.progress(finished).first("GetCheckArticleProgressResult") != "100")
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (int i = 0; i < 4; ++i) {
            pids.push_back(client.get_pid("kim", "k").first("PID"));
            ASSERT_EQ(client.upload(pids.back(), article, upload_options{}).first("ErrCode"), "0");
        }
        while (client.progress(pids[0]).first("GetCheckArticleProgressResult") == "0")
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        first.stop(SIGKILL);
    }
    // A job begun as often as allowed without finishing is refunded instead:
    // it would take the service down again.
    const std::string doomed = pids.back();
    pids.pop_back();
    ASSERT_EQ(run_sql(db, "UPDATE kept_jobs SET attempts=3 WHERE pid='" + doomed + "'"), "");

    serve_process second({"--listen", "127.0.0.1:0", "--db", db, "--workers", "2"});
    ASSERT_GT(second.port(), 0);
    soap_client client(second.port());
    EXPECT_EQ(read_errors(client.result(finished)).size(), 1u);
    for (const std::string& pid : pids) {
        ASSERT_TRUE(wait_done({&client}, pid)) << pid;
        EXPECT_EQ(read_errors(client.result(pid)).size(), 2000u) << pid;
    }
    EXPECT_EQ(client.progress(doomed).status, 500);
    EXPECT_EQ(client.call("GetUserInfo", {{"userName", "kim"}}).first("ReMainingWordsCount"),
              std::to_string(100000000 - 7 - 3 * 20000));
}

// A result being fetched when the instance is killed is fetched whole from the
// next one, charged once, with the jobs in a SQLite file and in PostgreSQL.
TEST(ServiceProgram, AResultCutByAKillIsFetchedWholeAfterTheRestart) {
    temp_dir dir;
    std::vector<std::string> databases{dir.path() + "/fetch.db"};
    if (pg_cluster* cluster = pg_cluster::shared()) databases.push_back(cluster->new_database());
    std::string article;
    for (int i = 0; i < 300; ++i) article += "我们按步就班地工作。";
    for (const std::string& db : databases) {
        ASSERT_EQ(add_kim(db), 0);
        std::string job;
        {
            serve_process first({"--listen", "127.0.0.1:0", "--db", db});
            ASSERT_GT(first.port(), 0);
            soap_client client(first.port());
            job = client.get_pid("kim", "k").first("PID");
            ASSERT_EQ(client.upload(job, article, upload_options{}).first("ErrCode"), "0");
            ASSERT_TRUE(wait_done({&client}, job));
            EXPECT_EQ(fetch_result_cut(first.port(), job, 4096), 4096u);
            first.stop(SIGKILL);
        }
        serve_process second({"--listen", "127.0.0.1:0", "--db", db});
        ASSERT_GT(second.port(), 0);
        soap_client client(second.port());
        EXPECT_EQ(read_errors(client.result(job)).size(), 300u) << db;
        EXPECT_EQ(client.call("GetUserInfo", {{"userName", "kim"}}).first("ReMainingWordsCount"),
                  std::to_string(100000000 - 3000))
            << db;
    }
}

// Out of descriptors, clients waiting to be accepted keep the listener
// readable: the service waits for descriptors to come free instead of
// spinning, and serves again once they do.
TEST(ServiceProgram, OutOfDescriptorsItWaitsInsteadOfSpinningAndRecovers) {
    temp_dir dir;
    serve_process p({"--listen", "127.0.0.1:0", "--db", dir.path() + "/fds.db", "--demo"}, 64);
    ASSERT_GT(p.port(), 0);
    std::vector<std::unique_ptr<raw_connection>> held;
    for (int i = 0; i < 80; ++i)
        held.push_back(std::make_unique<raw_connection>("127.0.0.1", p.port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::chrono::milliseconds before = p.cpu_time();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT((p.cpu_time() - before).count(), 300);
    held.clear();
    soap_client client(p.port());
    EXPECT_EQ(
        client.call("CheckUser", {{"userName", "demo"}, {"authNo", "demo-2026"}}).first("ErrCode"),
        "0");
}

// The training sets hold one sentence many times, each copy with other slips: a
// part held back from tuning must hold every copy, or a table counted from the
// tuning part knows the held-back sentences. The tables' script splits alike.
TEST(ServiceProgram, HoldsBackEveryCopyOfASentenceAsTheTablesScriptDoes) {
    temp_dir dir;
    const std::string file = dir.path() + "/copies.tsv";
    const auto marker = [](int n) {  // a character of its own in every sentence
        return velmo_service::text_utf16_to_utf8(std::u16string(1, char16_t(0x4E00 + 300 + n)));
    };
    const auto copies = [](int n) { return 1 + n % 3; };  // slipped ones, beside the clean one
    {
        std::ofstream out(file);
        out << "kind\tsentence\twrong\tcorrect\tpos\tid\ttype\n";
        for (int n = 0; n < 60; ++n) {
            const std::u16string meant =
                velmo_service::text_utf8_to_utf16("第" + marker(n) + "号文件已经发布");
            out << "clean\t" << velmo_service::text_utf16_to_utf8(meant) << "\t\t\t\t" << n
                << "\t\n";
            for (int k = 0; k < copies(n); ++k) {
                const std::size_t at = 3 + 2 * static_cast<std::size_t>(k);
                std::u16string written = meant;
                written[at] = u'丁';
                out << "csc\t" << velmo_service::text_utf16_to_utf8(written) << "\t丁\t"
                    << velmo_service::text_utf16_to_utf8(meant.substr(at, 1)) << "\t" << at << "\t"
                    << n << "\t\n";
            }
        }
    }
    const auto sentences = [&](const std::string& part) {
        const outcome r = run({"eval", file, "--part", part});
        EXPECT_EQ(r.status, 0) << r.out;
        std::smatch m;
        return std::regex_search(r.out, m, std::regex("sentences (\\d+)")) ? std::stoi(m[1]) : -1;
    };
    const int held = sentences("held-back"), tuned = sentences("training");
    EXPECT_EQ(held + tuned, 60 * 3);
    EXPECT_GT(held, 0);

    const std::string script = service_data_dir() + "/../../scripts/channel-counts";
    const std::string counted = dir.path() + "/counted.txt";
    ASSERT_EQ(
        std::system(
            ("python3 " + script + " --ngrams --tuning-part-of " + file + " > " + counted).c_str()),
        0);
    std::stringstream table;
    table << std::ifstream(counted).rdbuf();
    // The script tunes on the sentences eval does not hold back ...
    EXPECT_NE(table.str().find(": " + std::to_string(tuned) + " sentences)"), std::string::npos)
        << table.str().substr(0, 400);
    // ... and on all copies of a sentence or on none.
    int groups_tuned = 0;
    for (int n = 0; n < 60; ++n) {
        std::smatch m;
        const std::string line = table.str();
        if (!std::regex_search(line, m, std::regex("\n" + marker(n) + "\t(\\d+)\n"))) continue;
        EXPECT_EQ(std::stoi(m[1]), copies(n) + 1) << n;
        ++groups_tuned;
    }
    EXPECT_GT(groups_tuned, 0);
    EXPECT_LT(groups_tuned, 60);
}

TEST(ServiceProgram, EvaluatesALabelledFile) {
    temp_dir dir;
    const std::string file = dir.path() + "/labelled.tsv";
    std::ofstream(file)
        << "# comment\nhomophone\t我们[以经|已经]完成了。\nclean\t张伟于2023年到达上海。\n";
    outcome r = run({"eval", file, "--data", velmo_test::service_data_dir()});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("homophone\t1\t1\t100.0\t100.0\t100.0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("clean\t1\tfalse alarms 0"), std::string::npos) << r.out;
    // A planted line without its [wrong|right] mark is refused with the line number.
    std::ofstream(file) << "homophone\t我们以经完成了。\n";
    r = run({"eval", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(":1:"), std::string::npos) << r.out;

    // A bake-off file is scored per rule; --only picks rules, --show lists what went wrong.
    std::ofstream(file) << "kind\tsentence\twrong\tcorrect\tpos\tid\ttype\n"
                        << "csc\t身体建康是最重要的。\t建\t健\t2\t1\tsound\n"
                        << "clean\t我们以经完成了工作。\t\t\t\t2\t\n";
    r = run({"eval", file, "--show"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("all\t2\t50.0\t100.0\t66.7\t50.0\t100.0\t66.7\t100.0"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("confusions\t1\t100.0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("wrong: clean\t我们以经完成了工作。"), std::string::npos) << r.out;
    r = run({"eval", file, "--only", "confusions"});
    EXPECT_NE(r.out.find("confusions\t"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("misspellings\t"), std::string::npos) << r.out;
    EXPECT_EQ(run({"eval", file, "--limit"}).status, 2);
}
