// SPDX-License-Identifier: GPL-3.0-or-later
// Which local user holds the other end of a loopback TCP connection.
#pragma once

#include <QtGlobal>

class QTcpSocket;

namespace tamro::storage {

// The owner's user id of the peer's socket, looked up in the kernel's socket table
// (NETLINK_SOCK_DIAG, an exact match on the connection's addresses and ports, which any user
// may ask for); -1 when it cannot be told.
qint64 peerUser(const QTcpSocket& socket);

} // namespace tamro::storage
