// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/defaultsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// A text read as a boolean the way the defaults store reads its own texts: true when it
// begins (after white space) with Y, y, T or t, or with a number other than zero; false
// otherwise. So "YES" and "true" are true, "NO", "false" and "" are false.
bool textAsBool(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i == text.size())
        return false;
    const QChar first = text.at(i);
    if (first == u'Y' || first == u'y' || first == u'T' || first == u't')
        return true;
    if (first == u'+' || first == u'-')
        ++i;
    while (i < text.size() && text.at(i) == u'0')
        ++i;
    return i < text.size() && text.at(i) >= u'1' && text.at(i) <= u'9';
}

} // namespace

DefaultsStore::DefaultsStore()
    : _settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("TAMRO"),
                                            QStringLiteral("TAMRO RAID MONITOR")))
{
}

DefaultsStore::DefaultsStore(const QString& iniPath)
    : _settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

DefaultsStore::~DefaultsStore()
{
    // QSettings writes pending changes when it goes (the file already exists, private).
    const QString path = _settings->fileName();
    _settings.reset();
    if (!path.isEmpty() && QFileInfo::exists(path))
        QFile::setPermissions(path, kOwnerOnly);
}

void DefaultsStore::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        _defaults.insert(it.key(), it.value());
}

QVariant DefaultsStore::valueForKey(const QString& key) const
{
    if (_settings->contains(key))
        return _settings->value(key);
    return _defaults.value(key);
}

bool DefaultsStore::boolForKey(const QString& key) const
{
    const QVariant value = valueForKey(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString:
        return textAsBool(value.toString());
    case QMetaType::QByteArray:
        return textAsBool(QString::fromUtf8(value.toByteArray()));
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() != 0.0;
    default:
        return false;
    }
}

QString DefaultsStore::stringForKey(const QString& key) const
{
    const QVariant value = valueForKey(key);
    if (value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList ||
        value.typeId() == QMetaType::QStringList)
        return QString();
    return value.toString();
}

QByteArray DefaultsStore::dataForKey(const QString& key) const
{
    const QVariant value = valueForKey(key);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return QByteArray();
}

std::optional<QVariantMap> DefaultsStore::dictionaryForKey(const QString& key) const
{
    const QVariant value = valueForKey(key);
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap();
    if (value.typeId() == QMetaType::QVariantHash) {
        QVariantMap map;
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        return map;
    }
    return std::nullopt;
}

bool DefaultsStore::hasStoredValue(const QString& key) const
{
    return _settings->contains(key);
}

void DefaultsStore::setBool(const QString& key, bool value)
{
    prepareFile();
    _settings->setValue(key, value);
}

void DefaultsStore::setString(const QString& key, const QString& value)
{
    prepareFile();
    _settings->setValue(key, value);
}

void DefaultsStore::setData(const QString& key, const QByteArray& value)
{
    prepareFile();
    _settings->setValue(key, value);
}

void DefaultsStore::setDictionary(const QString& key, const QVariantMap& value)
{
    prepareFile();
    _settings->setValue(key, value);
}

void DefaultsStore::removeValue(const QString& key)
{
    _settings->remove(key);
}

bool DefaultsStore::synchronize()
{
    prepareFile();
    _settings->sync();
    restrictFile();
    return _settings->status() == QSettings::NoError;
}

QString DefaultsStore::fileName() const
{
    return _settings->fileName();
}

void DefaultsStore::prepareFile() const
{
    // The settings file is replaced atomically on every write, and the replacement takes
    // the permissions of the file it replaces: so create it empty and private before
    // anything is written, and no copy of it is ever readable by others.
    const QString path = _settings->fileName();
    if (path.isEmpty() || QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly))
        file.close();
}

void DefaultsStore::restrictFile() const
{
    const QString path = _settings->fileName();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    QFile::setPermissions(path, kOwnerOnly);
}
