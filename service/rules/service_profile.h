// The kind of prose a check is for. Rows written for the slips of learners'
// essays cost precision on prose typed by native writers, so they belong to
// the learners' profile only; each rule file names the profiles of its rows.
#pragma once

#include <string_view>

namespace velmo_service {

enum class check_profile { office, learners };

// "office" and "learners", as rule files and the service setting write them.
std::string_view profile_name(check_profile profile);
// False when `name` names no profile.
bool profile_named(std::string_view name, check_profile& out);

}  // namespace velmo_service
