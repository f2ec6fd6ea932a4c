// SPDX-License-Identifier: GPL-3.0-or-later
#include "peeruser.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace tamro::storage {

namespace {

// Puts an address into the four 32-bit words of an inet_diag id, in network order.
bool putAddress(const QHostAddress& address, int family, __be32 out[4])
{
    std::memset(out, 0, 4 * sizeof(__be32));
    if (family == AF_INET) {
        bool ok = false;
        const quint32 v4 = address.toIPv4Address(&ok);
        if (!ok)
            return false;
        out[0] = htonl(v4);
        return true;
    }
    const Q_IPV6ADDR v6 = address.toIPv6Address();
    std::memcpy(out, v6.c, 16);
    return true;
}

} // namespace

qint64 peerUser(const QTcpSocket& socket)
{
    const QHostAddress peer = socket.peerAddress();
    const QHostAddress local = socket.localAddress();
    bool v4 = false;
    peer.toIPv4Address(&v4);
    const int family = v4 ? AF_INET : AF_INET6;

    struct
    {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    message.request.sdiag_family = quint8(family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~0u;
    // The peer's socket: its source is this connection's far end, its destination our end.
    message.request.id.idiag_sport = htons(socket.peerPort());
    message.request.id.idiag_dport = htons(socket.localPort());
    if (!putAddress(peer, family, message.request.id.idiag_src) ||
        !putAddress(local, family, message.request.id.idiag_dst))
        return -1;
    message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;

    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return -1;
    qint64 uid = -1;
    if (::send(fd, &message, sizeof message, 0) == ssize_t(sizeof message)) {
        alignas(nlmsghdr) char buffer[1024];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        const auto* reply = reinterpret_cast<const nlmsghdr*>(buffer);
        if (got >= ssize_t(sizeof(nlmsghdr)) && NLMSG_OK(reply, quint32(got)) &&
            reply->nlmsg_type == SOCK_DIAG_BY_FAMILY &&
            reply->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg))) {
            const auto* found = static_cast<const inet_diag_msg*>(NLMSG_DATA(reply));
            uid = found->idiag_uid;
        }
    }
    ::close(fd);
    return uid;
}

} // namespace tamro::storage
