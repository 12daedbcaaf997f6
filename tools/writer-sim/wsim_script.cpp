#include "wsim_script.h"

namespace {

struct step_syntax {
    const char* name;
    wsim_step_kind kind;
    int min_args;
    int max_args;
    int numeric_args;  // the first N arguments must be non-negative integers
    const char* usage;
};

const step_syntax k_syntax[] = {
    {"open", wsim_step_kind::open, 1, 1, 0, "open FILE"},
    {"activate", wsim_step_kind::activate, 1, 1, 0, "activate NUMBER|NAME"},
    {"select", wsim_step_kind::select, 2, 2, 2, "select START END"},
    {"cursor", wsim_step_kind::cursor, 1, 1, 1, "cursor POSITION"},
    {"click", wsim_step_kind::click, 1, 1, 0, "click CAPTION"},
    {"answer", wsim_step_kind::answer, 1, 2, 0, "answer BUTTON [TITLE]"},
    {"type", wsim_step_kind::type, 1, 1, 0, "type TEXT"},
    {"close", wsim_step_kind::close, 1, 1, 0, "close TITLE"},
    {"save", wsim_step_kind::save, 0, 0, 0, "save"},
    {"marks", wsim_step_kind::marks, 0, 0, 0, "marks"},
    {"text", wsim_step_kind::text, 0, 0, 0, "text"},
    {"errata", wsim_step_kind::errata, 0, 0, 0, "errata"},
    {"rows", wsim_step_kind::rows, 1, 1, 0, "rows TITLE"},
    {"pick", wsim_step_kind::pick, 2, 2, 0, "pick TITLE ROW"},
    {"press", wsim_step_kind::press, 2, 2, 0, "press TITLE BUTTON"},
    {"expect", wsim_step_kind::expect, 2, 3, 0, "expect marks COUNT | expect rows COUNT TITLE"},
};

const step_syntax* find_syntax(const QString& name) {
    for (const step_syntax& s : k_syntax)
        if (name == QLatin1String(s.name)) return &s;
    return nullptr;
}

const step_syntax* find_syntax(wsim_step_kind kind) {
    for (const step_syntax& s : k_syntax)
        if (s.kind == kind) return &s;
    return nullptr;
}

bool is_count(const QString& word) {
    bool ok = false;
    const qlonglong value = word.toLongLong(&ok);
    return ok && value >= 0 && !word.startsWith(QLatin1Char('+'));
}

QString quoted(const QString& word) {
    if (!word.isEmpty() && !word.contains(QRegExp(QStringLiteral("[\\s\"\\\\]")))) return word;
    QString out = QStringLiteral("\"");
    for (const QChar c : word) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) out += QLatin1Char('\\');
        if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
            continue;
        }
        if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\t");
            continue;
        }
        out += c;
    }
    return out + QLatin1Char('"');
}

}  // namespace

bool wsim_split_words(const QString& line, QStringList& words, QString& error) {
    words.clear();
    QString word;
    bool in_word = false;
    bool in_quotes = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (in_quotes) {
            if (c == QLatin1Char('"')) {
                in_quotes = false;
            } else if (c == QLatin1Char('\\')) {
                if (++i >= line.size()) {
                    error = QStringLiteral("backslash at the end of the line");
                    return false;
                }
                const QChar e = line.at(i);
                word += e == QLatin1Char('n')   ? QChar('\n')
                        : e == QLatin1Char('t') ? QChar('\t')
                                                : e;
            } else {
                word += c;
            }
        } else if (c.isSpace()) {
            if (in_word) words << word;
            word.clear();
            in_word = false;
        } else if (c == QLatin1Char('"')) {
            in_quotes = true;
            in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_quotes) {
        error = QStringLiteral("unclosed quote");
        return false;
    }
    if (in_word) words << word;
    return true;
}

bool wsim_parse_step(const QString& line, int line_number, wsim_step& step, bool& is_step,
                     QString& error) {
    is_step = false;
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) return true;

    QStringList words;
    if (!wsim_split_words(trimmed, words, error)) return false;
    const step_syntax* syntax = find_syntax(words.first());
    if (!syntax) {
        error = QStringLiteral("unknown step \"%1\"").arg(words.first());
        return false;
    }
    const QStringList args = words.mid(1);
    if (args.size() < syntax->min_args || args.size() > syntax->max_args) {
        error = QStringLiteral("usage: %1").arg(QLatin1String(syntax->usage));
        return false;
    }
    for (int i = 0; i < syntax->numeric_args; ++i) {
        if (!is_count(args.at(i))) {
            error = QStringLiteral("\"%1\" is not a position (usage: %2)")
                        .arg(args.at(i), QLatin1String(syntax->usage));
            return false;
        }
    }
    const bool expects_marks = args.value(0) == QLatin1String("marks") && args.size() == 2;
    const bool expects_rows = args.value(0) == QLatin1String("rows") && args.size() == 3;
    if ((syntax->kind == wsim_step_kind::expect &&
         (!(expects_marks || expects_rows) || !is_count(args.at(1)))) ||
        (syntax->kind == wsim_step_kind::pick &&
         (!is_count(args.at(1)) || args.at(1).toLongLong() == 0))) {
        error = QStringLiteral("usage: %1").arg(QLatin1String(syntax->usage));
        return false;
    }
    if (syntax->kind == wsim_step_kind::select &&
        args.at(0).toLongLong() > args.at(1).toLongLong()) {
        error = QStringLiteral("select: the start lies after the end");
        return false;
    }
    step.kind = syntax->kind;
    step.args = args;
    step.line = line_number;
    is_step = true;
    return true;
}

bool wsim_parse_script(const QString& text, QVector<wsim_step>& steps, QString& error) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        wsim_step step;
        bool is_step = false;
        QString line_error;
        if (!wsim_parse_step(lines.at(i), i + 1, step, is_step, line_error)) {
            error = QStringLiteral("line %1: %2").arg(i + 1).arg(line_error);
            return false;
        }
        if (is_step) steps << step;
    }
    return true;
}

QString wsim_step_to_string(const wsim_step& step) {
    const step_syntax* syntax = find_syntax(step.kind);
    QString out = QLatin1String(syntax ? syntax->name : "?");
    for (const QString& arg : step.args) out += QLatin1Char(' ') + quoted(arg);
    return out;
}
