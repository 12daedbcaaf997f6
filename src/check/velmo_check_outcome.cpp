#include "check/velmo_check_outcome.h"

const char* const VELMO_CHECK_OUTCOME_PROPERTY = "velmo_check_outcome";

namespace {
const QString MARKS = QStringLiteral("marks");
const QString REACHED_MAX = QStringLiteral("reached_max");
const QString UNCHECKED_PIECES = QStringLiteral("unchecked_pieces");
const QString UNCHECKED_REASON = QStringLiteral("unchecked_reason");
const QString UNPLACED_ERRORS = QStringLiteral("unplaced_errors");
}  // namespace

QVariantMap velmo_check_outcome_to_map(const velmo_check_outcome_t& outcome) {
    return {{MARKS, outcome.marks},
            {REACHED_MAX, outcome.reached_max},
            {UNCHECKED_PIECES, outcome.unchecked_pieces},
            {UNCHECKED_REASON, outcome.unchecked_reason},
            {UNPLACED_ERRORS, outcome.unplaced_errors}};
}

bool velmo_check_outcome_from_map(const QVariantMap& map, velmo_check_outcome_t& outcome) {
    if (!map.contains(MARKS)) return false;
    outcome.marks = map.value(MARKS).toInt();
    outcome.reached_max = map.value(REACHED_MAX).toBool();
    outcome.unchecked_pieces = map.value(UNCHECKED_PIECES).toInt();
    outcome.unchecked_reason = map.value(UNCHECKED_REASON).toString();
    outcome.unplaced_errors = map.value(UNPLACED_ERRORS).toInt();
    return true;
}
