#include "lexicon/service_run_words.h"

#include <algorithm>

namespace velmo_service {

namespace {
bool inside(const chinese_run& run, std::ptrdiff_t t) {
    return t >= 0 && static_cast<std::size_t>(t) < run.tokens.size();
}
}  // namespace

std::u16string_view run_words::word(std::ptrdiff_t t) const {
    if (!inside(run, t)) return {};
    const lexicon_token& token = run.tokens[static_cast<std::size_t>(t)];
    return run.text.substr(token.begin, token.length());
}

std::string_view run_words::tag(std::ptrdiff_t t) const {
    if (!inside(run, t)) return {};
    return words.tag_name(run.tokens[static_cast<std::size_t>(t)].word.tag);
}

bool run_words::tagged(std::ptrdiff_t t, std::initializer_list<std::string_view> tags) const {
    return std::find(tags.begin(), tags.end(), tag(t)) != tags.end();
}

bool word_one_of(std::u16string_view w, std::initializer_list<std::u16string_view> list) {
    return std::find(list.begin(), list.end(), w) != list.end();
}

bool personal_pronoun(std::u16string_view w) {
    return word_one_of(w, {u"我", u"你", u"您", u"他", u"她", u"我们", u"你们", u"他们", u"她们"});
}

}  // namespace velmo_service
