#include "plugin/velmo_translations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The text Qt gives its standard OK button, translated or not.
QString ok_text() { return QCoreApplication::translate("QPlatformTheme", "OK"); }

}  // namespace

bool velmo_load_qt_translations() {
    if (!QCoreApplication::instance()) return false;
    // The host's own translation (whatever its language) is left alone.
    if (ok_text() != QLatin1String("OK")) return true;
    // Kept for the life of the library: the application refers to it.
    static QTranslator* translator = nullptr;
    if (!translator) {
        auto* loaded = new QTranslator(QCoreApplication::instance());
        if (!loaded->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
            qDebug().noquote() << "velmo: Qt's Chinese translation not found in"
                               << QLibraryInfo::location(QLibraryInfo::TranslationsPath);
            delete loaded;
            return false;
        }
        translator = loaded;
    }
    QCoreApplication::installTranslator(translator);
    return ok_text() != QLatin1String("OK");
}
