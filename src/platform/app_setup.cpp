#include "platform/app_setup.h"

#include "platform/app_info.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

void AppSetup::configure(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("sansu-drill"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(AppInfo::versionMajor())
                                            .arg(AppInfo::versionMinor())
                                            .arg(AppInfo::versionRevision()));

    // Text fits the boxes it was laid out for.
    Fonts::substitute();

    static QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
}
