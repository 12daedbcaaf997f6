// The service under the requests a hostile holder of an ordinary account
// would send: guessing other users' jobs, hoarding job slots, slow and
// oversized requests, costly markup, guessing numbers, huge page numbers,
// and a stop while jobs run. Real HTTP on loopback, bounded in count and time.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>

#include "base/service_clock.h"
#include "service_test_support.h"

using namespace velmo_test;
using velmo_service::server_config;
using velmo_service::service_limits;

namespace {

struct abuse_fixture : ::testing::Test {
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

// A raw connection from `source` (any 127.x.y.z address is loopback).
struct raw_connection {
    int fd = -1;
    raw_connection(const char* source, int port) {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, source, &a.sin_addr);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd);
            fd = -1;
        }
    }
    ~raw_connection() {
        if (fd >= 0) close(fd);
    }
    bool send_text(const std::string& s) {
        return ::send(fd, s.data(), s.size(), MSG_NOSIGNAL) == ssize_t(s.size());
    }
    // What arrives within `ms` until the peer closes; "" when nothing did.
    std::string receive(int ms) {
        std::string got;
        pollfd p{fd, POLLIN, 0};
        char buf[512];
        while (poll(&p, 1, ms) > 0) {
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                peer_closed = true;
                break;
            }
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    bool peer_closed = false;
};

const char* const request_head = "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\n";

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
    // One hoarding account does not lock the others out.
    EXPECT_EQ(client->get_pid("writer", "no-123").first("ErrCode"), "5");
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
    // two are held, the rest are turned away at once.
    std::vector<std::unique_ptr<raw_connection>> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(std::make_unique<raw_connection>("127.0.0.2", service->port()));
        ASSERT_GE(slow.back()->fd, 0);
        slow.back()->send_text(request_head);
    }
    int turned_away = 0;
    for (auto& c : slow) turned_away += c->receive(300).rfind("HTTP/1.1 503", 0) == 0;
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
    std::string siblings, attributes = "<userName", nested;
    for (int i = 0; i < 2000; ++i) siblings += "<a/>";
    for (int i = 0; i < 100; ++i) attributes += " a" + std::to_string(i) + "=\"\"";
    for (int i = 0; i < 40; ++i) nested = "<g>" + nested + "</g>";
    const std::pair<std::string, std::string> bounded[] = {
        {siblings + user, "too many elements"},
        {attributes + ">writer</userName><authNo>no-123</authNo>", "too many attributes"},
        {nested + user, "nested too deeply"},
    };
    for (const auto& [params, reason] : bounded) {
        soap_reply r = client->post_raw(envelope("CheckUser", params));
        EXPECT_EQ(r.status, 400) << reason;
        EXPECT_NE(r.body.find(reason), std::string::npos) << r.body;
    }
    EXPECT_EQ(sign_in("writer", "no-123").first("ErrCode"), "0");
}

TEST_F(abuse_fixture, FailedSignInsHoldBackTheNameAndTheAddress) {
    service_limits limits;
    limits.signin.first_delay = std::chrono::hours(1);
    start(limits);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sign_in("writer", "guess" + std::to_string(i)).first("ErrCode"), "1");
    // Now even the right number is not looked at, for this name or from here.
    EXPECT_EQ(sign_in("writer", "no-123").first("ErrCode"), "1");
    EXPECT_FALSE(client->get_pid("other", "no-456").has("PID"));

    // Behind a trusted proxy each forwarded client is held back on its own.
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
    for (int i = 0; i < 4; ++i) from("198.51.100.1", "other", "guess");
    EXPECT_EQ(from("198.51.100.2", "writer", "no-123"), "0");
    EXPECT_EQ(from("198.51.100.1", "writer", "no-123"), "1");
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

TEST(SigninThrottle, DelaysDoublePerNameAndAddressAndAreForgottenWhenQuiet) {
    using namespace std::chrono;
    steady_clock::time_point now{};
    velmo_service::signin_limits limits;
    limits.free_failures = 2;
    limits.first_delay = milliseconds(100);
    limits.max_delay = milliseconds(400);
    limits.forget_after = seconds(10);
    velmo_service::signin_throttle t(limits, [&] { return now; });
    t.failed("ann", "10.0.0.1");
    t.failed("ann", "10.0.0.2");
    EXPECT_TRUE(t.allowed("ann", "10.0.0.3"));
    // Each further failure doubles the wait, up to the maximum.
    for (const int wait : {100, 200, 400, 400}) {
        t.failed("ann", "10.0.0.4");
        now += milliseconds(wait - 1);
        EXPECT_FALSE(t.allowed("ann", "10.0.0.3")) << wait;
        now += milliseconds(1);
        EXPECT_TRUE(t.allowed("ann", "10.0.0.3")) << wait;
    }
    EXPECT_TRUE(t.allowed("bob", "10.0.0.3"));
    // The address that failed three times and more is held for every name.
    t.failed("bob", "10.0.0.4");
    EXPECT_FALSE(t.allowed("carl", "10.0.0.4"));
    t.failed("ann", "10.0.0.5");
    EXPECT_FALSE(t.allowed("ann", "10.0.0.9"));
    t.succeeded("ann");  // clears the name, not the address
    EXPECT_TRUE(t.allowed("ann", "10.0.0.9"));
    EXPECT_FALSE(t.allowed("carl", "10.0.0.4"));
    now += seconds(11);
    t.failed("carl", "10.0.0.4");  // the earlier failures are forgotten: a free one
    EXPECT_TRUE(t.allowed("dora", "10.0.0.4"));
}
