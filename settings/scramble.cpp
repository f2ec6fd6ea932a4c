// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/scramble.h"

#include <cstdlib>

void scramble(quint32 seed, const void* src, void* dst, unsigned length)
{
    const auto* in = static_cast<const unsigned char*>(src);
    auto* out = static_cast<unsigned char*>(dst);

    srandom(seed);
    unsigned done = 0;
    while (done < length) {
        // Key byte j is byte (j mod 4), least significant first, of the drawn value.
        const auto word = static_cast<quint32>(random());
        const unsigned remaining = length - done;
        const unsigned count = remaining > 4 ? 4 : remaining;
        for (unsigned k = 0; k < count; ++k)
            out[done + k] = static_cast<unsigned char>(in[done + k] ^ ((word >> (8 * k)) & 0xFF));
        done += count;
    }
    srandom(0);
}
