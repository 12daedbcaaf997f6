#include "document/velmo_mark_name.h"

const char* const VELMO_ERROR_MARK_PREFIX = "vmjd_error";
const char* const VELMO_FIND_MARK_PREFIX = "vmjd_find";
const char* const VELMO_KEPT_HIGHLIGHT_PREFIX = "vmjd_keep";

namespace {

const QString& hint_prefix() {
    static const QString prefix = QString::fromUtf8("Velmo提示");
    return prefix;
}

// Texts in a name escape what the host refuses in a bookmark name (white
// space, control and format characters), the "_" that separates the parts,
// and the escape sign itself, as the sign and four hex digits of the UTF-16
// unit. The sign is one that texts practically never hold, so the names of
// ordinary texts are the same as before and old names read as before.
const QChar ESCAPE_SIGN(0x00A4);
constexpr int ESCAPE_DIGITS = 4;

bool needs_escape(QChar c) {
    const ushort unit = c.unicode();
    return c == QLatin1Char('_') || c == ESCAPE_SIGN || c.isSpace() || unit < 32 || unit == 127 ||
           c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
}

QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!needs_escape(c)) {
            out += c;
            continue;
        }
        out += ESCAPE_SIGN;
        out += QString::number(c.unicode(), 16)
                   .toUpper()
                   .rightJustified(ESCAPE_DIGITS, QLatin1Char('0'));
    }
    return out;
}

// The unit escaped at `at` (the escape sign), or -1 when no four hex digits
// follow it.
int escaped_unit(const QStringRef& text, int at) {
    if (text.at(at) != ESCAPE_SIGN || at + ESCAPE_DIGITS >= text.size()) return -1;
    int unit = 0;
    for (int i = at + 1; i <= at + ESCAPE_DIGITS; ++i) {
        const ushort c = text.at(i).unicode();
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

// True when every escape sign in the text starts a whole escape.
bool escapes_whole(const QStringRef& text) {
    for (int at = text.indexOf(ESCAPE_SIGN); at >= 0; at = text.indexOf(ESCAPE_SIGN, at + 1))
        if (escaped_unit(text, at) < 0) return false;
    return true;
}

// Digits only, as the name's numbers are written.
bool is_number(const QStringRef& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

QString unescaped(const QStringRef& text) {
    if (!text.contains(ESCAPE_SIGN)) return text.toString();
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const int unit = escaped_unit(text, i);
        if (unit < 0) {
            out += text.at(i);
            continue;
        }
        out += QChar(static_cast<ushort>(unit));
        i += ESCAPE_DIGITS;
    }
    return out;
}

}  // namespace

QString velmo_mark_no_suggestion_text() { return hint_prefix() + QString::fromUtf8("无"); }

QString velmo_mark_fallback_error_text() { return QString::fromUtf8("有错"); }

bool velmo_mark_is_own(const QString& name) {
    return name.startsWith(QLatin1String(VELMO_ERROR_MARK_PREFIX)) ||
           name.startsWith(QLatin1String(VELMO_FIND_MARK_PREFIX));
}

int velmo_mark_length(const velmo_check_result_t& record) {
    return record.span_by_correction != 0 ? record.cor_word.length() : record.err_word.length();
}

void velmo_mark_clean_suggestion(velmo_check_result_t& record) {
    const int length_before = record.cor_word.length();
    record.cor_word.remove(QLatin1Char('<'));
    record.cor_word.remove(QLatin1Char('>'));
    record.cor_word.remove(QLatin1Char('['));
    record.cor_word.remove(QLatin1Char(']'));
    if (record.cor_word.length() != length_before) record.cor_word.prepend(hint_prefix());
}

QString velmo_mark_error_name(const velmo_check_result_t& record) {
    return velmo_mark_error_name(record, record.err_word, record.cor_word);
}

QString velmo_mark_error_name(const velmo_check_result_t& record, const QString& err_word,
                              const QString& cor_word) {
    // Plain concatenation: texts holding "%4" or "%5" must stay as they are.
    const QChar sep = QLatin1Char('_');
    return QLatin1String(VELMO_ERROR_MARK_PREFIX) + sep + QString::number(record.level) + sep +
           QString::number(record.span_by_correction) + sep + escaped(err_word) + sep +
           escaped(cor_word) + sep + QString::number(record.pos);
}

QString velmo_mark_find_name(long start, long end) {
    return QLatin1String(VELMO_FIND_MARK_PREFIX) + QLatin1Char('_') + QString::number(start) +
           QLatin1Char('_') + QString::number(end);
}

namespace {

constexpr int ERROR_NAME_PARTS = 6;

// Offsets of the first separators of an error mark's name; false when the
// name is not one or splits into fewer than six parts. Reading by offsets
// spares the allocations of a full split, which matters when every command
// reads every bookmark of the document.
bool error_name_separators(const QString& name, int (&cuts)[ERROR_NAME_PARTS], int& found) {
    if (!name.startsWith(QLatin1String(VELMO_ERROR_MARK_PREFIX))) return false;
    found = 0;
    for (int from = 0; found < ERROR_NAME_PARTS; ++found) {
        const int at = name.indexOf(QLatin1Char('_'), from);
        if (at < 0) break;
        cuts[found] = at;
        from = at + 1;
    }
    return found >= ERROR_NAME_PARTS - 1;
}

}  // namespace

bool velmo_mark_is_error_name(const QString& name) {
    int cuts[ERROR_NAME_PARTS];
    int found = 0;
    return error_name_separators(name, cuts, found);
}

bool velmo_mark_read_error_name(const QString& name, velmo_check_result_t& record) {
    int cuts[ERROR_NAME_PARTS];
    int found = 0;
    if (!error_name_separators(name, cuts, found)) return false;
    // Part k lies between separator k - 1 and separator k (or the end).
    const auto part = [&](int k) {
        const int begin = cuts[k - 1] + 1;
        // found never passes ERROR_NAME_PARTS; the second test says so to the compiler.
        const int end = k < found && k < ERROR_NAME_PARTS ? cuts[k] : name.size();
        return name.midRef(begin, end - begin);
    };
    record.level = part(2).toInt();
    record.span_by_correction = part(3).toInt();
    record.err_word = unescaped(part(4));
    record.cor_word = unescaped(part(5));
    const QStringRef span = part(3);
    record.sound = found == ERROR_NAME_PARTS && name.indexOf(QLatin1Char('_'), cuts[5] + 1) < 0 &&
                   is_number(part(2)) &&
                   (span == QLatin1String("0") || span == QLatin1String("1")) &&
                   is_number(part(6)) && !record.err_word.isEmpty() && escapes_whole(part(4)) &&
                   escapes_whole(part(5));
    return true;
}

QString velmo_mark_kept_highlight_name(int color, long start, int serial) {
    const QChar sep = QLatin1Char('_');
    return QLatin1String(VELMO_KEPT_HIGHLIGHT_PREFIX) + sep + QString::number(color) + sep +
           QString::number(start) + sep + QString::number(serial);
}

int velmo_mark_read_kept_highlight(const QString& name) {
    const QString prefix = QLatin1String(VELMO_KEPT_HIGHLIGHT_PREFIX) + QLatin1Char('_');
    if (!name.startsWith(prefix)) return -1;
    const int end = name.indexOf(QLatin1Char('_'), prefix.size());
    bool number = false;
    const int color = name.midRef(prefix.size(), end < 0 ? -1 : end - prefix.size()).toInt(&number);
    return number && color > 0 ? color : -1;
}
