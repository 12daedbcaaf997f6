// The test of the particle rows that their conditions cannot say: a word
// whose characters are doubled. The rows themselves are in
// data/rules/particles.rules.
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
// 慢慢, 好好, 安安静静: AA or AABB.
bool doubled(const word_context& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    return (w.size() == 2 && w[0] == w[1]) || (w.size() == 4 && w[0] == w[1] && w[2] == w[3]);
}
}  // namespace

void particle_predicates(word_predicate_table& table) { table["doubled"] = doubled; }

}  // namespace velmo_service
