// sp_http_post_soap: one HTTP POST of a SOAP 1.2 envelope over libcurl.
//
// Each thread owns one curl handle per channel for its whole life. libcurl keeps its
// connection cache inside the handle, so consecutive calls from a thread reuse
// the open connection to the same service, and no handle is ever touched by
// two threads at once.
#include <curl/curl.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <new>

#include "sp.h"
#include "sp_string_buffer.h"

namespace {

std::once_flag curl_global_once;

class thread_curl_handle {
  public:
    thread_curl_handle() = default;
    thread_curl_handle(const thread_curl_handle&) = delete;
    thread_curl_handle& operator=(const thread_curl_handle&) = delete;
    ~thread_curl_handle() {
        if (handle_ != nullptr) curl_easy_cleanup(handle_);
    }

    // The thread's handle with every option back at its default; its
    // connection cache survives the reset.
    CURL* fresh() {
        if (handle_ == nullptr) {
            std::call_once(curl_global_once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
            handle_ = curl_easy_init();
        } else {
            curl_easy_reset(handle_);
        }
        return handle_;
    }

  private:
    CURL* handle_ = nullptr;
};

// Each thread has a handle, and so an open connection, per channel.
const int kChannels = 16;
thread_local thread_curl_handle t_curl[kChannels];
thread_local int t_channel = 0;

// The calling thread's stop test, polled while a request is in flight.
struct abort_test {
    sp_http_abort_fn test = nullptr;
    void* context = nullptr;
};
thread_local abort_test t_abort;

// An answer larger than this is not a service answer (a wrong address or a
// server that keeps streaming); the call fails as if nothing had arrived.
const size_t kMaxAnswerBytes = 16u * 1024u * 1024u;
// Without a limit a silent server would hold the caller for ever.
const long kDefaultTimeoutSeconds = 60;
// libcurl keeps time-outs in milliseconds in an int and refuses a longer one.
const long kMaxTimeoutSeconds = 2147483;

struct header_list {
    curl_slist* list = nullptr;
    ~header_list() { curl_slist_free_all(list); }
    bool add(const char* line) {
        curl_slist* grown = curl_slist_append(list, line);
        if (grown == nullptr) return false;
        list = grown;
        return true;
    }
};

size_t append_to_body(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<sp_string_buffer*>(user);
    const size_t bytes = size * count;
    if (bytes > kMaxAnswerBytes - body->bytes.size()) {
        body->too_large = true;
        return 0;
    }
    try {
        body->bytes.append(data, bytes);
    } catch (...) {
        return 0;  // a short count makes libcurl abort the transfer
    }
    return bytes;
}

// libcurl calls this often during a transfer and about once a second while
// waiting; a non-zero return ends the transfer.
int abort_if_asked(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* abort = static_cast<const abort_test*>(user);
    return abort->test(abort->context) != 0 ? 1 : 0;
}

bool configure(CURL* curl, const char* url, int timeout_seconds, const char* envelope,
               const header_list& headers, sp_string_buffer* body) {
    const char* payload = envelope != nullptr ? envelope : "";
    bool ok = curl_easy_setopt(curl, CURLOPT_URL, url) == CURLE_OK;
#if LIBCURL_VERSION_NUM >= 0x075500
    ok = ok && curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
#else
    ok = ok && curl_easy_setopt(curl, CURLOPT_PROTOCOLS,
                                static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS)) == CURLE_OK;
#endif
    ok = ok && curl_easy_setopt(curl, CURLOPT_POST, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_POSTFIELDS, payload) == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                                static_cast<curl_off_t>(sp_string_length(payload))) == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list) == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append_to_body) == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_WRITEDATA, body) == CURLE_OK;
    // Signals cannot be used for time-outs in a multi-threaded host.
    ok = ok && curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    const long timeout = timeout_seconds <= 0                   ? kDefaultTimeoutSeconds
                         : timeout_seconds > kMaxTimeoutSeconds ? kMaxTimeoutSeconds
                                                                : timeout_seconds;
    ok = ok && curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeout) == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                                static_cast<curl_off_t>(kMaxAnswerBytes)) == CURLE_OK;
    if (t_abort.test != nullptr) {
        ok = ok && curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abort_if_asked) == CURLE_OK;
        ok = ok && curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t_abort) == CURLE_OK;
        ok = ok && curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
    }
    return ok;
}

sp_http_response_t* post(const char* url, int timeout_seconds, const char* envelope) {
    if (url == nullptr || *url == '\0') return nullptr;
    CURL* curl = t_curl[t_channel].fresh();
    if (curl == nullptr) return nullptr;

    header_list headers;
    // "Expect:" stops libcurl from waiting for a 100-continue on large envelopes.
    if (!headers.add("Content-Type: application/soap+xml; charset=utf-8") ||
        !headers.add("Expect:")) {
        return nullptr;
    }
    std::unique_ptr<sp_string_buffer> body(new sp_string_buffer);
    const bool configured = configure(curl, url, timeout_seconds, envelope, headers, body.get());
    const CURLcode result = configured ? curl_easy_perform(curl) : CURLE_FAILED_INIT;
    long status = 0;
    if (result == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    // The header list and the body die with this call; the handle must not keep them.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, static_cast<void*>(nullptr));
    if (result != CURLE_OK || status <= 0) {
        // Callers can tell an oversized answer from no answer at all.
        const bool too_large =
            result == CURLE_FILESIZE_EXCEEDED || (result == CURLE_WRITE_ERROR && body->too_large);
        if (too_large)
            errno = EFBIG;
        else if (errno == EFBIG)
            errno = EIO;
        return nullptr;
    }

    auto* response = new sp_http_response_t;
    response->status = static_cast<int>(status);
    response->body = body.release();
    return response;
}

}  // namespace

extern "C" {

sp_http_response_t* sp_http_post_soap(const char* url, int timeout_seconds, const char* envelope) {
    try {
        return post(url, timeout_seconds, envelope);
    } catch (...) {
        return nullptr;  // out of memory: no answer obtained
    }
}

void sp_http_set_channel(int channel) {
    t_channel = channel >= 0 && channel < kChannels ? channel : 0;
}

void sp_http_set_abort(sp_http_abort_fn test, void* context) {
    t_abort.test = test;
    t_abort.context = test != nullptr ? context : nullptr;
}

void sp_http_response_free(sp_http_response_t* response) {
    if (response == nullptr) return;
    delete response->body;
    delete response;
}

}  // extern "C"
