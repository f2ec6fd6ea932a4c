// STUB: placeholder so the tree links; replaced by the real store.
#include "settings/defaultsstore.h"
DefaultsStore::DefaultsStore() : _settings(std::make_unique<QSettings>()) {}
DefaultsStore::DefaultsStore(const QString& iniPath) : _settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}
DefaultsStore::~DefaultsStore() = default;
void DefaultsStore::registerDefaults(const QVariantMap& defaults) { _defaults = defaults; }
bool DefaultsStore::boolForKey(const QString&) const { return false; }
QString DefaultsStore::stringForKey(const QString&) const { return {}; }
QByteArray DefaultsStore::dataForKey(const QString&) const { return {}; }
std::optional<QVariantMap> DefaultsStore::dictionaryForKey(const QString&) const { return std::nullopt; }
bool DefaultsStore::hasStoredValue(const QString&) const { return false; }
void DefaultsStore::setBool(const QString&, bool) {}
void DefaultsStore::setString(const QString&, const QString&) {}
void DefaultsStore::setData(const QString&, const QByteArray&) {}
void DefaultsStore::setDictionary(const QString&, const QVariantMap&) {}
bool DefaultsStore::synchronize() { return false; }
QString DefaultsStore::fileName() const { return {}; }
QVariant DefaultsStore::valueForKey(const QString&) const { return {}; }
