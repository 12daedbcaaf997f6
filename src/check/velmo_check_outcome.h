// What one "校对" came to, as data. The closing message box carries it as the
// property VELMO_CHECK_OUTCOME_PROPERTY, so that a program driving the
// plug-in (the batch command) reads the outcome instead of the box's text.
#ifndef VELMO_CHECK_VELMO_CHECK_OUTCOME_H
#define VELMO_CHECK_VELMO_CHECK_OUTCOME_H

#include <QString>
#include <QVariantMap>

extern const char* const VELMO_CHECK_OUTCOME_PROPERTY;  // "velmo_check_outcome"

struct velmo_check_outcome_t {
    int marks = 0;             // error marks placed
    bool reached_max = false;  // the check stopped at the length limit
    int unchecked_pieces = 0;  // stretches the host did not give, pieces the service did not check
    QString unchecked_reason;  // why the first of them was not checked
    int unplaced_errors = 0;   // errors reported where the document does not hold their text
};

QVariantMap velmo_check_outcome_to_map(const velmo_check_outcome_t& outcome);
// False when the map does not hold an outcome (the property was not set).
bool velmo_check_outcome_from_map(const QVariantMap& map, velmo_check_outcome_t& outcome);

#endif
