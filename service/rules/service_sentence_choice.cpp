#include "rules/service_sentence_choice.h"

#include <algorithm>

#include "base/service_text.h"

namespace velmo_service {

namespace {

struct proposal {
    std::size_t index;  // into the findings
    std::size_t at;     // offset in the run
    std::size_t length;
    std::u16string with;
    double log_chance;  // of the slip the change undoes
    double gain = 0;    // of this change alone
};

// The run with the changes of `chosen` (ordered by place, apart) made.
std::u16string applied(std::u16string_view run, const std::vector<const proposal*>& chosen) {
    std::u16string out;
    std::size_t from = 0;
    for (const proposal* p : chosen) {
        out.append(run.substr(from, p->at - from));
        out += p->with;
        from = p->at + p->length;
    }
    out.append(run.substr(from));
    return out;
}

double score_with(const language_model& model, std::u16string_view run, double char_share,
                  std::vector<const proposal*> chosen) {
    std::sort(chosen.begin(), chosen.end(),
              [](const proposal* a, const proposal* b) { return a->at < b->at; });
    return model.score(applied(run, chosen), char_share);
}

// Marks in `dropped` the findings of `props` that lose to another in the run.
void settle_run(const language_model& model, std::u16string_view run, double char_share,
                std::vector<proposal>& props, std::vector<bool>& dropped) {
    // Two guesses that make the same text (以经 → 已经, 以 → 已) are one: the first found stays.
    const double written = model.score(run, char_share);
    std::vector<proposal> distinct;
    std::vector<std::u16string> made;
    for (proposal& p : props) {
        std::u16string text = applied(run, {&p});
        if (std::find(made.begin(), made.end(), text) != made.end()) {
            dropped[p.index] = true;
            continue;
        }
        p.gain = model.score(text, char_share) - written;
        made.push_back(std::move(text));
        distinct.push_back(std::move(p));
    }
    props = std::move(distinct);
    // Of overlapping guesses the likelier stays: the model's gain plus the
    // chance of the slip (付件 is likelier 附件 typed by sound than 条件 by shape).
    std::stable_sort(props.begin(), props.end(), [](const proposal& a, const proposal& b) {
        return a.gain + a.log_chance > b.gain + b.log_chance;
    });
    std::vector<const proposal*> kept;
    for (const proposal& p : props) {
        const bool near = std::any_of(kept.begin(), kept.end(), [&](const proposal* k) {
            return p.at < k->at + k->length && k->at < p.at + p.length;
        });
        if (near)
            dropped[p.index] = true;
        else
            kept.push_back(&p);
    }
    while (kept.size() > 1) {
        const double together = score_with(model, run, char_share, kept);
        std::size_t weakest = 0;
        double weakest_gain = 0;
        for (std::size_t k = 0; k < kept.size(); ++k) {
            std::vector<const proposal*> rest = kept;
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(k));
            const double gain = together - score_with(model, run, char_share, rest);
            if (k == 0 || gain < weakest_gain) {
                weakest = k;
                weakest_gain = gain;
            }
        }
        if (weakest_gain > 0) break;
        dropped[kept[weakest]->index] = true;
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(weakest));
    }
}

bool overlap(const finding& a, const finding& b) {
    return a.pos < b.pos + b.length && b.pos < a.pos + a.length;
}

}  // namespace

void sentence_choose_jointly(const language_model& model, const std::vector<chinese_run>& runs,
                             const std::vector<double>& char_shares,
                             const std::vector<bool>& weighed, std::vector<finding>& findings) {
    std::vector<bool> dropped(findings.size(), false);
    if (!model.ready()) {
        // Nothing to weigh them with: of overlapping findings the first stands.
        for (std::size_t i = 0; i < findings.size(); ++i)
            for (std::size_t k = 0; k < i && weighed[i] && !dropped[i]; ++k)
                dropped[i] = weighed[k] && !dropped[k] && overlap(findings[k], findings[i]);
    }
    for (std::size_t r = 0; r < runs.size() && model.ready(); ++r) {
        const chinese_run& run = runs[r];
        std::vector<proposal> props;
        for (std::size_t i = 0; i < findings.size(); ++i) {
            const finding& f = findings[i];
            if (!weighed[i] || f.suggestions.empty() || f.pos < run.offset ||
                f.pos + f.length > run.offset + run.text.size())
                continue;
            props.push_back({i, f.pos - run.offset, f.length, text_utf8_to_utf16(f.suggestions[0]),
                             f.log_chance});
        }
        if (props.size() > 1) settle_run(model, run.text, char_shares[r], props, dropped);
    }
    std::size_t next = 0;
    for (std::size_t i = 0; i < findings.size(); ++i)
        if (!dropped[i]) {
            if (next != i) findings[next] = std::move(findings[i]);
            ++next;
        }
    findings.resize(next);
}

}  // namespace velmo_service
