#include "ui/translations.h"

#include "resourcepaths.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace {

const char kOwnName[] = "tamro-translator";
const char kQtName[] = "tamro-qt-translator";

void removeInstalled(QCoreApplication& app, const char* name)
{
    if (auto* old =
            app.findChild<QTranslator*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
}

} // namespace

bool installLanguage(QCoreApplication& app, const QString& language)
{
    auto translator = std::make_unique<QTranslator>(&app);
    if (!translator->load(tamro::res::translationPath(language)))
        return false;
    removeInstalled(app, kOwnName);
    removeInstalled(app, kQtName);
    translator->setObjectName(QString::fromLatin1(kOwnName));
    QCoreApplication::installTranslator(translator.release());

    // Qt's own texts (standard buttons of alerts, the file dialog), where installed.
    auto qtTranslator = std::make_unique<QTranslator>(&app);
    if (qtTranslator->load(QStringLiteral("qtbase_") + language,
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qtTranslator->setObjectName(QString::fromLatin1(kQtName));
        QCoreApplication::installTranslator(qtTranslator.release());
    }
    return true;
}

QString installTranslations(QCoreApplication& app)
{
    for (const QString& name : QLocale::system().uiLanguages()) {
        const QString language = name.section(QLatin1Char('-'), 0, 0).toLower();
        if (!language.isEmpty() && installLanguage(app, language))
            return language;
    }
    installLanguage(app, QStringLiteral("en"));
    return QStringLiteral("en");
}
