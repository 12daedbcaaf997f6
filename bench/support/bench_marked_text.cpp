#include "bench_marked_text.h"

QString bench_text_with_errors(int marks) {
    QString text;
    text.reserve(marks * 3);
    for (int i = 0; i < marks; ++i) text += QString::fromUtf8("错字，");
    return text;
}

// Levels alternate so that both colours are placed.
QList<velmo_check_result_t> bench_records_for(int marks) {
    QList<velmo_check_result_t> records;
    for (int i = 0; i < marks; ++i) {
        velmo_check_result_t record;
        record.pos = i * 3;
        record.level = 1 + i % 2;
        record.err_word = QString::fromUtf8("错字");
        record.cor_word = QString::fromUtf8("对字");
        records.append(record);
    }
    return records;
}
