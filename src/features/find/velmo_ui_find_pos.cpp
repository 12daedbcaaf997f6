#include "features/find/velmo_ui_find_pos.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTextStream>

QString velmo_find_pos_file_name(const QString& path, const QString& name) {
    if (path.isEmpty()) return QString();
    const int dot = name.indexOf(QLatin1Char('.'));
    const QString stem = dot < 0 ? QString() : name.left(dot + 1);
    return path + QLatin1Char('/') + stem + QLatin1String("pos");
}

QString velmo_find_pos_text(const velmo_pages_by_word_t& pages_by_word) {
    QString text;
    for (auto it = pages_by_word.cbegin(); it != pages_by_word.cend(); ++it) {
        QStringList pages;
        for (int page : it.value()) pages.append(QLatin1Char('P') + QString::number(page));
        text += it.key() + QLatin1Char('\n') + pages.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text;
}

bool velmo_find_pos_write(const QString& file_name, const QString& text) {
    QFile file(file_name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate)) return false;
    QTextStream stream(&file);
    stream << text;
    stream.flush();
    return stream.status() == QTextStream::Ok;
}

bool velmo_open_with_desktop(const QString& file_name) {
    // Detached: the opener may wait for the application it starts, which
    // must not hold up the host's GUI thread.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {file_name});
}
