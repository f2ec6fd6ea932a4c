// The string table for the user's language.
#pragma once

#include <QString>

class QCoreApplication;

// Installs the string table ":/i18n/tamro_<lang>.qm" of the first of the system's UI
// languages that has one (English when none has), plus Qt's own texts for that language when
// they are installed. Returns the language installed ("en", "de", ...).
QString installTranslations(QCoreApplication& app);
// Installs the string table of one language in place of the one installed before; false
// when the program has none for it.
bool installLanguage(QCoreApplication& app, const QString& language);
