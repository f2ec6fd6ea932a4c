// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds random bytes, cut into random chunks, through the service client as if they came
// from the socket, lets the hand-offs run, asks every query, and decodes the bytes as a
// code list. A splitter with a small limit sees the same chunks so its overflow and resync
// paths are reached with short inputs; its pieces must always be whole markup.
#include "service/documentsplitter.h"
#include "service/parseraidinfo.h"
#include "service/raidinfolistener.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

class Listener : public RaidInfoListener
{
public:
    void processRaidInfo(const ServiceAnswer&) override
    {
        // What the controller's pass reads, and its removal of a removed enclosure.
        const int count = client->getDeviceCount();
        for (int i = 0; i < count; ++i) {
            client->plugInfo(i);
            client->mode(i);
            client->friendlyMode(i);
            client->serialNumber(i);
            client->boxDict(i);
        }
        client->eResult();
        client->execInfo();
        if (client->isEvent() && client->eventMsgIdx() == ParseRaidInfo::kRemovalEvent)
            client->removeDictAry(client->getDeviceIndex());
    }
    void errorOccurredStreamEvent() override {}
    ParseRaidInfo* client = nullptr;
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_client";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes seed the chunk sizes.
    std::uint32_t seed = data[0] | (std::uint32_t(data[1]) << 8);
    data += 2;
    size -= 2;
    const auto* bytes = reinterpret_cast<const char*>(data);

    Listener listener;
    ParseRaidInfo client(&listener);
    listener.client = &client;
    client.setHandOffIntervals(0, 0);
    constexpr qsizetype kSmallLimit = 64;
    DocumentSplitter small(kSmallLimit);

    for (std::size_t at = 0; at < size;) {
        seed = seed * 1103515245u + 12345u;
        std::size_t chunk = 1 + (seed >> 16) % 97;
        if ((seed & 0x7) == 0)
            chunk = size - at; // now and then all the rest at once
        if (chunk > size - at)
            chunk = size - at;
        const QByteArray piece(bytes + at, qsizetype(chunk));
        client.handleReadBytes(piece);
        for (const DocumentSplitter::Piece& out : small.feed(piece)) {
            check(!out.bytes.isEmpty());
            if (out.complete) {
                check(out.bytes.startsWith('<') && out.bytes.endsWith('>'));
                check(out.bytes.size() <= kSmallLimit);
            }
        }
        // Nothing piles up beyond one limit plus the read that overflowed it.
        check(small.buffered() <= kSmallLimit + qsizetype(chunk) + 16);
        at += chunk;
    }
    // Deliver the hand-offs (their interval is 0; one is delivered per turn of the loop, and
    // what waits is coalesced, so few are left).
    for (int turn = 0; turn < 64 && client.pendingHandOffs() > 0; ++turn)
        QCoreApplication::processEvents();
    listener.processRaidInfo(client.answer());

    const QString text = ParseRaidInfo::convertUniData(QString::fromLatin1(bytes, qsizetype(size)));
    check(text.size() <= ParseRaidInfo::kCodeListRoom);
    return 0;
}
