// SPDX-License-Identifier: GPL-3.0-or-later
// Scrambling of the stored mail password: each byte is combined by exclusive-or with a key
// stream drawn from the C library's srandom/random after seeding with a fixed value. The
// operation is its own inverse. The generator is reseeded with 0 afterwards, so nothing else
// that draws from it sees the password's key stream continued.
#pragma once

#include <QtGlobal>

// The seed and length every caller uses for the stored password.
inline constexpr quint32 kPasswordSeed = 0x7A6F7271;
inline constexpr unsigned kPasswordLength = 30;

// Scrambles (or unscrambles) length bytes of src into dst; dst may be src itself.
void scramble(quint32 seed, const void* src, void* dst, unsigned length);
