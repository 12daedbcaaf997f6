#include "wsim_document_file.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include "docx_document.h"
#include "wps_sim.h"

bool wsim_check_utf8_text(const QByteArray& bytes, QString& error) {
    QTextCodec* utf8 = QTextCodec::codecForName("UTF-8");
    // A line feed never occurs inside a multi-byte sequence, so lines can be
    // checked one by one to name the first bad one.
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        if (line.contains('\0')) {
            error = QStringLiteral("line %1 holds a NUL byte (binary data, not text)").arg(i + 1);
            return false;
        }
        QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
        utf8->toUnicode(line.constData(), line.size(), &state);
        if (state.invalidChars > 0 || state.remainingChars > 0) {
            error =
                QStringLiteral("line %1 is not valid UTF-8 (save the file as UTF-8)").arg(i + 1);
            return false;
        }
    }
    return true;
}

bool wsim_check_document_file(const QString& file_path, QString& error) {
    const QFileInfo info(file_path);
    if (!info.exists()) {
        error = QStringLiteral("cannot open %1: no such file").arg(file_path);
        return false;
    }
    if (info.isDir()) {
        error = QStringLiteral("cannot open %1: it is a directory").arg(file_path);
        return false;
    }
    QFile file(file_path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(file_path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("cannot read %1: %2").arg(file_path, file.errorString());
        return false;
    }
    QString text_error;
    if (!wsim_check_utf8_text(bytes, text_error)) {
        error = QStringLiteral("cannot open %1: %2").arg(file_path, text_error);
        return false;
    }
    return true;
}

kfc::ks_stdptr<wpsapi::_Document> wsim_open_document(wpsapi::_Application* app,
                                                     const QString& file_path, QString& error) {
    kfc::ks_stdptr<wpsapi::_Document> doc;
    if (docx_is_package_name(file_path)) {
        const QFileInfo info(file_path);
        if (!info.isFile()) {
            error = QStringLiteral("cannot open %1: no such file").arg(file_path);
            return doc;
        }
        doc = docx_open(app, info.absoluteFilePath(), error);
        if (!doc) error = QStringLiteral("cannot open ") + error;
        return doc;
    }
    if (!wsim_check_document_file(file_path, error)) return {};
    doc = wps_sim::open_text_file(app, QFileInfo(file_path).absoluteFilePath());
    if (!doc) {
        error = QStringLiteral("cannot open %1: the host refused the file").arg(file_path);
        return doc;
    }
    // A document opens with the cursor at its start, where a check "from the
    // cursor on" then covers all of it.
    kfc::ks_stdptr<wpsapi::Selection> selection;
    if (SUCCEEDED(app->get_Selection(&selection)) && selection) selection->SetRange(0, 0);
    return doc;
}
