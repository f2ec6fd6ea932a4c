// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/translations.h"

#include "resourcepaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <QTranslator>

#include <memory>
#include <utility>

namespace {

const char kOwnName[] = "tamro-translator";
const char kQtName[] = "tamro-qt-translator";
const QLatin1String kPseudo("pseudo");

void removeInstalled(QCoreApplication& app, const char* name)
{
    if (auto* old =
            app.findChild<QTranslator*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
}

// The English table with every text in its pseudo-locale form. The help file's name stays
// English: it names a file, which the pseudo-locale has none of.
class PseudoTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool loadEnglish() { return _english.load(tamro::res::translationPath(u"en")); }

    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override
    {
        const QString english = _english.translate(context, sourceText, disambiguation, n);
        if (english.isEmpty() || qstrcmp(sourceText, "MSG_HelpFileName") == 0)
            return english;
        return pseudoLocalized(english);
    }

    bool isEmpty() const override { return _english.isEmpty(); }

private:
    QTranslator _english;
};

bool hasTable(const QString& language)
{
    return language == kPseudo || QFile::exists(tamro::res::translationPath(language));
}

// The tables a locale name asks for, most specific first.
QStringList tablesFor(const QString& localeName)
{
    QString name = localeName.trimmed();
    name = name.section(u'@', 0, 0).section(u'.', 0, 0);
    if (name.isEmpty())
        return {};
    if (name == u"C" || name == u"POSIX")
        return {QStringLiteral("en")};
    if (name == kPseudo)
        return {name};
    const QString base = name.section(u'_', 0, 0).toLower();
    const QString region = name.section(u'_', 1).toUpper();
    if (base == u"zh") {
        if (region.isEmpty() || region == u"CN" || region == u"SG")
            return {QStringLiteral("zh_CN")};
        return {}; // traditional Chinese: no table yet
    }
    QStringList tables;
    if (!region.isEmpty())
        tables << base + u'_' + region;
    tables << base;
    return tables;
}

} // namespace

QString pickLanguage(const QString& language, const QString& lcAll, const QString& lcMessages,
                     const QString& lang)
{
    QStringList requested;
    if (!language.isEmpty())
        requested = language.split(u':', Qt::SkipEmptyParts);
    else if (!lcAll.isEmpty())
        requested << lcAll;
    else if (!lcMessages.isEmpty())
        requested << lcMessages;
    else
        requested << lang;
    for (const QString& name : std::as_const(requested)) {
        for (const QString& table : tablesFor(name)) {
            if (hasTable(table))
                return table;
        }
    }
    return QStringLiteral("en");
}

std::unique_ptr<QTranslator> makeTranslator(const QString& language, QObject* parent)
{
    if (language == kPseudo) {
        auto pseudo = std::make_unique<PseudoTranslator>(parent);
        if (!pseudo->loadEnglish())
            return nullptr;
        return pseudo;
    }
    auto translator = std::make_unique<QTranslator>(parent);
    if (!translator->load(tamro::res::translationPath(language)))
        return nullptr;
    return translator;
}

bool installLanguage(QCoreApplication& app, const QString& language)
{
    std::unique_ptr<QTranslator> translator = makeTranslator(language, &app);
    if (!translator)
        return false;
    removeInstalled(app, kOwnName);
    removeInstalled(app, kQtName);
    translator->setObjectName(QString::fromLatin1(kOwnName));
    QCoreApplication::installTranslator(translator.release());

    // Qt's own texts (standard buttons of alerts, the file dialog), where installed.
    auto qtTranslator = std::make_unique<QTranslator>(&app);
    if (language != kPseudo &&
        qtTranslator->load(QStringLiteral("qtbase_") + language,
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qtTranslator->setObjectName(QString::fromLatin1(kQtName));
        QCoreApplication::installTranslator(qtTranslator.release());
    }
    return true;
}

QString installTranslations(QCoreApplication& app)
{
    const QString language =
        pickLanguage(qEnvironmentVariable("LANGUAGE"), qEnvironmentVariable("LC_ALL"),
                     qEnvironmentVariable("LC_MESSAGES"), qEnvironmentVariable("LANG"));
    if (installLanguage(app, language))
        return language;
    installLanguage(app, QStringLiteral("en"));
    return QStringLiteral("en");
}

namespace {

QChar accented(QChar c)
{
    static const QString plain = QStringLiteral("aceilnorsuyzACEILNORSUYZ");
    static const QString marked = QStringLiteral("áçéíĺñóŕšúýžÁÇÉÍĹÑÓŔŠÚÝŽ");
    const qsizetype at = plain.indexOf(c);
    return at < 0 ? c : marked.at(at);
}

} // namespace

QString pseudoLocalized(const QString& english)
{
    qsizetype begin = 0;
    qsizetype end = english.size();
    while (begin < end && english.at(begin).isSpace())
        ++begin;
    while (end > begin && english.at(end - 1).isSpace())
        --end;
    if (begin == end)
        return english;
    const QString core = english.mid(begin, end - begin);
    const qsizetype extra = (core.size() * 4 + 9) / 10;

    // Markup, entities and placeholders pass unchanged; their letters count as none.
    static const QRegularExpression fixedPattern(
        QStringLiteral("<[^>]*>|&[A-Za-z]+;|&#\\d+;|%L?\\d+"));
    QList<bool> fixed(core.size(), false);
    for (auto it = fixedPattern.globalMatch(core); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (qsizetype i = match.capturedStart(); i < match.capturedEnd(); ++i)
            fixed[i] = true;
    }
    const auto isLetter = [&](qsizetype at) { return !fixed.at(at) && core.at(at).isLetter(); };

    // Words are the runs between blanks. The extra length goes to the words that have
    // letters, in proportion to their length, each lengthened by repeating its own letters
    // after its last one.
    QList<std::pair<qsizetype, qsizetype>> words; // start, length
    for (qsizetype start = 0; start <= core.size();) {
        qsizetype stop = core.indexOf(u' ', start);
        if (stop < 0)
            stop = core.size();
        words.append({start, stop - start});
        start = stop + 1;
    }
    qsizetype letterWordsLength = 0;
    for (const auto& [start, length] : std::as_const(words)) {
        for (qsizetype i = start; i < start + length; ++i) {
            if (isLetter(i)) {
                letterWordsLength += length;
                break;
            }
        }
    }
    QStringList out;
    qsizetype seen = 0;
    qsizetype given = 0;
    for (const auto& [start, length] : std::as_const(words)) {
        QString marked;
        QString letters;
        qsizetype lastLetter = -1;
        for (qsizetype i = start; i < start + length; ++i) {
            const QChar c = fixed.at(i) ? core.at(i) : accented(core.at(i));
            marked += c;
            if (isLetter(i)) {
                letters += c;
                lastLetter = i - start;
            }
        }
        if (lastLetter >= 0) {
            seen += length;
            const qsizetype share = (extra * seen + letterWordsLength - 1) / letterWordsLength;
            QString filler;
            for (qsizetype i = 0; filler.size() < share - given; ++i)
                filler += letters.at(i % letters.size());
            given = share;
            marked.insert(lastLetter + 1, filler);
        }
        out << marked;
    }
    QString result = out.join(u' ');
    if (given < extra) // no word with letters: the brackets carry the filler
        result += QString(extra - given, u'~');
    return english.left(begin) + u'[' + result + u']' + english.mid(end);
}
