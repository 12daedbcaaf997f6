// The service under the requests a hostile holder of an ordinary account
// would send: guessing other users' jobs, hoarding job slots and word-library
// entries, idle, slow, oversized and ambiguously framed requests, costly
// markup, guessing numbers, huge page numbers, and a stop while jobs run.
// Real HTTP on loopback, bounded in count and time.
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fstream>
#include <set>
#include <thread>
#include <tuple>

#include "base/service_clock.h"
#include "http/service_connection_table.h"
#include "service_test_support.h"

using namespace velmo_test;
using velmo_service::server_config;
using velmo_service::service_limits;

namespace {

struct abuse_fixture : ::testing::Test {
    // The service closes a connection whose body passes its limit while the
    // client is still writing: the write must fail, not kill the process.
    static void SetUpTestSuite() { ::signal(SIGPIPE, SIG_IGN); }

    temp_dir dir;
    std::unique_ptr<running_service> service;
    std::unique_ptr<soap_client> client;

    void start(service_limits limits = {}, server_config config = {}) {
        client.reset();
        service.reset();
        service = std::make_unique<running_service>(dir.path() + "/service.db", limits, config);
        client = std::make_unique<soap_client>(service->port());
        if (!service->store().find_user("writer")) {
            add_account(service->store(), "writer", "no-123");
            add_account(service->store(), "other", "no-456");
        }
    }
    soap_reply sign_in(const std::string& user, const std::string& number) {
        return client->call("CheckUser", {{"userName", user}, {"authNo", number}});
    }
};

const char* const request_head = "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\n";

std::string sign_in_body() {
    return envelope("CheckUser", "<userName>writer</userName><authNo>no-123</authNo>");
}

// A whole sign-in request with its length.
std::string sign_in_request() {
    const std::string body = sign_in_body();
    return std::string(request_head) + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

int threads_of_this_process() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}

}  // namespace

TEST_F(abuse_fixture, JobIdentifiersAreUnguessableCappedPerUserAndBoundToTheirOwner) {
    service_limits limits;
    limits.jobs.max_issued_per_user = 3;
    start(limits);
    std::set<std::string> pids;
    for (int i = 0; i < 3; ++i) {
        const std::string pid = client->get_pid("writer", "no-123").first("PID");
        EXPECT_EQ(pid.size(), 32u);
        EXPECT_EQ(pid.find_first_not_of("0123456789abcdef"), std::string::npos) << pid;
        pids.insert(pid);
    }
    EXPECT_EQ(pids.size(), 3u);
    // A hoarding account keeps no more than its allowance and locks nobody out.
    EXPECT_FALSE(client->get_pid("writer", "no-123").first("PID").empty());
    EXPECT_EQ(service->operations().jobs().held(), 3u);
    const std::string theirs = client->get_pid("other", "no-456").first("PID");
    ASSERT_FALSE(theirs.empty());

    // A request naming another user finds no job under that identifier.
    const std::string article = "<article>按步就班</article><pid>" + theirs + "</pid>";
    soap_reply foreign =
        client->post_raw(envelope("UpLoadCheckArticle", "<userName>writer</userName>" + article));
    EXPECT_EQ(foreign.status, 500);
    EXPECT_EQ(
        client->call("GetCheckArticleProgress", {{"userName", "writer"}, {"pid", theirs}}).status,
        500);
    std::string failure;
    EXPECT_EQ(
        client->post_raw(envelope("UpLoadCheckArticle", "<userName>other</userName>" + article))
            .first("ErrCode"),
        "0");
    EXPECT_EQ(
        client->call("GetCheckArticleResult", {{"userName", "writer"}, {"pid", theirs}}).status,
        500);
    auto info = client->call("GetUserInfo", {{"userName", "writer"}});
    EXPECT_EQ(info.first("ReMainingWordsCount"), "1000000");  // nothing charged to the prober
}

TEST_F(abuse_fixture, SlowClientsHoldNeitherManyThreadsNorAnyForLong) {
    server_config config;
    config.http_threads = 4;
    config.connections_per_address = 2;
    start({}, config);
    // Eight connections from one address that never finish their request:
    // two are held, the rest are turned away at once (closed unanswered).
    std::vector<std::unique_ptr<raw_connection>> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(std::make_unique<raw_connection>("127.0.0.2", service->port()));
        ASSERT_GE(slow.back()->fd, 0);
        slow.back()->send_text(request_head);
    }
    int turned_away = 0;
    for (auto& c : slow) turned_away += c->receive(300).empty() && c->peer_closed;
    EXPECT_EQ(turned_away, 6);
    EXPECT_EQ(sign_in("writer", "no-123").first("ErrCode"), "0");  // others are still served

    // A request trickling in a byte at a time is cut at its deadline, not
    // kept alive by each byte. The service may answer, reset or only close
    // its side: the socket can stay open a while after that on a busy machine.
    config.request_timeout = std::chrono::milliseconds(300);
    start({}, config);
    raw_connection trickle("127.0.0.3", service->port());
    ASSERT_TRUE(trickle.send_text(std::string(request_head) + "Content-Length: 500\r\n\r\n"));
    bool cut = false;
    for (int i = 0; i < 500 && !cut; ++i) {
        cut = !trickle.send_text("x") || trickle.receive(20).find("HTTP/1.1") == 0 ||
              trickle.peer_closed;
    }
    EXPECT_TRUE(cut);
}

TEST_F(abuse_fixture, IdleConnectionsCostNoThreadsAndKeepAliveLastsAsAdvertised) {
    server_config config;
    config.idle_timeout = std::chrono::seconds(1);
    config.connections_per_address = 100;
    start({}, config);
    const int threads = threads_of_this_process();
    // Three hundred connections from three addresses that stop mid-head.
    std::vector<std::unique_ptr<raw_connection>> idle;
    for (int i = 0; i < 300; ++i) {
        const std::string source = "127.0.1." + std::to_string(1 + i % 3);
        idle.push_back(std::make_unique<raw_connection>(source.c_str(), service->port()));
        ASSERT_GE(idle.back()->fd, 0);
        idle.back()->send_text(request_head);
    }
    EXPECT_EQ(sign_in("writer", "no-123").first("ErrCode"), "0");
    EXPECT_EQ(threads_of_this_process(), threads);

    // The time an answer advertises is the time the connection is kept.
    raw_connection kept("127.0.0.6", service->port());
    ASSERT_TRUE(kept.send_text(sign_in_request()));
    const std::string first = kept.receive(300);
    EXPECT_NE(first.find("Keep-Alive: timeout=1\r\n"), std::string::npos) << first;
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_TRUE(kept.send_text(sign_in_request()));
    EXPECT_EQ(kept.receive(300).rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_FALSE(kept.peer_closed);
    kept.receive(4000);  // then it goes
    EXPECT_TRUE(kept.peer_closed);
}

TEST_F(abuse_fixture, AmbiguousFramingIsRefusedOnceAndNothingAfterItRunsAsARequest) {
    start();
    const std::string body = sign_in_body(), length = std::to_string(body.size());
    char size[16];
    std::snprintf(size, sizeof size, "%zx", body.size());
    const std::string chunked = std::string(size) + "\r\n" + body + "\r\n0\r\n\r\n";
    const std::string as_length = "Content-Length: " + length + "\r\n";
    // Head lines, body, and whether the case still shows in the headers the
    // library has parsed, where a kept-alive connection's next request is judged.
    const std::tuple<std::string, std::string, bool> ambiguous[] = {
        {as_length + "Transfer-Encoding: chunked\r\n", chunked, true},
        {"Transfer-Encoding: chunked\r\nContent-Length: 3\r\n", chunked, true},
        {as_length + "Content-Length: 3\r\n", body, true},
        {as_length + as_length, body, true},
        {"Content-Length: +" + length + "\r\n", body, false},
        {"Content-Length: " + length + "abc\r\n", body, false},
        {"Transfer-Encoding: gzip, chunked\r\n", chunked, true},
        {"Transfer-Encoding : chunked\r\n" + as_length, body, true},
        {"Transfer-Encoding\t: chunked\r\n" + as_length, body, true},
        {as_length + "Transfer-Encoding:\r\n chunked\r\n", body, false},
        {as_length + "X-Note: 1\r\n\tTransfer-Encoding: chunked\r\n", body, true},
        {"Transfer-Encoding: chunked \r\n", chunked, true},
        {"Host: elsewhere\r\n" + as_length, body, true},
        {as_length + "X-Note: 1\n", body, false},
    };
    for (const bool after_another : {false, true}) {
        for (const auto& [head, rest, parsed_shows] : ambiguous) {
            if (after_another && !parsed_shows) continue;
            raw_connection c("127.0.0.7", service->port());
            if (after_another) {
                c.send_text(sign_in_request());
                ASSERT_EQ(c.receive(200).rfind("HTTP/1.1 200", 0), 0u);
            }
            // A second, well-formed request follows: it must never be answered.
            c.send_text(request_head + head + "\r\n" + rest + sign_in_request());
            const std::string got = c.receive(2000);
            EXPECT_EQ(got.rfind("HTTP/1.1 400", 0), 0u) << head << got;
            EXPECT_EQ(count_of(got, "HTTP/1.1 "), 1u) << head << got;
            EXPECT_TRUE(c.peer_closed) << head;
        }
    }
    // A plain chunked request is still served, and so is the next on its connection.
    raw_connection c("127.0.0.7", service->port());
    c.send_text(request_head + std::string("Transfer-Encoding: chunked\r\n\r\n") + chunked +
                sign_in_request());
    const std::string got = c.receive(500);
    EXPECT_EQ(count_of(got, "HTTP/1.1 200"), 2u) << got;
    EXPECT_EQ(count_of(got, "<ErrCode>0</ErrCode>"), 2u);
}

TEST_F(abuse_fixture, WordLibrariesAreCappedPerUser) {
    service_limits limits;
    limits.max_words_per_user = 3;
    start(limits);
    auto add = [&](const char* user, const char* lib, const char* word) {
        return client->call("AddWords", {{"userName", user}, {"libType", lib}, {"words", word}});
    };
    const std::pair<const char*, const char*> entries[] = {{"4", "甲"}, {"4", "乙"}, {"3", "丙"}};
    for (const auto& [lib, word] : entries)
        EXPECT_EQ(add("writer", lib, word).first("ErrCode"), "0") << word;
    const soap_reply full = add("writer", "4", "丁");
    EXPECT_EQ(full.first("ErrCode"), "5");
    EXPECT_EQ(full.first("ErrMsg"), "词库已满");
    EXPECT_EQ(add("writer", "4", "甲").first("ErrCode"), "0");  // already kept
    EXPECT_EQ(client->call("GetWordsList", {{"userName", "writer"}, {"libType", "4"}})
                  .first("TotalCount"),
              "2");
    EXPECT_EQ(add("other", "4", "丁").first("ErrCode"), "0");  // the cap is per user
    client->call("DeleteWords", {{"userName", "writer"}, {"libType", "4"}, {"words", "乙"}});
    EXPECT_EQ(add("writer", "4", "丁").first("ErrCode"), "0");
}

TEST_F(abuse_fixture, BodiesAndMarkupBeyondTheBoundsAreRefusedBeforeTheyCost) {
    server_config config;
    config.body_limit = 64 * 1024;
    start({}, config);
    // A chunked body is held to the same limit as one with a length.
    const std::string body =
        envelope("CheckUser", "<userName>" + std::string(1 << 20, 'x') + "</userName><authNo/>");
    httplib::Client chunked("127.0.0.1", service->port());
    std::size_t sent = 0;
    auto res = chunked.Post(
        "/",
        [&](std::size_t, httplib::DataSink& sink) {
            const std::size_t n = std::min<std::size_t>(8192, body.size() - sent);
            if (!sink.write(body.data() + sent, n)) return false;
            sent += n;
            if (sent == body.size()) sink.done();
            return true;
        },
        "application/soap+xml; charset=utf-8");
    EXPECT_TRUE(!res || res->status == 400);

    const std::string user = "<userName>writer</userName><authNo>no-123</authNo>";
    std::string siblings, attributes = "<userName", nested, comments, instructions, texts;
    for (int i = 0; i < 2000; ++i) siblings += "<a/>";
    for (int i = 0; i < 5000; ++i) {
        comments += "<!---->";
        instructions += "<?p?>";
        texts += "x<!--y-->";
    }
    for (int i = 0; i < 100; ++i) attributes += " a" + std::to_string(i) + "=\"\"";
    for (int i = 0; i < 40; ++i) nested = "<g>" + nested + "</g>";
    const std::pair<std::string, std::string> bounded[] = {
        {siblings + user, "too many elements"},
        {attributes + ">writer</userName><authNo>no-123</authNo>", "too many attributes"},
        {nested + user, "nested too deeply"},
        {comments + user, "too many nodes"},
        {instructions + user, "too many nodes"},
        {texts + user, "too many nodes"},
    };
    for (const auto& [params, reason] : bounded) {
        soap_reply r = client->post_raw(envelope("CheckUser", params));
        EXPECT_EQ(r.status, 400) << reason;
        EXPECT_NE(r.body.find(reason), std::string::npos) << r.body;
    }
    EXPECT_EQ(sign_in("writer", "no-123").first("ErrCode"), "0");
}

TEST_F(abuse_fixture, FailedSignInsHoldBackTheNameFromThatAddressAndTheAddressNotTheOwner) {
    service_limits limits;
    limits.signin.first_delay = std::chrono::hours(1);
    limits.signin.address_free_failures = 6;
    start(limits);
    const std::string try_later = velmo_service::operations_try_later_message;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sign_in("writer", "guess" + std::to_string(i)).first("ErrCode"), "1");
    // Now even the right number is not looked at for this name from here, and
    // the answer says to come back later, not that the number is wrong.
    soap_reply held = sign_in("writer", "no-123");
    EXPECT_EQ(held.first("ErrCode"), "5");
    EXPECT_EQ(held.first("ErrMsg"), try_later);
    EXPECT_EQ(client->get_pid("writer", "no-123").first("ErrMsg"), try_later);
    EXPECT_TRUE(client->get_pid("other", "no-456").has("PID"));  // others from here still may
    for (int i = 0; i < 3; ++i) sign_in("nobody" + std::to_string(i), "guess");
    EXPECT_FALSE(client->get_pid("other", "no-456").has("PID"));  // the address guessed on

    // Behind a trusted proxy each forwarded client is held back on its own:
    // a stranger's guesses do not lock the owner out.
    server_config proxied;
    proxied.trusted_proxy = "127.0.0.1";
    start(limits, proxied);
    auto from = [&](const char* address, const std::string& user, const std::string& number) {
        httplib::Client proxy("127.0.0.1", service->port());
        auto res = proxy.Post("/", {{"X-Forwarded-For", std::string("192.0.2.9, ") + address}},
                              envelope("CheckUser", "<userName>" + user + "</userName><authNo>" +
                                                        number + "</authNo>"),
                              "application/soap+xml");
        return res ? soap_reply{res->status, res->body}.first("ErrCode") : "no answer";
    };
    EXPECT_EQ(from("198.51.100.2", "writer", "no-123"), "0");  // the owner, earlier
    for (int i = 0; i < 30; ++i) from("198.51.100.1", "writer", "guess");
    EXPECT_EQ(from("198.51.100.2", "writer", "no-123"), "0");
    EXPECT_EQ(from("198.51.100.1", "writer", "no-123"), "5");
    // Guesses at the name from many addresses hold it back from every
    // address but those it signed in from.
    for (int i = 0; i < 12; ++i) from(("203.0.113." + std::to_string(i)).c_str(), "other", "guess");
    EXPECT_EQ(from("203.0.113.99", "other", "no-456"), "5");
    EXPECT_EQ(from("198.51.100.2", "writer", "no-123"), "0");
}

TEST_F(abuse_fixture, HugePageNumbersAnswerPastTheEndWithoutOverflow) {
    start();
    client->call("AddWords", {{"userName", "writer"}, {"libType", "4"}, {"words", "甲"}});
    for (const char* page : {"9223372036854775807", "4611686018427387904", "461168601842738791"}) {
        soap_reply words = client->call(
            "GetWordsList", {{"userName", "writer"}, {"libType", "4"}, {"pageIndex", page}});
        EXPECT_EQ(words.status, 200);
        EXPECT_FALSE(words.has("string")) << page;
        EXPECT_EQ(words.first("TotalCount"), "1");
    }
}

TEST_F(abuse_fixture, StoppingRefundsEveryJobWhoseFindingsWereNotHandedOver) {
    service_limits limits;
    limits.jobs.workers = 1;
    start(limits);
    std::string failure;
    client->check("writer", "no-123", "我们按步就班。", upload_options{},
                  &failure);  // delivered: stays charged
    ASSERT_EQ(failure, "");
    upload_options english;
    english.eng = 1;
    const std::string nonsense = "Qwzrt blorfic zanquix vremple. Snorgle plimbert quazzle frindop.";
    for (int i = 0; i < 4; ++i) {
        const std::string pid = client->get_pid("writer", "no-123").first("PID");
        ASSERT_EQ(client->upload(pid, nonsense, english).first("ErrCode"), "0");
    }
    service->operations().jobs().stop(std::chrono::milliseconds(0));
    EXPECT_EQ(service->store().find_user("writer")->used, 7);  // 我们按步就班。
    EXPECT_EQ(service->store().usage("writer", velmo_service::clock_today_text(), 0, 10).total_rows,
              1);
}

TEST(SigninThrottle, DelaysDoublePerNameFromAnAddressAndPerAddressAndAreForgottenWhenQuiet) {
    using namespace std::chrono;
    steady_clock::time_point now{};
    velmo_service::signin_limits limits;
    limits.free_failures = 2;
    limits.address_free_failures = 10;
    limits.first_delay = milliseconds(100);
    limits.max_delay = milliseconds(400);
    limits.forget_after = seconds(10);
    limits.name_free_failures = 1000;  // held apart below
    velmo_service::signin_throttle t(limits, [&] { return now; });
    t.failed("ann", "10.0.0.4");
    t.failed("ann", "10.0.0.4");
    EXPECT_TRUE(t.allowed("ann", "10.0.0.4"));
    // Each further failure of the name from there doubles the wait, up to the maximum.
    for (const int wait : {100, 200, 400, 400}) {
        t.failed("ann", "10.0.0.4");
        now += milliseconds(wait - 1);
        EXPECT_FALSE(t.allowed("ann", "10.0.0.4")) << wait;
        now += milliseconds(1);
        EXPECT_TRUE(t.allowed("ann", "10.0.0.4")) << wait;
    }
    t.failed("ann", "10.0.0.4");
    // The guesses lock neither the owner out from elsewhere nor others out from there.
    EXPECT_TRUE(t.allowed("ann", "10.0.0.3"));
    EXPECT_TRUE(t.allowed("bob", "10.0.0.4"));

    // An address guessing at many names is held for every name.
    for (int i = 0; i < 11; ++i) t.failed("user" + std::to_string(i), "10.0.0.5");
    EXPECT_FALSE(t.allowed("carl", "10.0.0.5"));
    EXPECT_TRUE(t.allowed("carl", "10.0.0.6"));
    t.succeeded("ann", "10.0.0.4");  // clears the name from there
    EXPECT_TRUE(t.allowed("ann", "10.0.0.4"));
    t.succeeded("dora", "10.0.0.5");  // not the address
    EXPECT_FALSE(t.allowed("eve", "10.0.0.5"));
    now += seconds(11);
    t.failed("carl", "10.0.0.5");  // the earlier failures are forgotten: a free one
    EXPECT_TRUE(t.allowed("dora", "10.0.0.5"));
}

TEST(SigninThrottle, GuessesAtANameFromManyAddressesHoldItOnlyWhereItsOwnerNeverSignedIn) {
    using namespace std::chrono;
    steady_clock::time_point now{};
    velmo_service::signin_limits limits;
    limits.name_free_failures = 5;
    limits.first_delay = milliseconds(100);
    velmo_service::signin_throttle t(limits, [&] { return now; });
    t.succeeded("ann", "10.0.0.1");
    for (int i = 0; i < 6; ++i) t.failed("ann", "10.0.1." + std::to_string(i));
    EXPECT_FALSE(t.allowed("ann", "10.0.2.1"));  // a new address waits
    EXPECT_TRUE(t.allowed("ann", "10.0.0.1"));   // the owner's does not
    EXPECT_TRUE(t.allowed("bob", "10.0.2.1"));
    now += milliseconds(100);
    EXPECT_TRUE(t.allowed("ann", "10.0.2.1"));
}

// A full table makes room by dropping the entry quiet the longest, however
// old its first failure: a guess renewed keeps its hold.
TEST(SigninThrottle, AFullTableDropsTheEntryQuietTheLongest) {
    using namespace std::chrono;
    steady_clock::time_point now{};
    velmo_service::signin_limits limits;
    limits.free_failures = 0;
    limits.address_free_failures = limits.name_free_failures = 1000;
    limits.first_delay = limits.max_delay = hours(1);
    limits.max_entries = 3;
    velmo_service::signin_throttle t(limits, [&] { return now; });
    for (const char* name : {"a", "b", "c"}) {
        t.failed(name, "10.0.0.1");
        now += seconds(1);
    }
    t.failed("a", "10.0.0.1");  // renewed: now b is the quietest
    now += seconds(1);
    t.failed("d", "10.0.0.1");
    EXPECT_TRUE(t.allowed("b", "10.0.0.1"));
    for (const char* held : {"a", "c", "d"}) EXPECT_FALSE(t.allowed(held, "10.0.0.1")) << held;
    now += seconds(1);
    t.failed("e", "10.0.0.1");
    EXPECT_TRUE(t.allowed("c", "10.0.0.1"));
    EXPECT_FALSE(t.allowed("a", "10.0.0.1"));
}

TEST(ConnectionTable, HeadsLiveOnSmallerBudgetsAndTheOldestGoFirst) {
    using namespace std::chrono;
    velmo_service::connection_limits limits;
    limits.max_connections = 8;
    limits.per_address = 4;
    limits.heads_per_address = 3;
    limits.heads_per_network = 4;
    limits.max_heads = 6;
    limits.head_timeout = seconds(10);
    limits.next_head_timeout = seconds(15);
    limits.exempt_address = "10.9.9.9";
    velmo_service::connection_table t(limits);
    steady_clock::time_point now{};
    std::vector<int> drop;
    auto admit = [&](int id, const char* address) {
        now += milliseconds(1);
        return t.admit(id, address, now, &drop);
    };
    // One address: three heads, then refused; a head at work makes room.
    for (int id : {1, 2, 3}) EXPECT_TRUE(admit(id, "10.0.1.1"));
    EXPECT_FALSE(admit(4, "10.0.1.1"));
    t.head_complete(1);
    EXPECT_TRUE(admit(4, "10.0.1.1"));
    EXPECT_FALSE(admit(5, "10.0.1.1"));  // four open: the connection limit
    // Another address of that network: the network's oldest head goes for it.
    EXPECT_TRUE(admit(5, "10.0.1.2"));
    EXPECT_TRUE(admit(6, "10.0.1.2"));
    EXPECT_EQ(drop, (std::vector<int>{2}));
    // Other networks: at six heads in all the oldest head goes, whoever's.
    for (int id : {7, 8}) EXPECT_TRUE(admit(id, "10.0.2.1"));
    EXPECT_TRUE(admit(9, "10.0.3.1"));
    EXPECT_EQ(drop, (std::vector<int>{2, 3}));
    // The balancer is held to no address limit; a full table drops heads,
    // then idle connections, never ones at work.
    drop.clear();
    for (int id : {4, 5, 6, 7, 8, 9}) t.head_complete(id);
    t.awaiting_head(5, now);
    EXPECT_TRUE(admit(10, "10.9.9.9"));
    EXPECT_EQ(t.size(), 8u);
    EXPECT_TRUE(admit(11, "10.9.9.9"));
    EXPECT_EQ(drop, (std::vector<int>{10}));
    t.head_complete(11);
    EXPECT_TRUE(admit(12, "10.9.9.9"));
    EXPECT_EQ(drop, (std::vector<int>{10, 5}));  // the idle one
    t.head_complete(12);
    EXPECT_FALSE(admit(13, "10.9.9.9"));  // all at work
    // Late heads and late next heads are reported once each.
    t.forget(11);
    EXPECT_TRUE(admit(14, "10.0.4.1"));
    t.awaiting_head(12, now);
    now += seconds(10);
    EXPECT_EQ(t.take_late(now), (std::vector<int>{14}));
    EXPECT_TRUE(t.take_late(now).empty());
    now += seconds(5);
    EXPECT_EQ(t.take_late(now), (std::vector<int>{12}));
    EXPECT_EQ(velmo_service::network_of("::ffff:10.0.4.7"), velmo_service::network_of("10.0.4.1"));
    EXPECT_NE(velmo_service::network_of("2001:db8:0:1::5"),
              velmo_service::network_of("2001:db8:0:2::5"));
}

TEST_F(abuse_fixture, TricklingHeadsAreCutAndLeaveAnInnocentClientServed) {
    server_config config;
    config.max_connections = 2500;
    config.head_timeout = std::chrono::seconds(4);
    config.idle_timeout = std::chrono::seconds(1);
    start({}, config);
    // Two thousand heads from ten addresses, each under the address limit,
    // trickled a byte every 300 ms while an innocent client signs in.
    std::vector<std::unique_ptr<raw_connection>> crowd;
    for (int i = 0; i < 2000; ++i) {
        const std::string source = "127.0.2." + std::to_string(1 + i % 10);
        crowd.push_back(std::make_unique<raw_connection>(source.c_str(), service->port()));
        crowd.back()->send_text("POST / HTTP/1.1\r\n");
    }
    auto still_open = [&] {
        std::size_t open = 0;
        for (auto& c : crowd) open += c->fd >= 0 && (c->receive(0), !c->peer_closed);
        return open;
    };
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        while (!done) {
            for (auto& c : crowd) c->send_text("X");
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    });
    std::vector<double> waits;
    for (int i = 0; i < 50; ++i) {
        const auto begun = std::chrono::steady_clock::now();
        raw_connection innocent("127.0.0.1", service->port());
        innocent.send_text(sign_in_request());
        std::string got;
        while (got.find("Envelope>") == std::string::npos && !innocent.peer_closed &&
               std::chrono::steady_clock::now() - begun < std::chrono::seconds(5))
            got += innocent.receive(20);
        waits.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count());
        EXPECT_EQ(got.rfind("HTTP/1.1 200", 0), 0u) << i;
    }
    std::sort(waits.begin(), waits.end());
    EXPECT_LT(waits[48], 1.0);  // p99

    // A kept-alive connection's next head is held to its deadline too,
    // however steadily it trickles; so is every head of the crowd.
    raw_connection kept("127.0.0.8", service->port());
    kept.send_text(sign_in_request());
    EXPECT_EQ(kept.receive(100).rfind("HTTP/1.1 200", 0), 0u);
    kept.send_text("POST / HTTP/1.1\r\n");
    const auto cut_by = std::chrono::steady_clock::now() + std::chrono::seconds(7);
    while (!kept.peer_closed && std::chrono::steady_clock::now() < cut_by) {
        kept.send_text("X");
        kept.receive(300);
    }
    EXPECT_TRUE(kept.peer_closed);
    done = true;
    trickle.join();
    EXPECT_EQ(still_open(), 0u);
}
