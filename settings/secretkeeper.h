// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping of one secret: the SMTP sign-in password, or under names of its own the webhook
// token. In the desktop's keyring when one answers; otherwise in the settings file under
// SMTPPassword, scrambled like the POP3 password but in a field of 257 bytes, so app passwords
// and tokens of up to 256 bytes fit. The settings file holds it only when the keyring could not
// take it, so a value there is always the newer one.
#pragma once

#include <QByteArray>
#include <QString>

class DefaultsStore;
class SecretStore;

enum class SecretPlace { None, Keyring, SettingsFile };

class SecretKeeper
{
public:
    static constexpr qsizetype kMaxBytes = 256;
    static constexpr unsigned kFieldLength = 257; // the bytes and at least one zero
    static QString storeKey() { return QStringLiteral("SMTPPassword"); }
    // The entry's name in the keyring, under the application's name as its service.
    static QString keyringKey() { return QStringLiteral("SMTPPassword"); }

    SecretKeeper(DefaultsStore& store, SecretStore& secrets);
    // The same keeping for another secret (the webhook token), under its own names.
    SecretKeeper(DefaultsStore& store, SecretStore& secrets, QString storeName,
                 QString keyringName);

    // The kept password, empty when there is none or the keyring did not answer.
    QString load();
    // Keeps a non-empty password (at most kMaxBytes in UTF-8); an empty one leaves the kept
    // password as it is. A password already kept where it is is not written again, so the
    // keyring is not asked at every save.
    void save(const QString& password);
    SecretPlace place() const { return _place; }

private:
    void keepInSettingsFile(const QString& password);
    static QByteArray fingerprint(const QString& password);

    DefaultsStore& _store;
    SecretStore& _secrets;
    QString _storeName = storeKey();
    QString _keyringName = keyringKey();
    SecretPlace _place = SecretPlace::None;
    QByteArray _keptFingerprint; // a hash of the kept password, not the password itself
};
