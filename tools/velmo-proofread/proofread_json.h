// A document's result as JSON: what a worker process hands back, and one
// entry of the --json report.
#ifndef PROOFREAD_JSON_H
#define PROOFREAD_JSON_H

#include <QJsonObject>
#include <QString>

#include "proofread_document.h"

QJsonObject proofread_result_to_json(const QString& input, const proofread_result& result);
proofread_result proofread_result_from_json(const QJsonObject& json);

// The line a worker prints its result on, and reading it back from a
// worker's output. False when the output holds no result.
QByteArray proofread_result_line(const QString& input, const proofread_result& result);
bool proofread_parse_result_line(const QByteArray& output, proofread_result& result);

#endif
