// SPDX-License-Identifier: GPL-3.0-or-later
// The version gate. The running system is reported in the gate's encoding (BCD-like, e.g.
// 0x1039 for 10.3.9); the gate passes for a version above 0x1038. On Linux the layer checks
// the platform's own minimum (a kernel of at least 3.2, which every supported desktop has) and
// reports 0x1039 when it is met, 0x1038 when not, and nothing when the query fails.
#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>

namespace Misc {

using VersionQuery = std::function<std::optional<quint32>()>;

// The running system's version in the gate's encoding; nothing when it cannot be told.
std::optional<quint32> runningSystemVersion();

// True only when the query succeeds and reports 0x1039 or later.
bool is_10_39_or_later_version(const VersionQuery& query = runningSystemVersion);

} // namespace Misc
