// A paragraph with an error every third character and the records that mark
// each error, for the benchmarks that place and walk many marks.
#pragma once

#include <QList>
#include <QString>

#include "document/velmo_check_progress.h"

QString bench_text_with_errors(int marks);
QList<velmo_check_result_t> bench_records_for(int marks);
