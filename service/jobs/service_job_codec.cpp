#include "jobs/service_job_codec.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

namespace velmo_service {

namespace {
// Reads the text piece by piece; any malformed piece makes the reader fail.
class reader {
  public:
    explicit reader(const std::string& text) : text_(text) {}
    bool number(std::uint64_t& out) {
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] >= '0' && text_[end] <= '9') ++end;
        if (end == pos_ || end - pos_ > 19 || end >= text_.size()) return fail();
        out = std::stoull(text_.substr(pos_, end - pos_));
        pos_ = end + 1;  // the separator after the number
        return true;
    }
    bool string(std::string& out) {
        std::uint64_t size = 0;
        if (!number(size) || text_[pos_ - 1] != ':' || size > text_.size() - pos_) return fail();
        out = text_.substr(pos_, size);
        pos_ += size;
        return true;
    }
    bool at_end() const { return ok_ && pos_ == text_.size(); }

  private:
    bool fail() { return ok_ = false; }
    const std::string& text_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

void put_string(std::string& out, const std::string& s) {
    out += std::to_string(s.size());
    out += ':';
    out += s;
}
}  // namespace

std::string job_encode_options(const check_options& o) {
    std::ostringstream out;
    out << o.general << ' ' << o.match_dots << ' ' << o.leader_sort << ' ' << o.english << ' '
        << o.traditional << ' ' << o.leader << ' ' << o.taiwan << ' ' << o.user_errors << ' '
        << o.weight << ' ' << o.prof_type << ';';
    return out.str();
}

std::optional<check_options> job_decode_options(const std::string& text) {
    reader r(text);
    std::uint64_t v[10];
    for (std::uint64_t& x : v)
        if (!r.number(x)) return std::nullopt;
    if (!r.at_end()) return std::nullopt;
    check_options o;
    bool* flags[] = {&o.general,     &o.match_dots, &o.leader_sort, &o.english,
                     &o.traditional, &o.leader,     &o.taiwan,      &o.user_errors};
    for (int i = 0; i < 8; ++i) *flags[i] = v[i] != 0;
    o.weight = static_cast<int>(v[8]);
    o.prof_type = static_cast<int>(v[9]);
    return o;
}

std::string job_encode_findings(const std::vector<finding>& findings) {
    std::string out = std::to_string(findings.size()) + ';';
    for (const finding& f : findings) {
        out += std::to_string(f.pos) + ' ' + std::to_string(f.length) + ' ' +
               std::to_string(f.level) + ' ' + std::to_string(f.suggestions.size()) + ' ';
        put_string(out, f.err_word);
        for (const std::string& s : f.suggestions) put_string(out, s);
    }
    // The messages follow as one block, only when a finding has one, so that
    // findings stored before messages existed read back unchanged.
    const bool any_message = std::any_of(findings.begin(), findings.end(),
                                         [](const finding& f) { return !f.message.empty(); });
    if (any_message)
        for (const finding& f : findings) put_string(out, f.message);
    return out;
}

std::optional<std::vector<finding>> job_decode_findings(const std::string& text) {
    reader r(text);
    std::uint64_t count = 0;
    if (!r.number(count) || count > text.size()) return std::nullopt;
    std::vector<finding> out(static_cast<std::size_t>(count));
    for (finding& f : out) {
        std::uint64_t pos = 0, length = 0, level = 0, suggestions = 0;
        if (!r.number(pos) || !r.number(length) || !r.number(level) || !r.number(suggestions) ||
            suggestions > text.size() || !r.string(f.err_word))
            return std::nullopt;
        f.pos = static_cast<std::size_t>(pos);
        f.length = static_cast<std::size_t>(length);
        f.level = static_cast<int>(level);
        f.suggestions.resize(static_cast<std::size_t>(suggestions));
        for (std::string& s : f.suggestions)
            if (!r.string(s)) return std::nullopt;
    }
    if (!r.at_end())
        for (finding& f : out)
            if (!r.string(f.message)) return std::nullopt;
    if (!r.at_end()) return std::nullopt;
    return out;
}

}  // namespace velmo_service
