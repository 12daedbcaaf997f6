#include "features/results/velmo_ignored_marks.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "config/velmo_config_paths.h"
#include "document/velmo_document.h"
#include "document/velmo_mark_level.h"
#include "document/velmo_mark_name.h"
#include "host/velmo_host_documents.h"
#include "host/velmo_host_string.h"

namespace {

const char* const KEY_LEVEL = "level";
const char* const KEY_TEXT = "text";
const char* const KEY_EVERYWHERE = "everywhere";
const char* const KEY_BEFORE = "before";
const char* const KEY_AFTER = "after";
const char* const KEY_ENTRIES = "ignored";

QString text_before(const velmo_check_result_t& record, const QString& text) {
    const int from = qMax(0, record.pos - VELMO_IGNORE_CONTEXT);
    return text.mid(from, record.pos - from);
}

QString text_after(const velmo_check_result_t& record, const QString& text) {
    return text.mid(record.pos + velmo_mark_length(record), VELMO_IGNORE_CONTEXT);
}

bool same_kind(int a, int b) { return velmo_level_kind(a) == velmo_level_kind(b); }

// Built key by key: the initializer-list constructor is newer than the
// oldest Qt a host ships.
QJsonObject to_json(const velmo_ignored_t& entry) {
    QJsonObject object;
    object.insert(KEY_LEVEL, entry.level);
    object.insert(KEY_TEXT, entry.err_word);
    object.insert(KEY_EVERYWHERE, entry.everywhere);
    if (!entry.everywhere) {
        object.insert(KEY_BEFORE, entry.before);
        object.insert(KEY_AFTER, entry.after);
    }
    return object;
}

velmo_ignored_t from_json(const QJsonObject& object) {
    velmo_ignored_t entry;
    entry.level = object.value(KEY_LEVEL).toInt();
    entry.err_word = object.value(KEY_TEXT).toString();
    entry.everywhere = object.value(KEY_EVERYWHERE).toBool();
    entry.before = object.value(KEY_BEFORE).toString();
    entry.after = object.value(KEY_AFTER).toString();
    return entry;
}

// The lists of documents that have no file yet, by name.
QHash<QString, QList<velmo_ignored_t>>& unsaved_lists() {
    static QHash<QString, QList<velmo_ignored_t>> lists;
    return lists;
}

}  // namespace

QString velmo_ignored_marks::file_for(const QString& folder, const QString& name) {
    const std::string settings = velmo_user_settings_directory();
    if (folder.isEmpty() || settings.empty()) return QString();
    // The document's own path names the file without carrying its
    // characters (slashes, length) into a file name.
    const QByteArray key = (folder + QLatin1Char('/') + name).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
    return QString::fromStdString(settings) + QLatin1String("/ignored/") +
           QString::fromLatin1(digest) + QLatin1String(".json");
}

velmo_ignored_marks::velmo_ignored_marks(wpsapi::_Document* document) {
    if (!document) return;
    file = file_for(velmo_document_path(document), velmo_document_name(document));
    if (file.isEmpty()) {
        unsaved_name = velmo_document_name(document);
        entries = unsaved_lists().value(unsaved_name);
        return;
    }
    QFile stored(file);
    if (!stored.open(QIODevice::ReadOnly)) return;
    const QJsonArray array =
        QJsonDocument::fromJson(stored.readAll()).object().value(KEY_ENTRIES).toArray();
    for (const QJsonValue& value : array) {
        const velmo_ignored_t entry = from_json(value.toObject());
        if (!entry.err_word.isEmpty()) entries.append(entry);
    }
}

void velmo_ignored_marks::save() const {
    if (file.isEmpty()) {
        unsaved_lists().insert(unsaved_name, entries);
        return;
    }
    if (!velmo_make_private_file(file.toStdString())) return;
    QJsonArray array;
    for (const velmo_ignored_t& entry : entries) array.append(to_json(entry));
    // Written whole and renamed, so a failure never leaves half a list.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return;
    QJsonObject list;
    list.insert(KEY_ENTRIES, array);
    out.write(QJsonDocument(list).toJson());
    out.commit();
}

void velmo_ignored_marks::ignore_once(const velmo_check_result_t& record, const QString& text) {
    if (is_ignored(record, text)) return;
    entries.append({record.level, record.err_word, false, text_before(record, text),
                    text_after(record, text)});
    save();
}

void velmo_ignored_marks::ignore_everywhere(const velmo_check_result_t& record) {
    if (record.err_word.isEmpty()) return;
    entries.append({record.level, record.err_word, true, QString(), QString()});
    save();
}

void velmo_ignored_marks::forget() {
    entries.clear();
    if (file.isEmpty())
        unsaved_lists().remove(unsaved_name);
    else
        QFile::remove(file);
}

bool velmo_ignored_marks::is_ignored(const velmo_check_result_t& record,
                                     const QString& text) const {
    for (const velmo_ignored_t& entry : entries) {
        if (entry.err_word != record.err_word || !same_kind(entry.level, record.level)) continue;
        if (entry.everywhere) return true;
        if (entry.before == text_before(record, text) && entry.after == text_after(record, text))
            return true;
    }
    return false;
}

int velmo_ignored_marks::drop_ignored(QList<velmo_check_result_t>& records,
                                      const QString& text) const {
    if (entries.isEmpty()) return 0;
    const int before = records.size();
    records.erase(std::remove_if(
                      records.begin(), records.end(),
                      [&](const velmo_check_result_t& record) { return is_ignored(record, text); }),
                  records.end());
    return before - records.size();
}

QString velmo_document_text(wpsapi::_Document* document) {
    kfc::ks_stdptr<wpsapi::Range> content;
    QString text;
    if (!document || FAILED(document->get_Content(&content)) || !content) return text;
    velmo_range_text(content, text);
    return text;
}

void velmo_drop_ignored_records(wpsapi::_Document* document, QList<velmo_check_result_t>& records) {
    const velmo_ignored_marks ignored(document);
    if (ignored.empty()) return;
    ignored.drop_ignored(records, velmo_document_text(document));
}
