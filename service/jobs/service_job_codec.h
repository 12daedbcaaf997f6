// A job's options and findings as text, so that a job kept in a database can
// be checked by one instance and answered by another. Strings are stored
// with their byte length, so any content survives unchanged.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "rules/service_finding.h"

namespace velmo_service {

std::string job_encode_options(const check_options& options);
std::optional<check_options> job_decode_options(const std::string& text);

std::string job_encode_findings(const std::vector<finding>& findings);
// Nothing for text that is not a complete encoding.
std::optional<std::vector<finding>> job_decode_findings(const std::string& text);

}  // namespace velmo_service
