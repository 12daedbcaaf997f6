#include "api/velmo_api_envelope.h"

namespace {

bool is_digit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Code units that may not appear as text in the envelope: the article is
// posted as character data, and a lone surrogate or a non-character would
// make the whole envelope unreadable for the service.
bool needs_blanking(QChar c, QChar previous, QChar next) {
    const ushort u = c.unicode();
    if (u < 0x20 || u == '<' || u == '>' || u == '&') return true;
    if (u == 0xFFFE || u == 0xFFFF) return true;
    if (c.isHighSurrogate()) return !next.isLowSurrogate();
    if (c.isLowSurrogate()) return !previous.isHighSurrogate();
    return false;
}

}  // namespace

QString velmo_api_fill_template(const char* template_text, const QStringList& values) {
    const QString text = QString::fromUtf8(template_text);
    QString filled;
    filled.reserve(text.size() + 64);
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && i + 1 < text.size() && is_digit(text[i + 1])) {
            int number = text[i + 1].digitValue();
            int digits = 1;
            if (i + 2 < text.size() && is_digit(text[i + 2])) {
                number = number * 10 + text[i + 2].digitValue();
                digits = 2;
            }
            if (number >= 1 && number <= values.size()) {
                filled += values[number - 1];
                i += digits;
                continue;
            }
        }
        filled += text[i];
    }
    return filled;
}

QString velmo_api_xml_escape(const QString& value) {
    QString escaped;
    escaped.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
            case '&':
                escaped += QLatin1String("&amp;");
                break;
            case '<':
                escaped += QLatin1String("&lt;");
                break;
            case '>':
                escaped += QLatin1String("&gt;");
                break;
            case '"':
                escaped += QLatin1String("&quot;");
                break;
            case '\'':
                escaped += QLatin1String("&apos;");
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

QString velmo_api_sanitize_article(const QString& article) {
    QString sanitized = article;
    const int size = sanitized.size();
    for (int i = 0; i < size; ++i) {
        const QChar previous = i > 0 ? article[i - 1] : QChar();
        const QChar next = i + 1 < size ? article[i + 1] : QChar();
        if (needs_blanking(article[i], previous, next)) sanitized[i] = QLatin1Char(' ');
    }
    return sanitized;
}
