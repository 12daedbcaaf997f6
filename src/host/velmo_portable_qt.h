// Qt calls whose usual spelling in Qt 5.15's headers binds to functions that
// older Qt 5 releases lack. The plug-in runs inside the Qt the host ships, so
// it uses these forms instead; plugin_symbol_versions_test prints the oldest
// Qt 5 the library needs.
#ifndef VELMO_HOST_VELMO_PORTABLE_QT_H
#define VELMO_HOST_VELMO_PORTABLE_QT_H

#include <QString>
#include <QStringList>
#include <algorithm>

// `text` cut at every `separator` (not empty), empty parts kept, as
// QString::split does (whose overloads in the 5.15 headers are 5.14's).
inline QStringList velmo_split(const QString& text, const QString& separator) {
    QStringList parts;
    int from = 0;
    for (int at = text.indexOf(separator); at >= 0; at = text.indexOf(separator, from)) {
        parts << text.mid(from, at - from);
        from = at + separator.size();
    }
    parts << text.mid(from);
    return parts;
}

// `pattern` with its markers %1 … %99 replaced in one pass, so that a value
// holding "%2" stays as it is: the lowest marker number takes the first value,
// the next one the second, and so on, as QString::arg(a, b, …) does (whose
// helper in the 5.15 headers is 5.14's).
inline QString velmo_args(const QString& pattern, const QStringList& values) {
    auto marker_at = [&pattern](int i, int* length) {
        if (pattern[i] != QLatin1Char('%') || i + 1 >= pattern.size() || !pattern[i + 1].isDigit())
            return -1;
        int number = pattern[i + 1].digitValue();
        *length = 2;
        if (i + 2 < pattern.size() && pattern[i + 2].isDigit()) {
            number = number * 10 + pattern[i + 2].digitValue();
            *length = 3;
        }
        return number;
    };
    QList<int> numbers;
    int length = 0;
    for (int i = 0; i < pattern.size(); ++i) {
        const int number = marker_at(i, &length);
        if (number >= 0 && !numbers.contains(number)) numbers << number;
    }
    std::sort(numbers.begin(), numbers.end());
    QString result;
    for (int i = 0; i < pattern.size(); ++i) {
        const int index = numbers.indexOf(marker_at(i, &length));
        if (index >= 0 && index < values.size()) {
            result += values[index];
            i += length - 1;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

#endif
