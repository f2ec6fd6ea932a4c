// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user defaults store over QSettings (organization "TAMRO", application
// "TAMRO RAID MONITOR", an INI file under the XDG config home) plus an in-memory table of
// registered defaults that apply while the store holds no value of its own. Booleans
// registered as "YES"/"NO" read as true/false (QVariant would read "NO" as true).
// The file holds the scrambled mail password, so it is kept readable by its owner only.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class DefaultsStore
{
public:
    // The user's store.
    DefaultsStore();
    // A store in the given INI file (tests).
    explicit DefaultsStore(const QString& iniPath);
    ~DefaultsStore();

    void registerDefaults(const QVariantMap& defaults);
    const QVariantMap& registeredDefaults() const { return _defaults; }

    bool boolForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    QByteArray dataForKey(const QString& key) const;
    // The value when it is a dictionary, nothing for any other kind.
    std::optional<QVariantMap> dictionaryForKey(const QString& key) const;
    bool hasStoredValue(const QString& key) const;

    void setBool(const QString& key, bool value);
    void setString(const QString& key, const QString& value);
    void setData(const QString& key, const QByteArray& value);
    void setDictionary(const QString& key, const QVariantMap& value);
    // Removes the store's own value: the registered default applies again.
    void removeValue(const QString& key);

    // Writes the store out; false when it could not be written.
    bool synchronize();
    QString fileName() const;

private:
    QVariant valueForKey(const QString& key) const;
    // Creates the settings file empty, readable by its owner only, when it is missing.
    void prepareFile() const;
    // Makes the settings file readable by its owner only.
    void restrictFile() const;
    std::unique_ptr<QSettings> _settings;
    QVariantMap _defaults;
};
