// SPDX-License-Identifier: GPL-3.0-or-later
// The string table for the user's language.
#pragma once

#include <QString>

#include <memory>

class QCoreApplication;
class QObject;
class QTranslator;

// The language whose string table the environment asks for, read as gettext reads it:
// LANGUAGE, a colon-separated list tried in order, when set; else the first of LC_ALL,
// LC_MESSAGES and LANG that is set. A locale name such as "fr_CA.UTF-8@euro" asks for
// "fr_CA", then "fr". "C" and "POSIX" ask for English; "pseudo" asks for the pseudo-locale.
// Simplified Chinese serves "zh", "zh_CN" and "zh_SG", not the traditional "zh_TW" or
// "zh_HK". Returns the first language the program has a table for, "en" when none.
QString pickLanguage(const QString& language, const QString& lcAll, const QString& lcMessages,
                     const QString& lang);
// Installs the string table of the language the environment asks for (pickLanguage on the
// process environment), plus Qt's own texts for that language when they are installed.
// Returns the language installed ("en", "de", "zh_CN", "pseudo", ...).
QString installTranslations(QCoreApplication& app);
// The string table of one language, loaded; null when the program has none for it.
std::unique_ptr<QTranslator> makeTranslator(const QString& language, QObject* parent = nullptr);
// Installs the string table of one language in place of the one installed before; false
// when the program has none for it. "pseudo" installs the pseudo-locale.
bool installLanguage(QCoreApplication& app, const QString& language);

// The pseudo-locale's form of an English text: each letter accented, every word lengthened
// so the text grows by 40 % (rounded up), wrapped in brackets; markup, entities and
// placeholders ("%1") unchanged. Leading and trailing white
// space stays outside the brackets, so texts joined to others keep their line breaks and
// blanks. Shows in the windows whether every text fits when a language is longer than
// English, and whether any text bypasses the string table.
QString pseudoLocalized(const QString& english);
