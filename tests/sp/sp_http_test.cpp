// The SOAP POST of libsp against real HTTP servers on the loopback interface.
#include <gtest/gtest.h>
#include <sp.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "loopback_server.h"

namespace {

struct response_deleter {
    void operator()(sp_http_response_t* response) const { sp_http_response_free(response); }
};
using response_ptr = std::unique_ptr<sp_http_response_t, response_deleter>;

response_ptr post(const std::string& url, int timeout, const std::string& envelope) {
    return response_ptr(sp_http_post_soap(url.c_str(), timeout, envelope.c_str()));
}

std::string body_of(const response_ptr& response) {
    return std::string(sp_string_buffer_string(response->body),
                       sp_string_buffer_length(response->body));
}

// A port on which nobody listens: taken from a server that has gone again.
int closed_port() {
    loopback_server gone([](httplib::Server&) {});
    return gone.port();
}

TEST(sp_http_post_soap, answers_hand_back_status_and_body) {
    std::mutex mutex;
    std::string seen_type, seen_body, seen_method;
    loopback_server server([&](httplib::Server& s) {
        s.Post("/service", [&](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex);
            seen_type = req.get_header_value("Content-Type");
            seen_body = req.body;
            seen_method = req.method;
            res.set_content("<ok>" + req.body.substr(0, 5) + "</ok>", "text/xml");
        });
        s.Post("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<fault>internal</fault>", "text/xml");
        });
    });

    const std::string envelope = "<?xml version=\"1.0\"?><e>\xe6\xa0\xa1\xe5\xaf\xb9</e>";
    response_ptr ok = post(server.url(), 5, envelope);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->status, 200);
    EXPECT_EQ(body_of(ok), "<ok><?xml</ok>");
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(seen_method, "POST");
        EXPECT_EQ(seen_type, "application/soap+xml; charset=utf-8");
        EXPECT_EQ(seen_body, envelope);
    }

    const std::string broken_url = "http://127.0.0.1:" + std::to_string(server.port()) + "/broken";
    response_ptr failed = post(broken_url, 5, envelope);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->status, 500);
    EXPECT_EQ(body_of(failed), "<fault>internal</fault>");

    // An empty answer is still an answer.
    const std::string missing_url = "http://127.0.0.1:" + std::to_string(server.port()) + "/none";
    response_ptr missing = post(missing_url, 5, envelope);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
}

TEST(sp_http_post_soap, large_envelopes_and_answers_arrive_whole) {
    loopback_server server([](httplib::Server& s) {
        s.Post("/service", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.body, "application/soap+xml");
        });
    });
    std::string envelope;
    for (int i = 0; envelope.size() < 3 * 1024 * 1024; ++i) envelope += std::to_string(i) + ";";
    response_ptr echoed = post(server.url(), 10, envelope);
    ASSERT_TRUE(echoed);
    EXPECT_EQ(echoed->status, 200);
    EXPECT_EQ(sp_string_length(sp_string_buffer_string(echoed->body)), envelope.size());
    EXPECT_TRUE(body_of(echoed) == envelope);
}

TEST(sp_http_post_soap, no_answer_gives_null) {
    EXPECT_EQ(sp_http_post_soap(nullptr, 5, "<e/>"), nullptr);
    EXPECT_EQ(sp_http_post_soap("", 5, "<e/>"), nullptr);
    EXPECT_EQ(sp_http_post_soap("http://", 5, "<e/>"), nullptr);
    EXPECT_EQ(sp_http_post_soap("http://127.0.0.1:99999/", 5, "<e/>"), nullptr);
    EXPECT_EQ(sp_http_post_soap("file:///etc/hostname", 5, "<e/>"), nullptr);

    const std::string refused = "http://127.0.0.1:" + std::to_string(closed_port()) + "/";
    EXPECT_EQ(post(refused, 5, "<e/>"), nullptr);
    EXPECT_EQ(post(refused, 0, "<e/>"), nullptr);
}

// A handler that holds its answer back until the test lets it go, so that the
// server can always be stopped at once.
class held_answer {
  public:
    void hold(httplib::Response& res, std::chrono::milliseconds at_most) {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, at_most, [this] { return released_; });
        res.set_content("<late/>", "text/xml");
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool released_ = false;
};

TEST(sp_http_post_soap, time_out_bounds_the_whole_call) {
    held_answer silent;
    loopback_server server([&](httplib::Server& s) {
        s.Post("/service", [&](const httplib::Request&, httplib::Response& res) {
            silent.hold(res, std::chrono::seconds(20));
        });
        // Keeps the connection busy: a byte every 100 ms, never finishing in time.
        s.Post("/trickle", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "text/xml", [](size_t offset, httplib::DataSink& sink) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    if (offset > 60) {
                        sink.done();
                        return true;
                    }
                    return sink.write("x", 1);
                });
        });
    });

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(post(server.url(), 1, "<e/>"), nullptr);
    const std::string trickle = "http://127.0.0.1:" + std::to_string(server.port()) + "/trickle";
    EXPECT_EQ(post(trickle, 1, "<e/>"), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    silent.release();
}

TEST(sp_http_post_soap, zero_time_out_waits_for_a_slow_answer) {
    held_answer slow;
    loopback_server server([&](httplib::Server& s) {
        s.Post("/service", [&](const httplib::Request&, httplib::Response& res) {
            slow.hold(res, std::chrono::milliseconds(1500));
        });
    });
    response_ptr late = post(server.url(), 0, "<e/>");
    ASSERT_TRUE(late);
    EXPECT_EQ(body_of(late), "<late/>");
}

// An endless or oversized answer must not grow the host's memory without
// bound: anything over 16 MiB counts as no answer.
TEST(sp_http_post_soap, answers_over_sixteen_mebibytes_are_refused) {
    const size_t limit = 16u * 1024u * 1024u;
    loopback_server server([&](httplib::Server& s) {
        s.Post("/service", [&](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(req.body == "at" ? limit : limit + 1, 'x'), "text/xml");
        });
        s.Post("/stream", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/xml", [](size_t, httplib::DataSink& sink) {
                const std::string chunk(64 * 1024, 'x');
                return sink.write(chunk.data(), chunk.size());
            });
        });
    });
    response_ptr at_limit = post(server.url(), 30, "at");
    ASSERT_TRUE(at_limit);
    EXPECT_EQ(sp_string_buffer_length(at_limit->body), limit);
    EXPECT_EQ(post(server.url(), 30, "over"), nullptr);
    const std::string stream = "http://127.0.0.1:" + std::to_string(server.port()) + "/stream";
    EXPECT_EQ(post(stream, 30, "<e/>"), nullptr);
}

// The abort test of the calling thread ends a request in flight, however
// long the time-out; other threads are not affected.
TEST(sp_http_post_soap, the_threads_abort_test_ends_a_request_in_flight) {
    held_answer silent;
    std::promise<void> arrived;
    std::once_flag once;
    loopback_server server([&](httplib::Server& s) {
        s.Post("/service", [&](const httplib::Request&, httplib::Response& res) {
            std::call_once(once, [&] { arrived.set_value(); });
            silent.hold(res, std::chrono::seconds(60));
        });
    });
    std::atomic<int> stop{0};
    std::thread caller([&] {
        sp_http_set_abort([](void* flag) { return static_cast<std::atomic<int>*>(flag)->load(); },
                          &stop);
        EXPECT_EQ(post(server.url(), 0, "<e/>"), nullptr);
        sp_http_set_abort(nullptr, nullptr);
    });
    arrived.get_future().wait();
    stop.store(1);
    caller.join();
    silent.release();
}

// A server that echoes each body after "echo:" and records the client port
// of every request, to tell which connection carried it.
struct port_recording_server {
    std::vector<int> ports() {
        std::lock_guard<std::mutex> lock(mutex);
        return client_ports;
    }
    std::mutex mutex;
    std::vector<int> client_ports;
    loopback_server server{[this](httplib::Server& s) {
        s.Post("/service", [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                client_ports.push_back(req.remote_port);
            }
            res.set_content("echo:" + req.body, "text/xml");
        });
    }};
};

// Jobs in flight together each keep their own connection on one thread.
TEST(sp_http_post_soap, each_channel_keeps_its_own_connection) {
    port_recording_server recorder;
    for (int round = 0; round < 2; ++round) {
        for (int channel : {1, 2, 3}) {
            sp_http_set_channel(channel);
            ASSERT_TRUE(post(recorder.server.url(), 5, "<e/>"));
        }
    }
    sp_http_set_channel(0);
    const std::vector<int> ports = recorder.ports();
    ASSERT_EQ(ports.size(), 6u);
    EXPECT_EQ(std::set<int>(ports.begin(), ports.begin() + 3).size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ports[i], ports[i + 3]) << i;
}

TEST(sp_http_post_soap, reuses_the_connection_and_serves_threads_at_once) {
    port_recording_server recorder;
    const loopback_server& server = recorder.server;
    ASSERT_TRUE(post(server.url(), 5, "first"));
    ASSERT_TRUE(post(server.url(), 5, "second"));
    {
        const std::vector<int> client_ports = recorder.ports();
        ASSERT_EQ(client_ports.size(), 2u);
        EXPECT_EQ(client_ports[0], client_ports[1]) << "a second connection was opened";
    }

    std::atomic<int> mismatches{0};
    std::atomic<int> ready{0};
    auto worker = [&](const std::string& name) {
        ++ready;
        while (ready < 2) std::this_thread::yield();
        for (int i = 0; i < 40; ++i) {
            const std::string envelope = name + std::to_string(i);
            response_ptr answer = post(server.url(), 5, envelope);
            if (!answer || answer->status != 200 || body_of(answer) != "echo:" + envelope) {
                ++mismatches;
            }
        }
    };
    std::thread a(worker, "a"), b(worker, "b");
    a.join();
    b.join();
    EXPECT_EQ(mismatches, 0);
    const std::vector<int> client_ports = recorder.ports();
    EXPECT_LE(std::set<int>(client_ports.begin(), client_ports.end()).size(), 6u)
        << "connections are not reused between calls";
}

}  // namespace
