// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/secretbytes.h"

#include <QByteArray>

#include <cstring>
#include <utility>

void secureWipe(void* data, std::size_t size)
{
    if (data && size > 0)
        explicit_bzero(data, size);
}

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : _data(std::move(other._data)), _size(std::exchange(other._size, 0))
{
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept
{
    if (this != &other) {
        wipe();
        _data = std::move(other._data);
        _size = std::exchange(other._size, 0);
    }
    return *this;
}

void SecretBytes::assign(const QString& text)
{
    wipe();
    QByteArray encoded = text.toLocal8Bit();
    const qsizetype size = encoded.size();
    _data = std::make_unique<char[]>(std::size_t(size) + 1);
    std::memcpy(_data.get(), encoded.constData(), std::size_t(size));
    _data[size] = '\0';
    _size = size;
    // The conversion's buffer is ours alone (freshly made), so wiping it through data()
    // does not copy it first.
    secureWipe(encoded.data(), std::size_t(encoded.size()));
}

void SecretBytes::wipe()
{
    if (_data)
        secureWipe(_data.get(), std::size_t(_size) + 1);
    _data.reset();
    _size = 0;
}

RootPassword& RootPassword::instance()
{
    // A function-local static: its destructor (and so the wipe) runs at normal exit.
    static RootPassword holder;
    return holder;
}
