#include "platform/app_setup.h"

#include "platform/app_info.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

void AppSetup::configure(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("sansu-drill"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(AppInfo::versionMajor())
                                            .arg(AppInfo::versionMinor())
                                            .arg(AppInfo::versionRevision()));

    // The windows ask for Japanese fonts that Linux desktops lack; IPA's fonts
    // have the same cell widths, so text fits the boxes it was laid out for.
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));

    static QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);
}
