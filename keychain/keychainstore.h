// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's keyring through QtKeychain (the Secret Service on the session bus, or
// KWallet). QtKeychain works in jobs that finish later; each call here runs its job in a
// nested event loop, so the windows keep being served, and gives up at a time limit. Before
// any job the session bus is asked whether a keyring is there at all, so a run without a bus
// or without a keyring never waits. A keyring that once let a job run past the limit is not
// asked again in this run: QtKeychain runs its jobs one after another, and every later one
// would wait behind the one that hangs.
#pragma once

#include "settings/secretstore.h"

#include <QString>

class KeychainSecretStore : public SecretStore
{
public:
    // The service name the entries are kept under, and the time limit of each job.
    explicit KeychainSecretStore(QString service, int timeoutMs = 10000);

    bool isAvailable() override;
    Result read(const QString& key, QString& secret) override;
    Result write(const QString& key, const QString& secret) override;

private:
    bool _unresponsive = false;
    QString _service;
    int _timeoutMs;
};
