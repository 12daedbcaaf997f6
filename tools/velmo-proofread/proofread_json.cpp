#include "proofread_json.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
const QByteArray k_result_prefix = "velmo-proofread-result ";

QJsonArray parts_to_json(const std::vector<proofread_part>& parts, bool with_marks) {
    QJsonArray out;
    for (const proofread_part& p : parts) {
        QJsonObject part{{"kind", p.kind}, {"places", p.places}, {"chars", p.chars}};
        if (with_marks) {
            part.insert("errors", p.errors);
            part.insert("suspects", p.suspects);
            part.insert("serious", p.serious);
        }
        out.append(part);
    }
    return out;
}

std::vector<proofread_part> parts_from_json(const QJsonValue& json) {
    std::vector<proofread_part> out;
    for (const QJsonValue& v : json.toArray()) {
        const QJsonObject p = v.toObject();
        out.push_back({p.value("kind").toString(), p.value("places").toInt(),
                       p.value("chars").toInt(), p.value("errors").toInt(),
                       p.value("suspects").toInt(), p.value("serious").toInt()});
    }
    return out;
}

}  // namespace

QJsonObject proofread_result_to_json(const QString& input, const proofread_result& result) {
    QJsonObject out{{"file", input},
                    {"ok", result.ok},
                    {"output", result.output},
                    {"errors", result.errors},
                    {"suspects", result.suspects},
                    {"serious", result.serious},
                    {"unchecked_pieces", result.unchecked_pieces},
                    {"unplaced_errors", result.unplaced_errors},
                    {"parts", parts_to_json(result.parts, true)},
                    {"parts_not_checked", parts_to_json(result.parts_not_checked, false)},
                    {"seconds", result.elapsed_ms / 1000.0}};
    if (!result.error.isEmpty()) out.insert("error", result.error);
    if (!result.unchecked_reason.isEmpty()) out.insert("unchecked_reason", result.unchecked_reason);
    return out;
}

proofread_result proofread_result_from_json(const QJsonObject& json) {
    proofread_result r;
    r.ok = json.value("ok").toBool();
    r.error = json.value("error").toString();
    r.output = json.value("output").toString();
    r.errors = json.value("errors").toInt();
    r.suspects = json.value("suspects").toInt();
    r.serious = json.value("serious").toInt();
    r.unchecked_pieces = json.value("unchecked_pieces").toInt();
    r.unchecked_reason = json.value("unchecked_reason").toString();
    r.unplaced_errors = json.value("unplaced_errors").toInt();
    r.parts = parts_from_json(json.value("parts"));
    r.parts_not_checked = parts_from_json(json.value("parts_not_checked"));
    r.elapsed_ms = static_cast<qint64>(json.value("seconds").toDouble() * 1000);
    return r;
}

QByteArray proofread_result_line(const QString& input, const proofread_result& result) {
    return '\n' + k_result_prefix +
           QJsonDocument(proofread_result_to_json(input, result)).toJson(QJsonDocument::Compact) +
           '\n';
}

bool proofread_parse_result_line(const QByteArray& output, proofread_result& result) {
    const int at = output.lastIndexOf('\n' + k_result_prefix);
    if (at < 0) return false;
    const int start = at + 1 + k_result_prefix.size();
    const int end = output.indexOf('\n', start);
    const QJsonDocument json =
        QJsonDocument::fromJson(output.mid(start, end < 0 ? -1 : end - start));
    if (!json.isObject()) return false;
    result = proofread_result_from_json(json.object());
    return true;
}
