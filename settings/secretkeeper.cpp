// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/secretkeeper.h"

#include "platform/logging.h"
#include "settings/defaultsstore.h"
#include "settings/scramble.h"
#include "settings/secretstore.h"
#include "util/secretbytes.h"

#include <QCryptographicHash>

#include <algorithm>

SecretKeeper::SecretKeeper(DefaultsStore& store, SecretStore& secrets)
    : _store(store), _secrets(secrets)
{
}

SecretKeeper::SecretKeeper(DefaultsStore& store, SecretStore& secrets, QString storeName,
                           QString keyringName)
    : _store(store), _secrets(secrets), _storeName(std::move(storeName)),
      _keyringName(std::move(keyringName))
{
}

QByteArray SecretKeeper::fingerprint(const QString& password)
{
    return QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256);
}

QString SecretKeeper::load()
{
    _place = SecretPlace::None;
    _keptFingerprint.clear();
    QString password;
    QByteArray field = _store.dataForKey(_storeName);
    if (!field.isEmpty()) {
        // Read as the POP3 password is: over the value's own length, up to the first zero.
        scramble(kPasswordSeed, field.constData(), field.data(), unsigned(field.size()));
        const qsizetype end = field.indexOf('\0');
        password = QString::fromUtf8(field.constData(), end < 0 ? field.size() : end);
        secureWipe(field.data(), std::size_t(field.size()));
        _place = SecretPlace::SettingsFile;
    } else if (_secrets.isAvailable()) {
        switch (_secrets.read(_keyringName, password)) {
        case SecretStore::Result::Ok:
            _place = SecretPlace::Keyring;
            break;
        case SecretStore::Result::NotFound:
            break;
        case SecretStore::Result::Failed:
            password.clear();
            qCWarning(lcMonitor, "the keyring did not give %s", qPrintable(_storeName));
            break;
        }
    }
    if (_place != SecretPlace::None)
        _keptFingerprint = fingerprint(password);
    return password;
}

void SecretKeeper::save(const QString& password)
{
    if (password.isEmpty())
        return;
    const QByteArray print = fingerprint(password);
    if (_place != SecretPlace::None && print == _keptFingerprint)
        return;
    if (_secrets.isAvailable()) {
        if (_secrets.write(_keyringName, password) == SecretStore::Result::Ok) {
            _store.removeValue(_storeName);
            _place = SecretPlace::Keyring;
            _keptFingerprint = print;
            return;
        }
        qCWarning(lcMonitor, "the keyring did not take %s: it is kept in the settings file",
                  qPrintable(_storeName));
    }
    keepInSettingsFile(password);
    _keptFingerprint = print;
}

void SecretKeeper::keepInSettingsFile(const QString& password)
{
    QByteArray utf8 = password.toUtf8();
    QByteArray field(qsizetype(kFieldLength), '\0');
    std::copy_n(utf8.cbegin(), std::min(utf8.size(), kMaxBytes), field.begin());
    secureWipe(utf8.data(), std::size_t(utf8.size()));
    scramble(kPasswordSeed, field.constData(), field.data(), kFieldLength);
    _store.setData(_storeName, field);
    _place = SecretPlace::SettingsFile;
}
