// SPDX-License-Identifier: GPL-3.0-or-later
// A password held as bytes that are wiped before their memory is given back: on
// replacement, on release and on destruction. Never copied; moved only.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <memory>

// Overwrites memory in a way the compiler may not drop as a dead store.
void secureWipe(void* data, std::size_t size);

class SecretBytes
{
public:
    SecretBytes() = default;
    // The text in the local 8-bit encoding.
    explicit SecretBytes(const QString& text) { assign(text); }
    ~SecretBytes() { wipe(); }
    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes&& other) noexcept;
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    // Replaces the held bytes (the old ones are wiped first). An empty text is held as an
    // empty, non-null value.
    void assign(const QString& text);
    // Wipes the bytes and returns to null.
    void wipe();

    bool isNull() const { return !_data; }
    bool isEmpty() const { return _size == 0; }
    qsizetype size() const { return _size; }
    // The bytes, without a terminator (they are NUL-terminated in memory).
    QByteArrayView view() const { return QByteArrayView(_data.get(), _size); }

private:
    std::unique_ptr<char[]> _data;
    qsizetype _size = 0;
};

// The administrator password, process-wide for the rest of the run once it has passed the
// check. It lives in memory only and is wiped at exit.
class RootPassword
{
public:
    static RootPassword& instance();

    bool isHeld() const { return !_bytes.isNull(); }
    const SecretBytes& bytes() const { return _bytes; }
    void hold(const QString& password) { _bytes.assign(password); }
    void release() { _bytes.wipe(); }

private:
    RootPassword() = default;
    SecretBytes _bytes;
};
