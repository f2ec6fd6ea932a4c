// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/systemversion.h"

#include <sys/utsname.h>

#include <cstdio>

namespace Misc {

std::optional<quint32> runningSystemVersion()
{
    utsname info{};
    if (uname(&info) != 0)
        return std::nullopt;
    int major = 0;
    int minor = 0;
    if (std::sscanf(info.release, "%d.%d", &major, &minor) != 2)
        return std::nullopt;
    const bool meetsMinimum = major > 3 || (major == 3 && minor >= 2);
    return meetsMinimum ? 0x1039u : 0x1038u;
}

bool is_10_39_or_later_version(const VersionQuery& query)
{
    if (!query)
        return false;
    const std::optional<quint32> version = query();
    return version.has_value() && *version > 0x1038u;
}

} // namespace Misc
