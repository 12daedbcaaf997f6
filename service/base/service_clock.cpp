#include "base/service_clock.h"

#include <ctime>

namespace velmo_service {

namespace {
std::string format_now(const char* format) {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, format, &local);
    return buf;
}
}  // namespace

std::string clock_now_text() { return format_now("%Y-%m-%dT%H:%M:%S"); }
std::string clock_today_text() { return format_now("%Y-%m-%d"); }

bool clock_is_date(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9') return false;
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

}  // namespace velmo_service
