// Local date and time texts in the forms the service protocol uses.
#pragma once

#include <string>

namespace velmo_service {

std::string clock_now_text();    // yyyy-MM-ddThh:mm:ss
std::string clock_today_text();  // yyyy-MM-dd
// True for a valid yyyy-MM-dd date.
bool clock_is_date(const std::string& text);

}  // namespace velmo_service
