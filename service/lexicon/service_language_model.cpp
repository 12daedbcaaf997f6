#include "lexicon/service_language_model.h"

#include <libime/core/languagemodel.h>
#include <libime/core/lattice.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <vector>

namespace velmo_service {

namespace {
// The model's words are at most this many characters long as far as the
// stretches we score are concerned.
constexpr std::size_t longest_word = 6;

// The character model counts fully in a sentence whose characters average at
// least this log10 chance under it (the learners' essays it was counted from
// read about -2, manuals and office prose about -3.4), not at all at or below
// the lower bound, and in proportion in between.
constexpr double char_share_full = -2.6;
constexpr double char_share_none = -3.4;

bool is_han(char16_t c) { return c >= 0x4E00 && c <= 0x9FFF; }

// The index of words the model does not know (KenLM's).
constexpr libime::WordIndex unknown_index = 0;

// What the model says of a stretch of the text.
struct word_look {
    bool scored = false;  // a word of the model, or a lone character (which always counts)
    bool longer = true;   // longer words may start with this stretch
    libime::WordIndex index = 0;
};

// UTF-8 of `text` into `utf8`, with the offset of every unit (and of the end) in `at`.
void encode(std::u16string_view text, std::string& utf8, std::vector<std::size_t>& at) {
    utf8.clear();
    at.clear();
    for (char16_t c : text) {  // the runs scored hold Chinese characters of the BMP only
        at.push_back(utf8.size());
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    at.push_back(utf8.size());
}

// UTF-16 of a word of one- to three-byte UTF-8 characters; empty for anything else
// (a word with a character beyond the BMP is never asked for: see encode).
std::u16string utf16_of(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t width = b < 0x80             ? 1
                                  : (b & 0xE0) == 0xC0 ? 2
                                  : (b & 0xF0) == 0xE0 ? 3
                                                       : 0;
        if (width == 0 || i + width > utf8.size()) return {};
        char32_t c = width == 1 ? b : width == 2 ? b & 0x1F : b & 0x0F;
        for (std::size_t k = 1; k < width; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) return {};
            c = c << 6 | (next & 0x3F);
        }
        out += static_cast<char16_t>(c);
        i += width;
    }
    return out;
}
}  // namespace

// The model's words of up to `longest_word` UTF-16 units and every beginning
// of them, in one open-addressing hash table keyed by the units themselves.
class language_model::word_table {
  public:
    // Reads the word strings the model file keeps after its data, one per
    // index of the model from "<unk>" to the end of the file. False when they
    // are not there or do not name every index of the model once.
    bool build(const std::string& path, const libime::LanguageModel& model) {
        static constexpr std::string_view unknown_word = "<unk>";
        if (model.unknown() != unknown_index) return false;
        // The list is a small part at the end: read ever more of the end until it begins.
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        const std::streamoff file_size = in.tellg();
        if (!in || file_size <= 0) return false;
        std::string bytes;
        std::size_t start = std::string::npos;
        for (std::streamoff tail = 1 << 20; start == std::string::npos; tail *= 2) {
            tail = std::min(tail, file_size);
            bytes.resize(static_cast<std::size_t>(tail));
            in.seekg(file_size - tail);
            if (!in.read(bytes.data(), tail)) return false;
            start = bytes.rfind(std::string(unknown_word) + '\0');
            if (start == std::string::npos && tail == file_size) return false;
        }
        struct word {
            std::u16string units;
            libime::WordIndex index;
        };
        std::vector<word> words;
        std::vector<bool> seen;
        for (std::size_t at = start; at < bytes.size();) {
            std::size_t end = bytes.find('\0', at);
            if (end == std::string::npos) end = bytes.size();
            const std::string_view w(bytes.data() + at, end - at);
            at = end + 1;
            const libime::WordIndex index = model.index(w);
            if (index == model.unknown() && w != unknown_word) return false;  // not the word list
            if (index >= seen.size()) seen.resize(index + 1, false);
            if (seen[index]) return false;
            seen[index] = true;
            std::u16string units = utf16_of(w);
            if (index != model.unknown() && !units.empty() && units.size() <= longest_word)
                words.push_back({std::move(units), index});
        }
        for (bool s : seen)
            if (!s) return false;
        // Words and their beginnings fill less than half the slots.
        std::size_t capacity = 1024;
        while (capacity < words.size() * 3) capacity *= 2;
        slots_.assign(capacity, slot{});
        for (const word& w : words) {
            for (std::size_t len = 1; len < w.units.size(); ++len)
                place(w.units.data(), len).longer = true;
            slot& s = place(w.units.data(), w.units.size());
            s.index = w.index;
        }
        word_count_ = words.size();
        return true;
    }

    std::size_t size() const { return word_count_; }

    word_look find(const char16_t* units, std::size_t len) const {
        const slot k = key_of(units, len);
        const std::size_t mask = slots_.size() - 1;
        bool longer = false;
        for (std::size_t i = hash(k) & mask; slots_[i].length != 0; i = (i + 1) & mask) {
            const slot& s = slots_[i];
            if (!same_key(s, k)) continue;
            if (s.index != unknown_index) return {true, s.longer, s.index};
            longer = s.longer;
            break;
        }
        // A lone character the model does not know scores as the unknown word.
        return {len == 1, longer, unknown_index};
    }

  private:
    // A stretch is its units (0-3 in `head`, 4-5 in `tail`) and its length,
    // never 0 for a stretch, so that 0 marks an empty slot.
    struct slot {
        std::uint64_t head = 0;
        std::uint32_t tail = 0;
        std::uint8_t length = 0;
        bool longer = false;                      // the beginning of a longer word
        libime::WordIndex index = unknown_index;  // unknown: only the beginning of a word
    };

    static slot key_of(const char16_t* units, std::size_t len) {
        slot k;
        for (std::size_t i = 0; i < len && i < 4; ++i)
            k.head |= static_cast<std::uint64_t>(units[i]) << (16 * i);
        for (std::size_t i = 4; i < len; ++i)
            k.tail |= static_cast<std::uint32_t>(units[i]) << (16 * (i - 4));
        k.length = static_cast<std::uint8_t>(len);
        return k;
    }
    static bool same_key(const slot& a, const slot& b) {
        return a.head == b.head && a.tail == b.tail && a.length == b.length;
    }
    static std::size_t hash(const slot& k) {
        const std::uint64_t t = static_cast<std::uint64_t>(k.tail) << 8 | k.length;
        const std::uint64_t h = (k.head ^ (t * 0x9E3779B97F4A7C15ULL)) * 0xff51afd7ed558ccdULL;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }

    slot& place(const char16_t* units, std::size_t len) {
        const slot k = key_of(units, len);
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash(k) & mask;
        while (slots_[i].length != 0 && !same_key(slots_[i], k)) i = (i + 1) & mask;
        if (slots_[i].length == 0) slots_[i] = k;
        return slots_[i];
    }

    std::vector<slot> slots_;
    std::size_t word_count_ = 0;
};

language_model::language_model() = default;
language_model::~language_model() = default;

bool language_model::load(const std::string& path, bool word_table) {
    struct stat st;
    model_.reset();
    words_.reset();
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    try {
        model_ = std::make_unique<libime::LanguageModel>(path.c_str());
    } catch (const std::exception&) {
        model_.reset();
        return false;
    }
    if (word_table) {
        words_ = std::make_unique<language_model::word_table>();
        if (!words_->build(path, *model_)) words_.reset();
    }
    return true;
}

bool language_model::load_characters(const std::string& path, double weight) {
    chars_ = char_model();
    char_weight_ = chars_.load(path) ? weight : 0;
    return char_weight_ != 0;
}

std::size_t language_model::table_size() const { return words_ ? words_->size() : 0; }

template <class Lookup>
double language_model::best_path_score(std::u16string_view text, const Lookup& lookup) const {
    // The most probable split into known words under the full model, left to
    // right, keeping at each place the best path that reaches it (and the
    // model's state after it); a lone character is always allowed.
    const std::size_t n = text.size();
    thread_local std::vector<double> best;
    thread_local std::vector<libime::State> state;
    best.assign(n + 1, -std::numeric_limits<double>::infinity());
    state.resize(n + 1);
    best[0] = 0;
    state[0] = model_->nullState();
    libime::WordNode node({}, model_->unknown());
    libime::State out;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t len = 1; len <= longest_word && i + len <= n; ++len) {
            const word_look w = lookup(i, len);
            if (w.scored) {
                node.setIdx(w.index);
                const double s = best[i] + model_->score(state[i], node, out);
                if (s > best[i + len]) {
                    best[i + len] = s;
                    state[i + len] = out;
                }
            }
            if (!w.longer) break;
        }
    }
    return best[n];
}

double language_model::score(std::u16string_view text, double char_share) const {
    if (!model_ || text.empty()) return 0;
    const double chars = char_weight_ * char_share;
    return words_score(text) + (chars != 0 ? chars * chars_.score(text) : 0);
}

double language_model::char_share(std::u16string_view sentence) const {
    if (char_weight_ == 0) return 0;
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < sentence.size();) {
        if (!is_han(sentence[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < sentence.size() && is_han(sentence[end])) ++end;
        sum += chars_.score(sentence.substr(i, end - i));
        count += end - i;
        i = end;
    }
    if (count == 0) return 0;
    return std::clamp(
        (sum / static_cast<double>(count) - char_share_none) / (char_share_full - char_share_none),
        0.0, 1.0);
}

double language_model::words_score(std::u16string_view text) const {
    if (!model_ || text.empty()) return 0;
    if (words_)
        return best_path_score(text, [&](std::size_t i, std::size_t len) {
            return words_->find(text.data() + i, len);
        });
    // Without the table every stretch is looked up in the model.
    std::string utf8;
    std::vector<std::size_t> at;
    encode(text, utf8, at);
    return best_path_score(text, [&](std::size_t i, std::size_t len) {
        const std::string_view w(utf8.data() + at[i], at[i + len] - at[i]);
        word_look look;
        look.index = model_->index(w);
        if (len > 1 && look.index == model_->unknown()) return look;
        look.scored = true;
        return look;
    });
}

}  // namespace velmo_service
