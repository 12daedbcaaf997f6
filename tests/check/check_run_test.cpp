// Check runs of the worker against the fake service on loopback.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QThread>
#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "check/velmo_check_session.h"
#include "check_test_env.h"
#include "config/velmo_config.h"
#include "host_failing_read.h"

namespace {

struct progress_t {
    int sub;
    int total;
    bool operator==(const progress_t& other) const {
        return sub == other.sub && total == other.total;
    }
};

std::ostream& operator<<(std::ostream& out, const progress_t& p) {
    return out << "(" << p.sub << ", " << p.total << ")";
}

fake_answer ok(const std::string& body) { return {200, body, {}}; }
fake_answer fault() { return {500, fake_fault("soap12:Receiver", "failed"), {}}; }

struct check_run : ::testing::Test {
    void use(const check_settings& settings) {
        env.reset();  // its settings file must be gone before the next one is set
        env.reset(new check_test_env(settings));
    }

    // Paragraphs of nine characters each: pieces of ten with the mark.
    void open_paragraphs(int count) {
        QStringList texts;
        for (int i = 0; i < count; ++i) texts << filler(9, QChar('a' + i));
        env->open(wps_sim::document_builder().paragraphs(texts));
    }

    void start(kfc::ks_stdptr<wpsapi::Range> range) { session.start(range); }
    void run(kfc::ks_stdptr<wpsapi::Range> range) {
        start(range);
        session.wait();
    }
    void run_all() { run(env->content()); }

    std::vector<progress_t> progress() const {
        std::vector<progress_t> out;
        for (const QList<QVariant>& args : progress_spy) {
            out.push_back({args.at(0).toInt(), args.at(1).toInt()});
        }
        return out;
    }
    QList<int> positions() {
        QList<int> out;
        for (const velmo_check_result_t& result : session.outcome().results) out << result.pos;
        return out;
    }
    size_t count(const std::string& operation) const {
        return env->service.requests(operation).size();
    }

    std::unique_ptr<check_test_env> env{new check_test_env()};
    velmo_check_session session;
    QSignalSpy progress_spy{&session, &velmo_check_session::progress};
};

TEST_F(check_run, job_progress_is_sub_progress_and_each_piece_moves_the_total) {
    open_paragraphs(2);
    env->add_job({}, {30, 60, 100});
    env->add_job();
    run_all();
    // The total after the last piece would be 100: it is held at 99 until
    // the end-of-run emission.
    const std::vector<progress_t> expected = {{30, 0},   {60, 0}, {100, 0},  {0, 50},
                                              {100, 50}, {0, 99}, {100, 100}};
    EXPECT_EQ(progress(), expected);
    EXPECT_EQ(session.outcome().checked_length, 20);
    EXPECT_EQ(session.outcome().reached_max, false);
}

TEST_F(check_run, errors_land_at_piece_start_plus_offset) {
    env->open(wps_sim::document_builder().paragraphs({"甲乙丙丁戊", "己庚辛壬癸子丑寅"}));
    env->add_job();
    env->add_job({make_error(5, "子", 2, {"孑", "字"}), make_error(0, "己")});
    run_all();
    ASSERT_EQ(positions(), QList<int>({6, 11}));
    const velmo_check_result_t& placed = session.outcome().results.at(1);
    EXPECT_EQ(env->text(11, 12), "子");
    EXPECT_EQ(placed.level, 2);
    EXPECT_EQ(placed.err_word, "子");
    EXPECT_EQ(placed.cor_word, "孑#-#字");
    EXPECT_EQ(placed.span_by_correction, 0);
    // The piece goes out untrimmed, its paragraph mark sent as a blank.
    EXPECT_EQ(env->service.uploaded_article("p2"), "己庚辛壬癸子丑寅 ");
}

TEST_F(check_run, results_stay_sorted_and_the_first_error_at_a_position_wins) {
    open_paragraphs(2);
    // Errors at one position differ in length: the one given first stays.
    env->add_job(
        {make_error(7, "a"), make_error(2, "a"), make_error(7, "aa"), make_error(5, "aaa")});
    env->add_job({make_error(5, "b"), make_error(1, "bb"), make_error(5, "bbb")});
    run_all();
    EXPECT_EQ(positions(), QList<int>({2, 5, 7, 11, 15}));
    QStringList words;
    for (const velmo_check_result_t& result : session.outcome().results) words << result.err_word;
    EXPECT_EQ(words, QStringList({"a", "aaa", "a", "bb", "b"}));
}

// Which call fails for the second of three pieces, and the reason told.
enum class failing { pid, upload, upload_refused, progress, progress_later, result, oversized };
struct failure_case_t {
    failing step;
    const char* reason;
};

struct check_run_failure : check_run, ::testing::WithParamInterface<failure_case_t> {};

TEST_P(check_run_failure, a_failed_call_skips_the_piece_counts_it_and_the_run_goes_on) {
    const failing step = GetParam().step;
    open_paragraphs(3);
    auto pid_calls = std::make_shared<std::atomic<int>>(0);
    env->service.set_handler("GetCheckArticlePIDByUser", [=](const fake_request&) {
        const int n = ++*pid_calls;
        if (step == failing::pid && n == 2)
            return ok(fake_code_answer("GetCheckArticlePIDByUser", 1, "用户名或授权码错误"));
        return ok(fake_pid_answer("p" + std::to_string(n)));
    });
    env->service.set_handler("UpLoadCheckArticle", [=](const fake_request& request) {
        if (step == failing::upload && request.value("pid") == "p2") return fault();
        if (step == failing::upload_refused && request.value("pid") == "p2")
            return ok(fake_code_answer("UpLoadCheckArticle", 4, "剩余字数不足"));
        return ok(fake_code_answer("UpLoadCheckArticle", 0, "成功"));
    });
    auto p2_polls = std::make_shared<std::atomic<int>>(0);
    env->service.set_handler("GetCheckArticleProgress", [=](const fake_request& request) {
        if (request.value("pid") == "p2") {
            const int n = ++*p2_polls;
            if (step == failing::progress) return fault();
            if (step == failing::progress_later && n > 2) return fault();
            if (step == failing::progress_later) return ok(fake_progress_answer(40));
        }
        return ok(fake_progress_answer(100));
    });
    env->service.set_handler("GetCheckArticleResult", [=](const fake_request& request) {
        if (step == failing::result && request.value("pid") == "p2") return fault();
        // Over the answer size limit: taken as no answer at all.
        if (step == failing::oversized && request.value("pid") == "p2")
            return ok(std::string(17 * 1024 * 1024, ' '));
        // Job pN checks the N-th paragraph, of the N-th letter.
        const int offset = request.value("pid").back() - '0';
        return ok(fake_result_answer({make_error(offset, std::string(1, 'a' + offset - 1))}));
    });
    run_all();
    EXPECT_EQ(positions(), QList<int>({1, 23}));
    EXPECT_EQ(session.outcome().checked_length, 20);
    EXPECT_EQ(count("GetCheckArticlePIDByUser"), 3u);
    EXPECT_EQ(progress().back(), (progress_t{100, 100}));
    EXPECT_EQ(session.outcome().unchecked_count, 1);
    EXPECT_EQ(session.outcome().unchecked_reason, QString::fromUtf8(GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(
    each_call, check_run_failure,
    ::testing::Values(failure_case_t{failing::pid, "服务拒绝校对任务（用户名或授权码错误）"},
                      failure_case_t{failing::upload, "服务拒绝接收文字"},
                      failure_case_t{failing::upload_refused, "服务拒绝接收文字（剩余字数不足）"},
                      failure_case_t{failing::progress, "查询校对进度失败"},
                      failure_case_t{failing::progress_later, "查询校对进度失败"},
                      failure_case_t{failing::result, "读取校对结果失败"},
                      failure_case_t{failing::oversized, "服务器应答过大"}));

// The service keeps a result it delivered until the next request on its job,
// so a result lost in transport is asked for once more, and only once.
TEST_F(check_run, a_result_lost_in_transport_is_asked_for_once_more) {
    velmo_singleton_config::instance()->set_int("OtherParams", "ReceiveTimeout", 1);
    open_paragraphs(2);
    auto pids = std::make_shared<std::atomic<int>>(0);
    env->service.set_handler("GetCheckArticlePIDByUser", [=](const fake_request&) {
        return ok(fake_pid_answer("p" + std::to_string(++*pids)));
    });
    env->service.set_answer("UpLoadCheckArticle",
                            ok(fake_code_answer("UpLoadCheckArticle", 0, "成功")));
    env->service.set_answer("GetCheckArticleProgress", ok(fake_progress_answer(100)));
    auto calls = std::make_shared<std::array<std::atomic<int>, 2>>();
    env->service.set_handler("GetCheckArticleResult", [=](const fake_request& request) {
        const int offset = request.value("pid").back() - '0';
        // p1 is lost once, p2 every time: the answer comes after the client gave up.
        if (++(*calls)[static_cast<std::size_t>(offset - 1)] == 1 || offset == 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return ok(fake_result_answer({make_error(offset, std::string(1, 'a' + offset - 1))}));
    });
    run_all();
    EXPECT_EQ(positions(), QList<int>({1}));
    EXPECT_EQ((*calls)[0].load(), 2);
    EXPECT_EQ((*calls)[1].load(), 2);
    EXPECT_EQ(session.outcome().unchecked_count, 1);
}

TEST_F(check_run, an_unreachable_service_leaves_every_piece_unchecked) {
    open_paragraphs(3);
    velmo_singleton_config::instance()->set_string("OtherParams", "ServiceUrl",
                                                   fake_service::unreachable_url().c_str());
    run_all();
    EXPECT_EQ(session.outcome().unchecked_count, 3);
    EXPECT_EQ(session.outcome().unchecked_reason, QString::fromUtf8("服务器无应答"));
    EXPECT_EQ(session.outcome().checked_length, 0);
}

// A host that stops giving the range's paragraphs: what was read before is
// checked, and the rest of the range counts as not checked, named by its
// characters and told before any piece the service missed.
TEST_F(check_run, a_host_failing_a_read_midway_leaves_the_rest_counted_as_not_checked) {
    open_paragraphs(4);  // [0, 10) [10, 20) [20, 30) [30, 40)
    env->add_plain_jobs(2);
    range_failing_from_paragraph third_fails(env->content().get(), 3);
    run(kfc::ks_stdptr<wpsapi::Range>(&third_fails));
    EXPECT_EQ(count("GetCheckArticlePIDByUser"), 2u);
    EXPECT_EQ(session.outcome().checked_length, 20);
    EXPECT_EQ(session.outcome().unchecked_count, 1);
    EXPECT_EQ(session.outcome().unchecked_reason, QString::fromUtf8("文档第21至40个字符无法读取"));
    EXPECT_EQ(progress().back(), (progress_t{100, 100}));

    // Nothing readable and the service gone as well: the whole range is one
    // stretch not checked, and its reason comes first.
    use(check_settings());
    open_paragraphs(4);
    velmo_singleton_config::instance()->set_string("OtherParams", "ServiceUrl",
                                                   fake_service::unreachable_url().c_str());
    range_failing_from_paragraph second_fails(env->content().get(), 2);
    run(kfc::ks_stdptr<wpsapi::Range>(&second_fails));
    EXPECT_EQ(session.outcome().unchecked_count, 2);
    EXPECT_EQ(session.outcome().unchecked_reason, QString::fromUtf8("文档第11至40个字符无法读取"));
}

TEST_F(check_run, errors_outside_their_piece_are_dropped) {
    open_paragraphs(2);  // pieces of ten characters at 0 and 10
    env->add_plain_jobs(1);
    env->add_job({make_error(2147483647, "x"), make_error(-10, "x"), make_error(10, ""),
                  make_error(8, "xyz"), make_error(2147483646, "xyz"), make_error(6, "bbb")});
    run_all();
    EXPECT_EQ(positions(), QList<int>({16}));
    EXPECT_EQ(session.outcome().unplaced_count, 5);
}

TEST_F(check_run, pieces_of_white_space_and_empty_cells_are_not_sent) {
    QStringList cells;
    for (int i = 0; i < 50; ++i) cells << (i == 17 ? QString::fromUtf8("错字") : QString());
    cells[3] = QStringLiteral(" \t ");
    env->open(wps_sim::document_builder().paragraph("  ").table(5, 10, cells));
    env->add_job({make_error(0, "错字")});
    run_all();
    EXPECT_EQ(count("UpLoadCheckArticle"), 1u);
    EXPECT_EQ(env->service.uploaded_article("p1"), "错字 ");
    EXPECT_EQ(positions().size(), 1);
    EXPECT_EQ(session.outcome().unchecked_count, 0);
}

TEST_F(check_run, the_character_limit_stops_sending) {
    check_settings settings;
    settings.max_words = 30;
    use(settings);
    open_paragraphs(5);
    env->add_plain_jobs(5);
    run_all();
    // Three pieces start below the limit; the fourth meets it.
    EXPECT_EQ(count("UpLoadCheckArticle"), 3u);
    EXPECT_EQ(count("GetCheckArticlePIDByUser"), 3u);
    EXPECT_EQ(session.outcome().checked_length, 30);
    EXPECT_EQ(session.outcome().reached_max, true);
    EXPECT_EQ(progress().back(), (progress_t{100, 100}));
}

TEST_F(check_run, no_piece_is_sent_without_a_character_allowance) {
    check_settings settings;
    settings.max_words = 0;
    use(settings);
    open_paragraphs(2);
    env->add_plain_jobs(2);
    run_all();
    EXPECT_TRUE(env->service.requests().empty());
    EXPECT_TRUE(session.outcome().results.isEmpty());
    EXPECT_EQ(session.outcome().reached_max, true);
}

TEST_F(check_run, blank_pieces_count_as_checked_without_a_job) {
    env->open(wps_sim::document_builder().paragraphs({"   ", "abc"}));
    env->add_plain_jobs(1);
    run_all();
    EXPECT_EQ(count("GetCheckArticlePIDByUser"), 1u);
    EXPECT_EQ(env->service.uploaded_article("p1"), "abc ");
    EXPECT_EQ(session.outcome().checked_length, 8);
}

TEST_F(check_run, a_stop_before_the_first_piece_sends_nothing_but_ends_the_run) {
    check_settings settings;
    settings.write_piece_length = false;
    use(settings);
    open_paragraphs(2);
    env->add_plain_jobs(2);
    kfc::ks_stdptr<wpsapi::Range> range = env->content();
    session.stop();
    session.start(range);
    session.wait();
    EXPECT_TRUE(env->service.requests().empty());
    EXPECT_EQ(progress(), std::vector<progress_t>({{100, 100}}));
    EXPECT_STREQ(velmo_singleton_config::instance()->get_string("OtherParams", "CheckWordsCount"),
                 "0");
}

TEST_F(check_run, a_stop_during_a_long_poll_ends_the_run_after_one_more_poll_at_most) {
    open_paragraphs(2);
    env->add_job({make_error(1, "never")}, {10});
    env->add_plain_jobs(1);
    start(env->content());
    while (count("GetCheckArticleProgress") < 3) QThread::msleep(5);
    const size_t polls_at_stop = count("GetCheckArticleProgress");
    session.stop();
    session.wait();
    EXPECT_LE(count("GetCheckArticleProgress"), polls_at_stop + 1);
    EXPECT_EQ(count("GetCheckArticleResult"), 0u);
    EXPECT_EQ(count("GetCheckArticlePIDByUser"), 1u);
    EXPECT_TRUE(session.outcome().results.isEmpty());
    EXPECT_EQ(session.outcome().checked_length, 0);
    EXPECT_EQ(progress().back(), (progress_t{100, 100}));
}

// A silent service, with no receive time-out set: the stop must cut the
// request in flight short instead of waiting for an answer.
TEST_F(check_run, a_stop_ends_a_request_in_flight) {
    open_paragraphs(3);
    velmo_singleton_config::instance()->set_int("OtherParams", "ReceiveTimeout", 0);
    env->add_plain_jobs(3);
    std::promise<void> polled;
    auto first = std::make_shared<std::once_flag>();
    env->service.set_handler("GetCheckArticleProgress", [&, first](const fake_request&) {
        std::call_once(*first, [&] { polled.set_value(); });
        return fake_answer{200, fake_progress_answer(100), std::chrono::minutes(10)};
    });
    start(env->content());
    polled.get_future().wait();
    session.stop();
    session.wait();
    EXPECT_EQ(count("GetCheckArticleProgress"), 1u);
    EXPECT_EQ(session.outcome().unchecked_count, 3);
    EXPECT_EQ(session.outcome().unchecked_reason, QString::fromUtf8("校对已停止"));
    EXPECT_EQ(progress().back(), (progress_t{100, 100}));
}

// Errors the service finds wherever these words occur in an article.
std::vector<fake_error> errors_in(const std::string& article) {
    const QString text = QString::fromStdString(article);
    std::vector<fake_error> errors;
    for (const char* word : {"错字", "疑点"}) {
        const QString needle = QString::fromUtf8(word);
        for (int at = text.indexOf(needle); at >= 0; at = text.indexOf(needle, at + 1))
            errors.push_back(make_error(at, word));
    }
    return errors;
}

// The same document checked one piece at a time and four at a time gives
// the same marks and leaves the same pieces unchecked; with four, four jobs
// are under way before the first result is read.
TEST_F(check_run, four_jobs_in_flight_give_the_marks_of_one_at_a_time) {
    struct outcome_t {
        QList<int> positions;
        QStringList words;
        int unchecked = 0;
        int checked_length = 0;
    };
    auto check_with = [&](int parallel) {
        check_settings settings;
        settings.parallel = parallel;
        settings.piece_length = 12;
        use(settings);
        QStringList paragraphs;
        for (int i = 0; i < 9; ++i)
            paragraphs << QString::fromUtf8("第%1段有错字，也有疑点。").arg(i);
        env->open(wps_sim::document_builder()
                      .paragraphs(paragraphs)
                      .table(2, 2,
                             {QString::fromUtf8("错字"), QString(), QString::fromUtf8("好"),
                              QString::fromUtf8("疑点")}));
        for (int i = 0; i < 40; ++i) {
            fake_job job;
            job.pid = "j" + std::to_string(i);
            job.errors_for_article = errors_in;
            env->service.add_job(job);
        }
        // The service fails two pieces, named by their text since the slots
        // ask for identifiers in no fixed order. Progress waits (a bounded
        // while) until every slot holds a job, so that a slow build cannot let
        // one slot finish before the last one has asked for its identifier.
        fake_service* service = &env->service;
        env->service.set_handler(
            "GetCheckArticleProgress", [service, parallel](const fake_request& r) {
                const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (service->requests("GetCheckArticlePIDByUser").size() <
                           static_cast<size_t>(parallel) &&
                       std::chrono::steady_clock::now() < give_up)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                const QString article =
                    QString::fromStdString(service->uploaded_article(r.value("pid")));
                if (article.contains(QString::fromUtf8("第4段")) ||
                    article.startsWith(QString::fromUtf8("错字")))
                    return fake_answer{200, fake_progress_answer(-1), {}};
                return fake_answer{200, fake_progress_answer(100), {}};
            });
        velmo_check_session run;
        kfc::ks_stdptr<wpsapi::Range> range = env->content();
        run.start(range);
        run.wait();
        outcome_t outcome;
        for (const velmo_check_result_t& result : run.outcome().results) {
            outcome.positions << result.pos;
            outcome.words << result.err_word;
        }
        outcome.unchecked = run.outcome().unchecked_count;
        outcome.checked_length = run.outcome().checked_length;
        return outcome;
    };
    const outcome_t one = check_with(1);
    const outcome_t four = check_with(4);
    size_t ids_before_first_result = 0;
    for (const fake_request& request : env->service.requests()) {
        if (request.operation == "GetCheckArticleResult") break;
        if (request.operation == "GetCheckArticlePIDByUser") ++ids_before_first_result;
    }
    EXPECT_EQ(ids_before_first_result, 4u);
    EXPECT_EQ(one.positions.size(), 2 * 9 + 2 - 3);  // the failed pieces hold three errors
    EXPECT_EQ(four.positions, one.positions);
    EXPECT_EQ(four.words, one.words);
    EXPECT_EQ(one.unchecked, 2);
    EXPECT_EQ(four.unchecked, 2);
    EXPECT_EQ(four.checked_length, one.checked_length);
}

// A service that holds at most `cap` jobs with text per user, as the
// reference service does: identifiers and uploads are refused while it is
// full, and a result read frees a place. Each progress poll takes a while, so that the
// polls of jobs in flight at once overlap when they go out together.
struct capped_service_t {
    std::mutex lock;
    int cap = 2;
    int holding = 0;
    int issued = 0;
    int refusals = 0;
    int polls_at_once = 0;
    int most_polls_at_once = 0;
    std::map<std::string, std::string> articles;  // by job identifier

    void install(fake_service& service) {
        service.set_handler("GetCheckArticlePIDByUser", [this](const fake_request&) {
            std::lock_guard<std::mutex> locked(lock);
            if (holding >= cap) {
                ++refusals;
                return fake_answer{
                    200,
                    fake_code_answer("GetCheckArticlePIDByUser", 5, "同时进行的校对任务过多"),
                    {}};
            }
            return fake_answer{200, fake_pid_answer("c" + std::to_string(++issued)), {}};
        });
        service.set_handler("UpLoadCheckArticle", [this](const fake_request& request) {
            std::lock_guard<std::mutex> locked(lock);
            articles[request.value("pid")] = request.value("article");
            if (holding >= cap) {  // identifiers issued before the service filled up
                ++refusals;
                return fake_answer{
                    200, fake_code_answer("UpLoadCheckArticle", 5, "同时进行的校对任务过多"), {}};
            }
            ++holding;
            return fake_answer{200, fake_code_answer("UpLoadCheckArticle", 0, "成功"), {}};
        });
        service.set_handler("GetCheckArticleProgress", [this](const fake_request&) {
            {
                std::lock_guard<std::mutex> locked(lock);
                most_polls_at_once = std::max(most_polls_at_once, ++polls_at_once);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            std::lock_guard<std::mutex> locked(lock);
            --polls_at_once;
            return fake_answer{200, fake_progress_answer(100), {}};
        });
        service.set_handler("GetCheckArticleResult", [this](const fake_request& request) {
            std::lock_guard<std::mutex> locked(lock);
            --holding;
            const std::string article = articles[request.value("pid")];
            return fake_answer{200, fake_result_answer({make_error(1, article.substr(1, 1))}), {}};
        });
    }
};

// Four slots against a service that takes two jobs at a time: the refused
// pieces wait for a place and every piece is checked; the polls of the jobs
// in flight overlap. With one slot and a service that refuses everything,
// each piece is asked for once and left unchecked with the service's words.
TEST_F(check_run, a_busy_service_makes_pieces_wait_for_a_place_and_loses_none) {
    check_settings settings;
    settings.parallel = 4;
    use(settings);
    open_paragraphs(7);
    capped_service_t service;
    service.install(env->service);
    run_all();
    EXPECT_EQ(session.outcome().unchecked_count, 0)
        << session.outcome().unchecked_reason.toStdString();
    EXPECT_EQ(positions(), QList<int>({1, 11, 21, 31, 41, 51, 61}));
    EXPECT_GT(service.refusals, 0);
    EXPECT_EQ(service.holding, 0);
    EXPECT_LE(service.most_polls_at_once, 2);

    settings.parallel = 1;
    use(settings);
    open_paragraphs(3);
    capped_service_t full;
    full.cap = 0;
    full.install(env->service);
    velmo_check_session alone;
    kfc::ks_stdptr<wpsapi::Range> range = env->content();
    alone.start(range);
    alone.wait();
    EXPECT_EQ(full.refusals, 3);
    EXPECT_EQ(alone.outcome().unchecked_count, 3);
    EXPECT_EQ(alone.outcome().unchecked_reason,
              QString::fromUtf8("服务拒绝校对任务（同时进行的校对任务过多）"));
}

// Sixteen slots over sixteen pieces whose polls take a while: the polls
// overlap rather than go one after the other (the fake service serves eight
// requests at once, and a slow machine may not fill all eight).
TEST_F(check_run, the_requests_of_the_jobs_in_flight_go_out_together) {
    check_settings settings;
    settings.parallel = 16;
    use(settings);
    open_paragraphs(16);
    capped_service_t service;
    service.cap = 16;
    service.install(env->service);
    run_all();
    EXPECT_EQ(session.outcome().unchecked_count, 0);
    EXPECT_EQ(positions().size(), 16);
    EXPECT_GE(service.most_polls_at_once, 4);
}

TEST_F(check_run, a_stop_with_four_jobs_in_flight_abandons_them_all) {
    check_settings settings;
    settings.parallel = 4;
    use(settings);
    open_paragraphs(6);
    for (int i = 0; i < 6; ++i) env->add_job({make_error(1, "x")}, {10});
    start(env->content());
    while (count("GetCheckArticleProgress") < 8) QThread::msleep(5);  // two rounds of polls
    session.stop();
    session.wait();
    EXPECT_EQ(count("GetCheckArticlePIDByUser"), 4u);
    EXPECT_EQ(count("GetCheckArticleResult"), 0u);
    EXPECT_TRUE(session.outcome().results.isEmpty());
    EXPECT_EQ(session.outcome().unchecked_count, 6);
    EXPECT_EQ(session.outcome().unchecked_reason, QString::fromUtf8("校对已停止"));
    EXPECT_EQ(progress().back(), (progress_t{100, 100}));
}

TEST_F(check_run, the_piece_length_setting_is_written_back_after_every_run) {
    check_settings settings;
    settings.piece_length = 700;
    use(settings);
    open_paragraphs(1);
    env->add_plain_jobs(1);
    run_all();
    velmo_singleton_config* config = velmo_singleton_config::instance();
    EXPECT_STREQ(config->get_string("OtherParams", "CheckWordsCount"), "700");

    settings.write_piece_length = false;
    use(settings);
    open_paragraphs(1);
    env->add_plain_jobs(1);
    velmo_check_session second;
    kfc::ks_stdptr<wpsapi::Range> range = env->content();
    second.start(range);
    second.wait();
    config = velmo_singleton_config::instance();
    EXPECT_STREQ(config->get_string("OtherParams", "CheckWordsCount"), "0");
    ASSERT_EQ(config->save(), 0);
}

TEST_F(check_run, an_empty_check_range_reports_a_total_of_zero) {
    open_paragraphs(2);
    env->add_plain_jobs(1);
    run(env->range(3, 3));
    // The paragraph holding the position is checked; the share stays 0.
    EXPECT_EQ(progress(), std::vector<progress_t>({{100, 0}, {0, 0}, {100, 100}}));
    EXPECT_EQ(session.outcome().checked_length, 10);
}

}  // namespace
