#include "proofread_report.h"

#include <QStringList>

namespace {
constexpr int k_bar_width = 30;
const char* const k_clear_line = "\r\033[K";
}  // namespace

QString proofread_line(const QString& input, const proofread_result& result) {
    if (!result.ok) return QStringLiteral("%1: FAILED: %2").arg(input, result.error);
    QString line = QStringLiteral("%1: 错误 %2, 疑错 %3, 严重错误 %4; %5 pieces not checked")
                       .arg(input)
                       .arg(result.errors)
                       .arg(result.suspects)
                       .arg(result.serious)
                       .arg(result.unchecked_pieces);
    if (!result.unchecked_reason.isEmpty())
        line += QStringLiteral(" (%1)").arg(result.unchecked_reason);
    if (result.unplaced_errors > 0)
        line += QStringLiteral("; %1 errors not placed").arg(result.unplaced_errors);
    if (!result.parts.empty()) {
        QStringList parts;
        for (const proofread_part& p : result.parts)
            parts << QStringLiteral("%1 %2 处 %3 字 错误 %4, 疑错 %5, 严重错误 %6")
                         .arg(p.kind)
                         .arg(p.places)
                         .arg(p.chars)
                         .arg(p.errors)
                         .arg(p.suspects)
                         .arg(p.serious);
        line += QStringLiteral("; outside the body: ") + parts.join(QStringLiteral("; "));
    }
    if (!result.parts_not_checked.empty()) {
        QStringList parts;
        for (const proofread_part& p : result.parts_not_checked)
            parts << QStringLiteral("%1 %2 处 %3 字").arg(p.kind).arg(p.places).arg(p.chars);
        line +=
            QStringLiteral("; not checked outside the body: ") + parts.join(QStringLiteral(", "));
    }
    return line + QStringLiteral("; %1 s -> %2")
                      .arg(result.elapsed_ms / 1000.0, 0, 'f', 1)
                      .arg(result.output);
}

QString proofread_summary(int total, const QStringList& failed, int not_processed) {
    QString line = QStringLiteral("velmo-proofread: %1 documents, %2 written, %3 failed")
                       .arg(total)
                       .arg(total - failed.size() - not_processed)
                       .arg(failed.size());
    if (!failed.isEmpty()) line += QStringLiteral(": ") + failed.join(QStringLiteral(", "));
    if (not_processed > 0) line += QStringLiteral("; stopped, %1 not processed").arg(not_processed);
    return line;
}

void proofread_progress::start(int index, const QString& name) {
    done_ = index;
    current_ = name;
    draw();
}

void proofread_progress::line(const QString& text) {
    if (terminal_) out_ << k_clear_line;
    out_ << text << '\n';
    ++done_;
    current_.clear();
    draw();
}

void proofread_progress::finish() {
    if (terminal_) out_ << k_clear_line;
    out_.flush();
}

void proofread_progress::draw() {
    if (!terminal_) {
        out_.flush();
        return;
    }
    const int filled = total_ > 0 ? done_ * k_bar_width / total_ : k_bar_width;
    out_ << k_clear_line << '[' << QString(filled, QLatin1Char('#'))
         << QString(k_bar_width - filled, QLatin1Char('.')) << "] " << done_ << '/' << total_;
    if (done_ < total_ && !current_.isEmpty()) out_ << ' ' << current_;
    out_.flush();
}
