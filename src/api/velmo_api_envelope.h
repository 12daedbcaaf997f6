// Building the SOAP 1.2 request envelopes of the proofreading service.
#ifndef VELMO_API_VELMO_API_ENVELOPE_H
#define VELMO_API_VELMO_API_ENVELOPE_H

#include <QString>
#include <QStringList>

#include "velmo_protocol.h"

// The service namespace: the default namespace of every operation element in
// requests, bound to the prefix "i" when answers are read.
#define VELMO_API_SERVICE_NS VELMO_PROTOCOL_NS
#define VELMO_API_SOAP12_NS VELMO_SOAP12_NS
#define VELMO_API_XSD_NS VELMO_XSD_NS
#define VELMO_API_XSI_NS VELMO_XSI_NS

// An operation element's start and end tag, and one element with its value.
#define VELMO_API_OPERATION_START(name) "<" name " xmlns=\"" VELMO_API_SERVICE_NS "\">"
#define VELMO_API_OPERATION_END(name) "</" name ">"
#define VELMO_API_ELEMENT(name, value) "<" name ">" value "</" name ">"

// Everything of an envelope before and after its operation element.
#define VELMO_API_ENVELOPE_HEAD                                                         \
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"                                        \
    "<soap12:Envelope xmlns:xsi=\"" VELMO_API_XSI_NS "\" xmlns:xsd=\"" VELMO_API_XSD_NS \
    "\" xmlns:soap12=\"" VELMO_API_SOAP12_NS "\"><soap12:Body>"
#define VELMO_API_ENVELOPE_TAIL "</soap12:Body></soap12:Envelope>"

// Replaces each placeholder %1 .. %99 of template_text by values[n - 1] in a
// single pass: inserted texts are never searched for placeholders. A
// placeholder without a value stays as it is.
QString velmo_api_fill_template(const char* template_text, const QStringList& values);

// The value with &, <, >, " and ' written as character references.
QString velmo_api_xml_escape(const QString& value);

// The article with every character that cannot stand as plain text in the
// envelope (markup characters, control characters, code units XML cannot
// carry) replaced by one space, so that every position keeps its character.
QString velmo_api_sanitize_article(const QString& article);

#endif
