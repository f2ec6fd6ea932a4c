// SPDX-License-Identifier: GPL-3.0-or-later
// The embedded pictures, icons, help files and string tables: every one the program asks for
// is there, has the right size and format, and every text id is translated in every language.
#include "resourcepaths.h"
#include "testmain.h"
#include "ui/translations.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtEndian>

#include <map>

namespace {

// Every text id the program looks up.
constexpr const char* kTextIds[] = {"MSG_DiskCheck",
                                    "MSG_DiskInfo1",
                                    "MSG_DiskInfo2",
                                    "MSG_DiskInfo3",
                                    "MSG_DiskInfo4",
                                    "MSG_DiskInfo5",
                                    "MSG_DiskInfo6",
                                    "MSG_DiskInfo7",
                                    "MSG_DiskFailed",
                                    "MSG_EndRebuildMessage",
                                    "MSG_EnterPassword1",
                                    "MSG_EnterPassword2",
                                    "MSG_ErrorMessage2",
                                    "MSG_ErrorMessage3",
                                    "MSG_FileMessage1",
                                    "MSG_FileMessage2",
                                    "MSG_FileMessage3",
                                    "MSG_HelpFileName",
                                    "MSG_MailFail",
                                    "MSG_MailSubject",
                                    "MSG_MailSuccess",
                                    "MSG_Mode0",
                                    "MSG_Mode1",
                                    "MSG_Mode2",
                                    "MSG_Mode3",
                                    "MSG_ModeNoDisk",
                                    "MSG_NoDisk",
                                    "MSG_PasswordOK",
                                    "MSG_QuitMessage",
                                    "MSG_RError",
                                    "MSG_RStatus0",
                                    "MSG_RStatus1",
                                    "MSG_RStatus2",
                                    "MSG_RStatus3",
                                    "MSG_MailFailCertificate",
                                    "MSG_MailFailRecipient",
                                    "MSG_MailFailSignIn",
                                    "MSG_MailFailTimeout",
                                    "MSG_MailFailTLS",
                                    "MSG_MailFailUnreachable",
                                    "MSG_SMTPPasswordInFile",
                                    "MSG_SMTPPasswordInKeyring",
                                    "MSG_SMTPPasswordTooLong",
                                    "MSG_TestMailFail",
                                    "MSG_TestMailSending",
                                    "MSG_TestMailSuccess",
                                    "MSG_TestMessage",
                                    "MSG_Title",
                                    "MSG_Version",
                                    "UI_StatusWindowTitle",
                                    "UI_SettingsWindowTitle",
                                    "UI_LogWindowTitle",
                                    "UI_MenuStatus",
                                    "UI_MenuLog",
                                    "UI_MenuSettings",
                                    "UI_MenuHelp",
                                    "UI_MenuQuit",
                                    "UI_Rescan",
                                    "UI_Close",
                                    "UI_Ok",
                                    "UI_Cancel",
                                    "UI_TestMail",
                                    "UI_Choose",
                                    "UI_DeviceList",
                                    "UI_Mode",
                                    "UI_Rebuild",
                                    "UI_Disk1",
                                    "UI_Disk2",
                                    "UI_Model",
                                    "UI_Size",
                                    "UI_Difference",
                                    "UI_StateWaiting",
                                    "UI_StateHealthy",
                                    "UI_StateProblem",
                                    "UI_StateRebuilding",
                                    "UI_NoService",
                                    "UI_NotifyProblem",
                                    "UI_NotifyRebuildDone",
                                    "UI_SendMail",
                                    "UI_SendRebuildMail",
                                    "UI_SMTPServer",
                                    "UI_SMTPPort",
                                    "UI_From",
                                    "UI_To1",
                                    "UI_To2",
                                    "UI_To3",
                                    "UI_Subject",
                                    "UI_TabMailServer",
                                    "UI_TabMailMessage",
                                    "UI_SMTPSecurity",
                                    "UI_SecurityIfOffered",
                                    "UI_SecurityNone",
                                    "UI_SecurityStartTLS",
                                    "UI_SecurityTLS",
                                    "UI_SMTPCAFile",
                                    "UI_SMTPAuth",
                                    "UI_SMTPPassword",
                                    "UI_POPbSMTP",
                                    "UI_POP3Server",
                                    "UI_POP3Port",
                                    "UI_Username",
                                    "UI_Password",
                                    "UI_LoginItem",
                                    "UI_MakeLog",
                                    "UI_LogFilePath",
                                    "UI_DispPanel",
                                    "UI_Shutdown",
                                    "UI_PasswordTooLong",
                                    "UI_GroupMail",
                                    "UI_GroupPOP",
                                    "UI_GroupLog",
                                    "UI_GroupOptions",
                                    "UI_ColNo",
                                    "UI_ColTime",
                                    "UI_ColDevice",
                                    "UI_ColMode",
                                    "UI_ColExecInfo",
                                    "UI_GroupMetrics",
                                    "UI_ExportMetrics",
                                    "UI_MetricsFolder"};

constexpr const char* kLanguages[] = {"en", "de", "fr", "es", "ja", "zh_CN"};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One message of a Linguist source file: its text, and whether it is finished.
struct TsMessage
{
    QString translation;
    bool finished = false;
};

// The messages of tamro_<language>.ts in the source tree, by id.
std::map<QString, TsMessage> readTsFile(const QString& language)
{
    std::map<QString, TsMessage> messages;
    QXmlStreamReader xml(
        readAll(QStringLiteral(TAMRO_TRANSLATIONS_DIR "/tamro_%1.ts").arg(language)));
    QString id;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"message") {
            id = xml.attributes().value(QLatin1String("id")).toString();
        } else if (xml.name() == u"translation" && !id.isEmpty()) {
            const QStringView type = xml.attributes().value(QLatin1String("type"));
            TsMessage& message = messages[id];
            message.finished = type.isEmpty();
            message.translation = xml.readElementText();
        }
    }
    return messages;
}

// What must come through translation unchanged: placeholders, markup and accelerator marks
// ("&" before a letter; "&&" is a plain ampersand).
QStringList fixedParts(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("%L?\\d+|<[^>]*>|&&|&"));
    QStringList parts;
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QString part = it.next().captured();
        if (part != u"&&")
            parts << part;
    }
    parts.sort();
    return parts;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void textTranslated_data();
    void textTranslated();
    void everyIdOfTheEnglishTable_data();
    void everyIdOfTheEnglishTable();
    void qtTrIdUsesInstalledTable_data();
    void qtTrIdUsesInstalledTable();
    void textsFitWhereTheyAreJoined_data();
    void textsFitWhereTheyAreJoined();
    void languageFromEnvironment_data();
    void languageFromEnvironment();
    void pseudoLocale_data();
    void pseudoLocale();
    void helpFileForEachLanguage_data();
    void helpFileForEachLanguage();

    void pictures_data();
    void pictures();
    void iconSets_data();
    void iconSets();
    void statesLookDifferent_data();
    void statesLookDifferent();
    void pathHelpers_data();
    void pathHelpers();

private:
    QString text(const QString& language, const char* id) const
    {
        return m_tables.at(language)->translate(nullptr, id);
    }

    std::map<QString, std::unique_ptr<QTranslator>> m_tables;
};

void TestResources::initTestCase()
{
    for (const char* language : kLanguages) {
        auto table = std::make_unique<QTranslator>();
        const QString path = tamro::res::translationPath(QString::fromLatin1(language));
        QVERIFY2(table->load(path), qPrintable(path));
        QVERIFY(!table->isEmpty());
        m_tables.emplace(QString::fromLatin1(language), std::move(table));
    }
    std::unique_ptr<QTranslator> pseudo = makeTranslator(QStringLiteral("pseudo"));
    QVERIFY(pseudo && !pseudo->isEmpty());
    m_tables.emplace(QStringLiteral("pseudo"), std::move(pseudo));
}

void TestResources::textTranslated_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("id");
    for (const char* language : kLanguages) {
        for (const char* id : kTextIds)
            QTest::addRow("%s %s", language, id) << QString::fromLatin1(language) << id;
    }
}

void TestResources::textTranslated()
{
    QFETCH(QString, language);
    QFETCH(QString, id);
    const QString translated = text(language, id.toLatin1().constData());
    QVERIFY2(!translated.trimmed().isEmpty(), qPrintable(id));
    QVERIFY2(translated != id, qPrintable(id));
}

void TestResources::everyIdOfTheEnglishTable_data()
{
    QTest::addColumn<QString>("language");
    for (const char* language : kLanguages)
        QTest::newRow(language) << QString::fromLatin1(language);
}

// Every message of the English table is in the language's table, finished, and keeps the
// English placeholders, markup and accelerators. One failure lists every id that needs work.
void TestResources::everyIdOfTheEnglishTable()
{
    QFETCH(QString, language);
    const std::map<QString, TsMessage> english = readTsFile(QStringLiteral("en"));
    const std::map<QString, TsMessage> table = readTsFile(language);
    QVERIFY(english.size() > 100);
    QStringList missing, unfinished, changed;
    for (const auto& [id, source] : english) {
        const auto it = table.find(id);
        if (it == table.end()) {
            missing << id;
            continue;
        }
        const QString compiled = text(language, id.toLatin1().constData());
        if (!it->second.finished || it->second.translation.trimmed().isEmpty() ||
            compiled.isEmpty())
            unfinished << id;
        else if (fixedParts(it->second.translation) != fixedParts(source.translation))
            changed << id;
    }
    QString report;
    if (!missing.isEmpty())
        report +=
            QStringLiteral("\n  missing from tamro_%1.ts: %2").arg(language, missing.join(u' '));
    if (!unfinished.isEmpty())
        report += QStringLiteral("\n  not translated or unfinished: %1").arg(unfinished.join(u' '));
    if (!changed.isEmpty())
        report += QStringLiteral("\n  placeholders, markup or accelerators differ from English: %1")
                      .arg(changed.join(u' '));
    QVERIFY2(report.isEmpty(), qPrintable(language + report));
}

void TestResources::qtTrIdUsesInstalledTable_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("mode1");
    QTest::newRow("en") << "en"
                        << "RAID 1 (Mirroring)";
    QTest::newRow("de") << "de"
                        << "RAID 1 (Spiegelung)";
    QTest::newRow("fr") << "fr"
                        << "RAID 1 (Miroir)";
    QTest::newRow("es") << "es"
                        << "RAID 1 (Espejo)";
    QTest::newRow("ja") << "ja"
                        << "RAID 1 (ミラーリング)";
    QTest::newRow("zh_CN") << "zh_CN"
                           << "RAID 1（镜像）";
}

void TestResources::qtTrIdUsesInstalledTable()
{
    QFETCH(QString, language);
    QFETCH(QString, mode1);
    QTranslator table;
    QVERIFY(table.load(tamro::res::translationPath(language)));
    QVERIFY(QCoreApplication::installTranslator(&table));
    const QString title = qtTrId("MSG_Title");
    const QString mode = qtTrId("MSG_Mode1");
    const QString unknown = qtTrId("MSG_NoSuchText");
    QCoreApplication::removeTranslator(&table);

    QCOMPARE(title, QStringLiteral("TAMRO RAID MONITOR"));
    QCOMPARE(mode, mode1);
    // An id missing from the table shows as the id itself.
    QCOMPARE(unknown, QStringLiteral("MSG_NoSuchText"));
    // Without a table every id shows as itself.
    QCOMPARE(qtTrId("MSG_Mode1"), QStringLiteral("MSG_Mode1"));
}

void TestResources::textsFitWhereTheyAreJoined_data()
{
    QTest::addColumn<QString>("language");
    for (const char* language : kLanguages)
        QTest::newRow(language) << QString::fromLatin1(language);
    QTest::newRow("pseudo") << "pseudo";
}

void TestResources::textsFitWhereTheyAreJoined()
{
    QFETCH(QString, language);
    // Mail outcomes become one field of a CSV line in the event log.
    for (const char* id : {"MSG_MailSuccess", "MSG_MailFail"}) {
        const QString t = text(language, id);
        QVERIFY2(!t.contains(u',') && !t.contains(u'\n') && !t.contains(u'\r'), id);
    }
    // The check text follows the plug-state text with nothing between them.
    const QString check = text(language, "MSG_DiskCheck");
    QVERIFY(check.front().isSpace());
    QVERIFY(!check.trimmed().isEmpty());
    // The error prefix is followed directly by the plug-state text, the failed mark by the
    // model name.
    for (const char* id : {"MSG_RError", "MSG_DiskFailed"})
        QVERIFY2(text(language, id).back().isSpace(), id);
    // The progress texts are followed by " NN%": no trailing blank of their own.
    for (const char* id : {"MSG_RStatus1", "MSG_RStatus2"})
        QVERIFY2(!text(language, id).back().isSpace(), id);
    // Default mail subject and menu titles are single lines.
    for (const char* id : {"MSG_MailSubject", "MSG_Title", "MSG_HelpFileName", "UI_MenuQuit"})
        QVERIFY2(!text(language, id).contains(u'\n'), id);
}

void TestResources::languageFromEnvironment_data()
{
    // The values of LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("all");
    QTest::addColumn<QString>("messages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("table");
    QTest::newRow("nothing set") << ""
                                 << ""
                                 << ""
                                 << ""
                                 << "en";
    QTest::newRow("LANG") << ""
                          << ""
                          << ""
                          << "de_AT.UTF-8"
                          << "de";
    QTest::newRow("LC_MESSAGES before LANG") << ""
                                             << ""
                                             << "ja_JP.UTF-8"
                                             << "de_DE"
                                             << "ja";
    QTest::newRow("LC_ALL before both") << ""
                                        << "es_MX.UTF-8"
                                        << "ja_JP"
                                        << "de_DE"
                                        << "es";
    QTest::newRow("LANGUAGE before all") << "fr"
                                         << "es_ES"
                                         << "ja_JP"
                                         << "de_DE"
                                         << "fr";
    QTest::newRow("list: first with a table") << "sv_SE:pt:fr_CA:de"
                                              << ""
                                              << ""
                                              << "ja_JP"
                                              << "fr";
    QTest::newRow("list: English stops the search") << "en_GB:de"
                                                    << ""
                                                    << ""
                                                    << ""
                                                    << "en";
    QTest::newRow("list without a table: English") << "sv:fi"
                                                   << ""
                                                   << ""
                                                   << "de_DE"
                                                   << "en";
    QTest::newRow("codeset and modifier") << ""
                                          << ""
                                          << ""
                                          << "fr_BE.ISO-8859-15@euro"
                                          << "fr";
    QTest::newRow("C locale") << ""
                              << "C.UTF-8"
                              << ""
                              << "de_DE"
                              << "en";
    QTest::newRow("POSIX") << ""
                           << ""
                           << "POSIX"
                           << ""
                           << "en";
    QTest::newRow("zh_CN") << ""
                           << ""
                           << ""
                           << "zh_CN.UTF-8"
                           << "zh_CN";
    QTest::newRow("zh alone") << "zh"
                              << ""
                              << ""
                              << ""
                              << "zh_CN";
    QTest::newRow("zh_SG") << ""
                           << ""
                           << ""
                           << "zh_SG.UTF-8"
                           << "zh_CN";
    QTest::newRow("zh_TW is not Simplified") << ""
                                             << ""
                                             << ""
                                             << "zh_TW.UTF-8"
                                             << "en";
    QTest::newRow("zh_HK then Japanese") << "zh_HK:ja"
                                         << ""
                                         << ""
                                         << ""
                                         << "ja";
    QTest::newRow("pseudo") << "pseudo"
                            << ""
                            << ""
                            << "de_DE"
                            << "pseudo";
}

void TestResources::languageFromEnvironment()
{
    QFETCH(QString, language);
    QFETCH(QString, all);
    QFETCH(QString, messages);
    QFETCH(QString, lang);
    QFETCH(QString, table);
    QCOMPARE(pickLanguage(language, all, messages, lang), table);
}

void TestResources::pseudoLocale_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("pseudo");
    // 8 letters + 4 (40 %), the word's own beginning repeated.
    QTest::newRow("word") << "Settings"
                          << "[ŠéttíñgšŠétt]";
    // The extra length goes after the last letter; the trailing blank stays outside.
    QTest::newRow("trailing blank") << "Error: "
                                    << "[ÉŕŕóŕÉŕŕ:] ";
    QTest::newRow("leading line break") << "\nNo disk."
                                        << "\n[ÑóÑó díškdí.]";
    QTest::newRow("no letters") << "8"
                                << "[8~]";
    QTest::newRow("blank only") << " "
                                << " ";
}

void TestResources::pseudoLocale()
{
    QFETCH(QString, english);
    QFETCH(QString, pseudo);
    QCOMPARE(pseudoLocalized(english), pseudo);

    // Installed, it serves every text of the English table lengthened, keeps the help file's
    // name, and still shows a missing id as itself.
    QVERIFY(installLanguage(*QCoreApplication::instance(), QStringLiteral("pseudo")));
    const QString close = qtTrId("UI_Close");
    const QString help = qtTrId("MSG_HelpFileName");
    const QString unknown = qtTrId("MSG_NoSuchText");
    delete QCoreApplication::instance()->findChild<QTranslator*>(QStringLiteral("tamro-translator"),
                                                                 Qt::FindDirectChildrenOnly);
    QCOMPARE(close, QStringLiteral("[ÇĺóšéÇĺ]"));
    QCOMPARE(help, QStringLiteral("TAMRO RAID MONITOR Help"));
    QCOMPARE(unknown, QStringLiteral("MSG_NoSuchText"));
    QCOMPARE(qtTrId("UI_Close"), QStringLiteral("UI_Close"));
    for (const char* id : kTextIds) {
        if (qstrcmp(id, "MSG_HelpFileName") == 0)
            continue;
        const QString en = text(QStringLiteral("en"), id).trimmed();
        const QString ps = text(QStringLiteral("pseudo"), id).trimmed();
        QVERIFY2(ps.startsWith(u'[') && ps.endsWith(u']'), id);
        QVERIFY2((ps.size() - 2) * 10 >= en.size() * 14, id);
    }
}

void TestResources::helpFileForEachLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("en") << "en"
                        << "TAMRO RAID MONITOR Help.html";
    QTest::newRow("de") << "de"
                        << "TAMRO RAID MONITOR Hilfe.html";
    QTest::newRow("fr") << "fr"
                        << "TAMRO RAID MONITOR Aide.html";
    QTest::newRow("es") << "es"
                        << "TAMRO RAID MONITOR Ayuda.html";
    QTest::newRow("ja") << "ja"
                        << "TAMRO RAID MONITOR ヘルプ.html";
    QTest::newRow("zh_CN") << "zh_CN"
                           << "TAMRO RAID MONITOR 帮助.html";
}

void TestResources::helpFileForEachLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, fileName);
    const QString name = text(language, "MSG_HelpFileName");
    QCOMPARE(tamro::res::helpFileName(name), fileName);

    const QByteArray embedded = readAll(tamro::res::helpFileResource(name));
    QVERIFY2(embedded.contains("<html") && embedded.contains("</html>"),
             qPrintable(tamro::res::helpFileResource(name)));

    // The uninstalled build opens the copy in its own share folder.
    const QString buildDir = qEnvironmentVariable("TAMRO_BUILD_DIR");
    if (buildDir.isEmpty())
        QSKIP("TAMRO_BUILD_DIR is set by CTest");
    const QString onDisk = buildDir + QStringLiteral("/share/tamro-raid-monitor/help/") + fileName;
    QCOMPARE(readAll(onDisk), embedded);
    for (const QString& programDir : {buildDir + QStringLiteral("/app"), buildDir}) {
        const QStringList candidates = tamro::res::helpFileCandidates(programDir, {}, name);
        QVERIFY2(candidates.contains(QDir::cleanPath(onDisk)), qPrintable(programDir));
    }
}

void TestResources::pictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    for (const char* name : {"type1", "type2", "type3", "type4"})
        QTest::newRow(name) << name << QByteArray("bmp") << QSize(160, 120);
    QTest::newRow("QuelSATA") << "QuelSATA" << QByteArray("png") << QSize(64, 64);
}

void TestResources::pictures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    const QString path = tamro::res::picturePath(name);
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(path + u' ' + reader.errorString()));
    QCOMPARE(image.size(), size);
    if (format == "bmp") {
        // An uncompressed 24-bit Windows bitmap.
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.startsWith("BM"));
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 28), quint16(24));
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 30), quint32(0));
    }
}

void TestResources::iconSets_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("size");
    for (int n = 0; n < tamro::res::kStatusIconCount; ++n) {
        for (const int size : tamro::res::kIconSizes)
            QTest::addRow("status%d at %d", n, size) << tamro::res::statusIconPath(n, size) << size;
        QTest::addRow("status%d default", n) << tamro::res::statusIconPath(n) << 32;
    }
    for (const int size : tamro::res::kIconSizes)
        QTest::addRow("application at %d", size) << tamro::res::appIconPath(size) << size;
}

void TestResources::iconSets()
{
    QFETCH(QString, path);
    QFETCH(int, size);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), QSize(size, size));
    // Round icons: transparent corners, opaque middle.
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
}

void TestResources::statesLookDifferent_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    using tamro::res::picturePath;
    using tamro::res::statusIconPath;
    for (const int size : {16, 128}) {
        QTest::addRow("status0/1 at %d", size)
            << statusIconPath(0, size) << statusIconPath(1, size);
        QTest::addRow("status0/2 at %d", size)
            << statusIconPath(0, size) << statusIconPath(2, size);
        QTest::addRow("status1/2 at %d", size)
            << statusIconPath(1, size) << statusIconPath(2, size);
    }
    const char* types[] = {"type1", "type2", "type3", "type4"};
    for (int a = 0; a < 4; ++a) {
        for (int b = a + 1; b < 4; ++b)
            QTest::addRow("%s/%s", types[a], types[b])
                << picturePath(QString::fromLatin1(types[a]))
                << picturePath(QString::fromLatin1(types[b]));
    }
}

void TestResources::statesLookDifferent()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    const QImage a(first);
    const QImage b(second);
    QVERIFY(!a.isNull() && !b.isNull());
    QCOMPARE(a.size(), b.size());
    QVERIFY(a.convertToFormat(QImage::Format_ARGB32) != b.convertToFormat(QImage::Format_ARGB32));
}

void TestResources::pathHelpers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    using namespace tamro::res;
    QTest::newRow("exact size") << statusIconPath(0, 16) << ":/images/status0-16.png";
    QTest::newRow("between sizes takes the larger")
        << statusIconPath(1, 20) << ":/images/status1-22.png";
    QTest::newRow("HiDPI 2x of 16") << statusIconPath(2, 32) << ":/images/status2-32.png";
    QTest::newRow("above the largest") << statusIconPath(2, 300) << ":/images/status2-128.png";
    QTest::newRow("zero size") << statusIconPath(1, 0) << ":/images/status1-16.png";
    QTest::newRow("state 3 has no icon") << statusIconPath(3, 16) << QString();
    QTest::newRow("negative state") << statusIconPath(-1, 16) << QString();
    QTest::newRow("default of state 3") << statusIconPath(3) << QString();
    QTest::newRow("type4") << picturePath(u"type4") << ":/images/type4.bmp";
    QTest::newRow("type0 unknown") << picturePath(u"type0") << QString();
    QTest::newRow("type5 unknown") << picturePath(u"type5") << QString();
    QTest::newRow("QuelSATA") << picturePath(u"QuelSATA") << ":/images/QuelSATA.png";
    QTest::newRow("picture names are case-sensitive") << picturePath(u"quelsata") << QString();
    QTest::newRow("help") << helpFileResource(QStringLiteral("A Help")) << ":/help/A Help.html";
    QTest::newRow("translation") << translationPath(u"de") << ":/i18n/tamro_de.qm";
    QTest::newRow("application icon") << appIconPath(48) << ":/images/tamro-raid-monitor-48.png";
}

void TestResources::pathHelpers()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(path, expected);
    if (!path.isEmpty() && !path.endsWith(u"A Help.html"))
        QVERIFY2(QFile::exists(path), qPrintable(path));
}

TAMRO_TEST_MAIN(TestResources)
#include "test_resources.moc"
