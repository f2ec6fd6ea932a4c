// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/preferences.h"

#include "platform/logging.h"
#include "platform/ports.h"
#include "settings/defaultsstore.h"
#include "settings/metricssettings.h"
#include "settings/optionflags.h"
#include "settings/scramble.h"
#include "settings/secretstore.h"
#include "settings/settingsform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <array>

namespace {

using Text = SettingsForm::Text;
using Box = SettingsForm::Box;

const QString kYes = QStringLiteral("YES");
const QString kNo = QStringLiteral("NO");
const QString kPlaceholderAddress = QStringLiteral("monitor@example.com");
// The webhook's bearer token: in the keyring, else scrambled in the settings file.
const QString kWebhookTokenKey = QStringLiteral("WebhookToken");
const QString kJson = QStringLiteral("json");
// The reminder intervals offered, in hours; 0 is no reminder.
constexpr std::array kReminderHours = {0, 1, 6, 24};
// The fields that follow the webhook check-box.
constexpr std::array kWebhookFields = {Text::WebhookURL, Text::WebhookFormat, Text::WebhookToken};

// The fields enabled and disabled together by SetMailController.
constexpr std::array kMailFields = {Text::SMTPServer,   Text::SMTPPort,     Text::FromField,
                                    Text::ToField1,     Text::ToField2,     Text::ToField3,
                                    Text::SubjectField, Text::SMTPSecurity, Text::SMTPCAFile};
// The SMTP sign-in fields: enabled with the mail fields while the sign-in box is checked.
constexpr std::array kSignInFields = {Text::SMTPUser, Text::SMTPPassword};
// The fields that follow the POP-before-SMTP check-box.
constexpr std::array kPopFields = {Text::POP3Server, Text::POP3Port, Text::Username,
                                   Text::Password};

// The text settings, key and field, in the order they are loaded and stored.
struct TextSetting
{
    const char* key;
    Text field;
};
constexpr std::array<TextSetting, 7> kMailTexts = {{{"SMTPServer", Text::SMTPServer},
                                                    {"SMTPPort", Text::SMTPPort},
                                                    {"FromField", Text::FromField},
                                                    {"ToField1", Text::ToField1},
                                                    {"ToField2", Text::ToField2},
                                                    {"ToField3", Text::ToField3},
                                                    {"SubjectField", Text::SubjectField}}};
constexpr std::array<TextSetting, 3> kPopTexts = {
    {{"POP3Server", Text::POP3Server}, {"POP3Port", Text::POP3Port}, {"Username", Text::Username}}};
// The SMTP security and sign-in texts (the password is kept apart).
constexpr std::array<TextSetting, 3> kSmtpTexts = {{{"SMTPSecurity", Text::SMTPSecurity},
                                                    {"SMTPUser", Text::SMTPUser},
                                                    {"SMTPCAFile", Text::SMTPCAFile}}};

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

// The default log file lives in the user's application data folder, which every Linux
// desktop has (it is created when missing).
QString defaultLogFilePath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return folder + QStringLiteral("/TAMRORAIDLOG.csv");
}

QString executablePath(const QString& configured)
{
    return configured.isEmpty() ? QCoreApplication::applicationFilePath() : configured;
}

// An Exec= value running the program at the path, quoted and escaped as desktop entries
// require: reserved characters need the argument in double quotes, inside which ", `, $ and
// \ take a backslash; then the value itself escapes backslashes and line ends, and % is
// doubled so it is not read as a field code.
QString execValue(const QString& path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (const QChar c : path)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString argument;
    if (needsQuotes) {
        argument = QStringLiteral("\"");
        for (const QChar c : path) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                argument += u'\\';
            argument += c;
        }
        argument += u'"';
    } else {
        argument = path;
    }
    QString value;
    for (const QChar c : argument) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else if (c == u'%')
            value += QStringLiteral("%%");
        else
            value += c;
    }
    return value;
}

} // namespace

Preferences::Preferences(const Wiring& wiring)
    : _store(wiring.store), _form(wiring.form), _flags(wiring.flags), _nameDict(wiring.nameDict),
      _modal(wiring.modal), _windows(wiring.windows), _executablePath(wiring.executablePath),
      _smtpPassword(std::make_unique<SecretKeeper>(wiring.store, wiring.secrets)),
      _webhookToken(std::make_unique<SecretKeeper>(wiring.store, wiring.secrets, kWebhookTokenKey,
                                                   kWebhookTokenKey))
{
}

Preferences::~Preferences() = default;

void Preferences::setMoreSettings(std::function<void()> load, std::function<void()> show,
                                  std::function<void()> save)
{
    _loadMore = std::move(load);
    _showMore = std::move(show);
    _saveMore = std::move(save);
}

QVariantMap Preferences::registeredDefaults()
{
    return {
        {QStringLiteral("SendMail"), kNo},
        {QStringLiteral("SendRebuildMail"), kNo},
        {QStringLiteral("SMTPServer"), QString()},
        {QStringLiteral("SMTPPort"), QStringLiteral("25")},
        {QStringLiteral("FromField"), kPlaceholderAddress},
        {QStringLiteral("ToField1"), kPlaceholderAddress},
        {QStringLiteral("ToField2"), QString()},
        {QStringLiteral("ToField3"), QString()},
        {QStringLiteral("SubjectField"), qtTrId("MSG_MailSubject")},
        {QStringLiteral("POPbSMTP"), kNo},
        {QStringLiteral("POP3Server"), QString()},
        {QStringLiteral("POP3Port"), QStringLiteral("110")},
        {QStringLiteral("Username"), QString()},
        {QStringLiteral("Password"), QString()},
        {QStringLiteral("AddLoginItem"), kYes},
        {QStringLiteral("MakeLog"), kNo},
        {QStringLiteral("LogFilePath"), defaultLogFilePath()},
        {QStringLiteral("DispPanel"), kYes},
        {QStringLiteral("SMTPSecurity"), QStringLiteral("starttls-if-offered")},
        {QStringLiteral("SMTPAuth"), kNo},
        {QStringLiteral("SMTPUser"), QString()},
        {QStringLiteral("SMTPCAFile"), QString()},
        {SecretKeeper::storeKey(), QString()},
        {QStringLiteral("ReminderHours"), QStringLiteral("0")},
        {QStringLiteral("DesktopNotifications"), kYes},
        {QStringLiteral("WebhookEnabled"), kNo},
        {QStringLiteral("WebhookURL"), QString()},
        {QStringLiteral("WebhookFormat"), kJson},
        {kWebhookTokenKey, QString()},
        {MetricsSettings::kExportKey, kNo},
        {MetricsSettings::kFolderKey, MetricsSettings::kDefaultFolder},
    };
}

void Preferences::loadUserDefaults()
{
    _flags._isSendMail = _store.boolForKey(QStringLiteral("SendMail"));
    _flags._isSendRebuildMail = _store.boolForKey(QStringLiteral("SendRebuildMail"));
    _flags._isPOPbSMTP = _store.boolForKey(QStringLiteral("POPbSMTP"));
    _flags._isAddLoginItem = _store.boolForKey(QStringLiteral("AddLoginItem"));
    _flags._isMakeLog = _store.boolForKey(QStringLiteral("MakeLog"));
    _flags._isDispPanel = _store.boolForKey(QStringLiteral("DispPanel"));
    _flags._isSMTPAuth = _store.boolForKey(QStringLiteral("SMTPAuth"));
    _flags._isDesktopNotifications = _store.boolForKey(QStringLiteral("DesktopNotifications"));
    _flags._isWebhook = _store.boolForKey(QStringLiteral("WebhookEnabled"));
    // Automatic shutdown needs the administrator password, which is never kept.
    _flags._isShutdown = false;

    for (const TextSetting& setting : kMailTexts)
        _form.setText(setting.field, _store.stringForKey(key(setting.key)));
    for (const TextSetting& setting : kPopTexts)
        _form.setText(setting.field, _store.stringForKey(key(setting.key)));

    QByteArray password = _store.dataForKey(QStringLiteral("Password"));
    if (!password.isEmpty()) {
        // A value of another length (written by something else) is read over its own length;
        // the password ends at the first zero byte, or runs over every byte.
        scramble(kPasswordSeed, password.constData(), password.data(), unsigned(password.size()));
        const qsizetype end = password.indexOf('\0');
        _form.setText(Text::Password, QString::fromUtf8(end < 0 ? password : password.left(end)));
    }

    _form.setText(Text::LogFilePath, _store.stringForKey(QStringLiteral("LogFilePath")));

    for (const TextSetting& setting : kSmtpTexts)
        _form.setText(setting.field, _store.stringForKey(key(setting.key)));
    // The SMTP password is fetched only while sign-in is wanted: asking the keyring costs a
    // round trip on the bus and some megabytes of keyring libraries for the whole run.
    _smtpPasswordLoaded = false;
    if (_flags._isSMTPAuth)
        loadSmtpPassword();
    showSmtpPasswordPlace();
    if (_flags._isSMTPAuth) {
        static constexpr const char* places[] = {"none kept", "from the keyring",
                                                 "from the settings file"};
        qCInfo(lcMonitor, "SMTP sign-in password: %s",
               places[static_cast<int>(_smtpPassword->place())]);
    }

    // An interval the list does not offer means no reminders.
    const QString hours = _store.stringForKey(QStringLiteral("ReminderHours")).trimmed();
    const bool offered = std::find(kReminderHours.cbegin(), kReminderHours.cend(), hours.toInt()) !=
                         kReminderHours.cend();
    _form.setText(Text::ReminderHours,
                  offered ? QString::number(hours.toInt()) : QStringLiteral("0"));
    _form.setText(Text::WebhookURL, _store.stringForKey(QStringLiteral("WebhookURL")));
    const QString format = _store.stringForKey(QStringLiteral("WebhookFormat"));
    _form.setText(Text::WebhookFormat, format == QLatin1String("ntfy") ? format : kJson);
    _webhookTokenLoaded = false;
    if (_flags._isWebhook)
        loadWebhookToken();
    if (_loadMore)
        _loadMore();

    // Mail reads the check-boxes (POP before SMTP, sign-in): from launch on they hold what
    // the store holds, not only once the settings window has been opened.
    setCheckBoxesFromFlags();

    if (const std::optional<QVariantMap> names =
            _store.dictionaryForKey(QStringLiteral("RAIDName"))) {
        for (auto it = names->cbegin(); it != names->cend(); ++it)
            _nameDict.insert(it.key(), it.value());
    }
}

void Preferences::saveUserDefaults()
{
    writeAutostartEntry();

    _store.setBool(QStringLiteral("SendMail"), _flags._isSendMail);
    _store.setBool(QStringLiteral("SendRebuildMail"), _flags._isSendRebuildMail);
    for (const TextSetting& setting : kMailTexts)
        _store.setString(key(setting.key), _form.text(setting.field));
    _store.setBool(QStringLiteral("POPbSMTP"), _flags._isPOPbSMTP);
    for (const TextSetting& setting : kPopTexts)
        _store.setString(key(setting.key), _form.text(setting.field));

    // An empty field leaves the stored password as it is. The 30-byte field holds the UTF-8
    // bytes and at least one terminating zero; a longer password is refused by w1_Ok and
    // never reaches here, but is not stored cut short either.
    const QByteArray utf8 = _form.text(Text::Password).toUtf8();
    if (!utf8.isEmpty() && utf8.size() < qsizetype(kPasswordLength)) {
        QByteArray field(kPasswordLength, '\0');
        std::copy(utf8.cbegin(), utf8.cend(), field.begin());
        scramble(kPasswordSeed, field.constData(), field.data(), kPasswordLength);
        _store.setData(QStringLiteral("Password"), field);
    }

    _store.setBool(QStringLiteral("AddLoginItem"), _flags._isAddLoginItem);
    _store.setBool(QStringLiteral("MakeLog"), _flags._isMakeLog);
    _store.setString(QStringLiteral("LogFilePath"), _form.text(Text::LogFilePath));
    _store.setBool(QStringLiteral("DispPanel"), _flags._isDispPanel);
    _store.setString(QStringLiteral("SMTPSecurity"), _form.text(Text::SMTPSecurity));
    _store.setBool(QStringLiteral("SMTPAuth"), _flags._isSMTPAuth);
    _store.setString(QStringLiteral("SMTPUser"), _form.text(Text::SMTPUser));
    // Like the POP3 password: an empty field leaves the kept password as it is.
    _smtpPassword->save(_form.text(Text::SMTPPassword));
    showSmtpPasswordPlace();
    _store.setString(QStringLiteral("SMTPCAFile"), _form.text(Text::SMTPCAFile));
    _store.setString(QStringLiteral("ReminderHours"), _form.text(Text::ReminderHours));
    _store.setBool(QStringLiteral("DesktopNotifications"), _flags._isDesktopNotifications);
    _store.setBool(QStringLiteral("WebhookEnabled"), _flags._isWebhook);
    _store.setString(QStringLiteral("WebhookURL"), _form.text(Text::WebhookURL));
    _store.setString(QStringLiteral("WebhookFormat"), _form.text(Text::WebhookFormat));
    // Like the SMTP password: an empty field leaves the kept token as it is.
    _webhookToken->save(_form.text(Text::WebhookToken));
    if (_saveMore)
        _saveMore();
    // The options hold for this run either way, but a store that cannot be written must not
    // pass as saved.
    if (!_store.synchronize())
        qCWarning(lcMonitor, "could not write the settings to %s", qPrintable(_store.fileName()));
}

void Preferences::SetMailController(bool enabled)
{
    for (const Text field : kMailFields)
        _form.setEnabled(field, enabled);
    w1_SMTPAuth();
}

void Preferences::setCheckBoxesFromFlags()
{
    _form.setChecked(Box::LoginItem, _flags._isAddLoginItem);
    _form.setChecked(Box::Mail, _flags._isSendMail);
    _form.setChecked(Box::RebuildMail, _flags._isSendRebuildMail);
    _form.setChecked(Box::POPbSMTP, _flags._isPOPbSMTP);
    _form.setChecked(Box::Log, _flags._isMakeLog);
    _form.setChecked(Box::DispPanel, _flags._isDispPanel);
    _form.setChecked(Box::Shutdown, _flags._isShutdown);
    _form.setChecked(Box::SMTPAuth, _flags._isSMTPAuth);
    _form.setChecked(Box::DesktopNotifications, _flags._isDesktopNotifications);
    _form.setChecked(Box::Webhook, _flags._isWebhook);
    w1_Webhook();
    if (_showMore)
        _showMore();
    SetMailController(_form.isChecked(Box::Mail) || _form.isChecked(Box::RebuildMail));
    w1_POPbSMTP();
}

void Preferences::showSmtpPasswordPlace()
{
    switch (_smtpPassword->place()) {
    case SecretPlace::None:
        _form.setText(Text::SMTPPasswordPlace, QString());
        break;
    case SecretPlace::Keyring:
        _form.setText(Text::SMTPPasswordPlace, qtTrId("MSG_SMTPPasswordInKeyring"));
        break;
    case SecretPlace::SettingsFile:
        _form.setText(Text::SMTPPasswordPlace, qtTrId("MSG_SMTPPasswordInFile"));
        break;
    }
}

void Preferences::w1_OrderFront()
{
    setCheckBoxesFromFlags();
    if (_windows)
        _windows->showSettingsWindow();
}

void Preferences::w1_Ok()
{
    if (_windows)
        _windows->commitSettingsEditing();

    // The stored field holds at most 29 bytes of password before its terminating zero. A
    // longer one is refused rather than cut: the window stays open and nothing is saved.
    if (_form.text(Text::Password).toUtf8().size() >= qsizetype(kPasswordLength)) {
        if (_modal)
            _modal->alert(qtTrId("UI_PasswordTooLong"), false);
        return;
    }
    if (_form.text(Text::SMTPPassword).toUtf8().size() > SecretKeeper::kMaxBytes) {
        if (_modal)
            _modal->alert(qtTrId("MSG_SMTPPasswordTooLong"), false);
        return;
    }

    if (_form.text(Text::WebhookToken).toUtf8().size() > SecretKeeper::kMaxBytes) {
        if (_modal)
            _modal->alert(qtTrId("MSG_WebhookTokenTooLong"), false);
        return;
    }

    if (_windows)
        _windows->closeSettingsWindow();
    _flags._isAddLoginItem = _form.isChecked(Box::LoginItem);
    _flags._isSendMail = _form.isChecked(Box::Mail);
    _flags._isSendRebuildMail = _form.isChecked(Box::RebuildMail);
    _flags._isPOPbSMTP = _form.isChecked(Box::POPbSMTP);
    _flags._isMakeLog = _form.isChecked(Box::Log);
    _flags._isDispPanel = _form.isChecked(Box::DispPanel);
    _flags._isShutdown = _form.isChecked(Box::Shutdown);
    _flags._isSMTPAuth = _form.isChecked(Box::SMTPAuth);
    _flags._isDesktopNotifications = _form.isChecked(Box::DesktopNotifications);
    _flags._isWebhook = _form.isChecked(Box::Webhook);
    saveUserDefaults();
}

void Preferences::w1_Cancel()
{
    // Only the window closes: the flags stay, and edited text fields stay in use.
    if (_windows)
        _windows->closeSettingsWindow();
}

void Preferences::w1_SendMail()
{
    if (!_form.isChecked(Box::RebuildMail))
        SetMailController(_form.isChecked(Box::Mail));
}

void Preferences::w1_SendRebuildMail()
{
    if (!_form.isChecked(Box::Mail))
        SetMailController(_form.isChecked(Box::RebuildMail));
}

void Preferences::w1_POPbSMTP()
{
    const bool enabled = _form.isChecked(Box::POPbSMTP);
    for (const Text field : kPopFields)
        _form.setEnabled(field, enabled);
}

void Preferences::loadSmtpPassword()
{
    _smtpPasswordLoaded = true;
    // The keyring is asked only when the settings file holds no SMTP password; a password
    // it does not give leaves the field as it is.
    if (const QString password = _smtpPassword->load(); !password.isEmpty())
        _form.setText(Text::SMTPPassword, password);
}

void Preferences::w1_SMTPAuth()
{
    if (_form.isChecked(Box::SMTPAuth) && !_smtpPasswordLoaded) {
        loadSmtpPassword();
        showSmtpPasswordPlace();
    }
    // With the other mail fields, and only while the sign-in box is checked.
    const bool enabled = _form.isChecked(Box::SMTPAuth) && _form.isEnabled(Text::SMTPServer);
    for (const Text field : kSignInFields)
        _form.setEnabled(field, enabled);
}

void Preferences::loadWebhookToken()
{
    _webhookTokenLoaded = true;
    if (const QString token = _webhookToken->load(); !token.isEmpty())
        _form.setText(Text::WebhookToken, token);
}

void Preferences::w1_Webhook()
{
    const bool enabled = _form.isChecked(Box::Webhook);
    // The keyring is asked for the token only once the webhook is wanted.
    if (enabled && !_webhookTokenLoaded)
        loadWebhookToken();
    for (const Text field : kWebhookFields)
        _form.setEnabled(field, enabled);
}

void Preferences::w1_SetCAFile()
{
    if (!_modal)
        return;
    const std::optional<QString> chosen = _modal->runOpenDialog(_form.text(Text::SMTPCAFile));
    if (chosen && !chosen->isEmpty())
        _form.setText(Text::SMTPCAFile, *chosen);
}

void Preferences::w1_SetFilePath()
{
    if (!_modal)
        return;
    const std::optional<QString> chosen = _modal->runSaveDialog(_form.text(Text::LogFilePath));
    if (chosen && !chosen->isEmpty())
        _form.setText(Text::LogFilePath, *chosen);
}

QString Preferences::autostartEntryPath() const
{
    const QString name = QFileInfo(executablePath(_executablePath)).fileName();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
}

void Preferences::writeAutostartEntry()
{
    // Remove any registration by the executable's name, then register afresh when the option
    // is on. Failures of either step are ignored: the rest of the save goes on.
    const QString path = autostartEntryPath();
    QFile::remove(path);
    if (!_flags._isAddLoginItem)
        return;

    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=TAMRO RAID MONITOR\n"
                                         "Exec=%1\n"
                                         "Hidden=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(executablePath(_executablePath)));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(entry.toUtf8());
        file.commit();
    }
}
