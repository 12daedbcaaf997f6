#include "rules/service_profile.h"

namespace velmo_service {

namespace {
constexpr std::string_view names[] = {"office", "learners"};
}

std::string_view profile_name(check_profile profile) { return names[static_cast<int>(profile)]; }

bool profile_named(std::string_view name, check_profile& out) {
    for (int i = 0; i < 2; ++i)
        if (names[i] == name) {
            out = static_cast<check_profile>(i);
            return true;
        }
    return false;
}

}  // namespace velmo_service
