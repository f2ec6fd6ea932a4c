// SPDX-License-Identifier: GPL-3.0-or-later
// A place for secrets outside the settings file: the desktop's keyring (the Secret Service
// on the session bus). The logic sees only this interface; the real keyring lives in a small
// library of its own (keychain/keychainstore.h) and tests put a stand-in in its place.
#pragma once

#include <QString>

class SecretStore
{
public:
    enum class Result { Ok, NotFound, Failed };

    virtual ~SecretStore() = default;
    // True when a keyring answers on the session bus. Without a bus or a keyring it says so
    // at once: nothing waits.
    virtual bool isAvailable() = 0;
    // Each call returns within the store's own time limit (Failed when it passed); the
    // event loop keeps turning meanwhile.
    virtual Result read(const QString& key, QString& secret) = 0;
    virtual Result write(const QString& key, const QString& secret) = 0;
};

// No keyring at all: every secret goes to the settings file.
class NoSecretStore : public SecretStore
{
public:
    bool isAvailable() override { return false; }
    Result read(const QString&, QString&) override { return Result::Failed; }
    Result write(const QString&, const QString&) override { return Result::Failed; }
};
