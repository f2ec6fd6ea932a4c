// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing answers and event messages into the device table, and the queries over it.
#include "servicefixtures.h"
#include "testmain.h"

#include <QSignalSpy>

#include <memory>

using namespace fixtures;

class TestDeviceTable : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeListener> listener;
    std::unique_ptr<ParseRaidInfo> client;

    // Lets every armed hand-off reach the listener.
    void deliver() { QTRY_COMPARE(client->pendingHandOffs(), 0); }
    void feedAndDeliver(const QByteArray& bytes)
    {
        client->handleReadBytes(bytes);
        deliver();
    }
    int keyOf(int index) const { return client->serialNumber(index); }

private slots:
    void init()
    {
        listener = std::make_unique<FakeListener>();
        client = std::make_unique<ParseRaidInfo>(listener.get());
        listener->client = client.get();
        client->setHandOffIntervals(0, 0);
    }
    void cleanup()
    {
        client.reset();
        listener.reset();
    }

    void creationState()
    {
        QCOMPARE(client->getCommand(), int(ParseRaidInfo::kConfig));
        QCOMPARE(client->getDeviceIndex(), 0);
        QCOMPARE(client->getDeviceCount(), 0);
        QVERIFY(!client->isProcess());
        QVERIFY(!client->isConnected());
        QVERIFY(client->data().isEmpty());
    }

    void twoNewEnclosures()
    {
        client->handleReadBytes(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")}}));
        QVERIFY(client->isParse());
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(keyOf(0), 1001);
        QCOMPARE(keyOf(1), 2002);
        QCOMPARE(client->getDeviceIndex(), 1);
        // Handed off later, from the event loop, exactly once.
        QCOMPARE(listener->deliveries.size(), 0);
        QCOMPARE(client->pendingHandOffs(), 1);
        deliver();
        QCOMPARE(listener->deliveries.size(), 1);
        QCOMPARE(listener->deliveries[0].serial, 2002);
        QVERIFY(!listener->deliveries[0].isEvent);
        QVERIFY(listener->deliveries[0].isParse);
        QVERIFY(listener->deliveries[0].isProcess);
        QVERIFY(!client->isProcess());
        QTest::qWait(20);
        QCOMPARE(listener->deliveries.size(), 1);
    }

    void singleByteReadsChangeNothing()
    {
        const QByteArray message = answer({Box{QStringLiteral("1001")}});
        client->handleReadBytes(message);
        QSignalSpy parsed(client.get(), &ParseRaidInfo::documentParsed);
        client->handleReadBytes("x");
        client->handleReadBytes(QByteArray(1, '\0'));
        client->handleReadBytes(QByteArray());
        QCOMPARE(parsed.size(), 0);
        QCOMPARE(client->data(), message.trimmed());
        // Inside a document a single byte belongs to it: here the closing '>'.
        const QByteArray next = answer({Box{QStringLiteral("2002")}}).trimmed();
        client->handleReadBytes(next.chopped(1));
        client->handleReadBytes(next.right(1));
        QCOMPARE(parsed.size(), 1);
        QVERIFY(client->isParse());
        QCOMPARE(client->getDeviceCount(), 2);
    }

    void answerWithoutBoxNamesCurrentEnclosure()
    {
        feedAndDeliver(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")}}));
        client->setDeviceIndex(0);
        client->handleReadBytes(answer({}));
        // The record names the enclosure current at the document's end, whatever moves after.
        client->setDeviceIndex(1);
        deliver();
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(listener->deliveries.size(), 2);
        QCOMPARE(listener->deliveries[1].deviceIndex, 0);
        QCOMPARE(listener->deliveries[1].serial, 1001);
    }

    void answerWithoutBoxOnEmptyTable()
    {
        feedAndDeliver(answer({}));
        QCOMPARE(listener->deliveries.size(), 1);
        QCOMPARE(listener->deliveries[0].deviceCount, 0);
        QCOMPARE(listener->deliveries[0].serial, 0);
        QCOMPARE(listener->deliveries[0].deviceIndex, 0);
    }

    void sameAnswerAgainReplacesInPlace()
    {
        Box a{QStringLiteral("1001")};
        const Box b{QStringLiteral("2002")};
        feedAndDeliver(answer({a, b}));
        client->setDeviceIndex(0);
        a.drives[0].model = QStringLiteral("Newer");
        client->handleReadBytes(answer({a, b}));
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(client->getDeviceIndex(), 0); // no new enclosure: the index stays
        QCOMPARE(ParseRaidInfo::convertUniData(client->drive0Dict(0).value("ModelName")),
                 QStringLiteral("Newer"));
        deliver();
        QCOMPARE(listener->deliveries.last().serial, 1001);
    }

    void laterAnswerWithOnlyB()
    {
        Box a{QStringLiteral("1001")};
        Box b{QStringLiteral("2002")};
        feedAndDeliver(answer({a, b}));
        const AttrRecord oldA = client->boxDict(0);
        b.friendly = QStringLiteral("JBOD");
        b.drives[1].plugged = QStringLiteral("0");
        feedAndDeliver(answer({b}));
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(client->boxDict(0), oldA);
        QCOMPARE(client->friendlyMode(1), QStringLiteral("JBOD"));
        QCOMPARE(client->plugStatus(1), 2);
    }

    void keysWithLeadingZeroAreOneEnclosure()
    {
        Box first{QStringLiteral("0123")};
        Box second{QStringLiteral("123")};
        second.friendly = QStringLiteral("Second");
        client->handleReadBytes(answer({first, second}));
        QCOMPARE(client->getDeviceCount(), 1);
        QCOMPARE(keyOf(0), 123);
        QCOMPARE(client->friendlyMode(0), QStringLiteral("Second"));
        QCOMPARE(ParseRaidInfo::convertUniData(client->boxDict(0).value("SerialNumber")),
                 QStringLiteral("123"));
    }

    void partitionsFollowTheirDrive()
    {
        Box box{QStringLiteral("1")};
        box.friendly.clear();
        box.drives = {Drive{1}, Drive{2}};
        box.drives[0].capacity = QStringLiteral("11.5");
        box.drives[1].capacity = QStringLiteral("22.5");
        client->handleReadBytes(answer({box}));
        QCOMPARE(client->drive0Dict(0), AttrRecord());
        QCOMPARE(client->drive1Dict(0).value("Capacity_GB"), QStringLiteral("11.5"));
        QCOMPARE(client->drive1Dict(0).value("id"), QStringLiteral("1"));
        // Drive 2 and its partition are only listed.
        const QList<AttrRecord>& ary = client->ary();
        const bool listed = std::any_of(ary.begin(), ary.end(), [](const AttrRecord& r) {
            return r.value("id") == QStringLiteral("2");
        });
        QVERIFY(listed);
        QCOMPARE(ary.last().value("Capacity_GB"), QStringLiteral("22.5"));
    }

    void partitionBeforeAnyDriveGoesToDriveZero()
    {
        client->handleReadBytes("<SVConfigCmd><SVBox SerialNumber=\"49\">"
                                "<SVPhysPartition Capacity_GB=\"5\" Status=\"3\"/>"
                                "</SVBox><SVBox SerialNumber=\"50\">"
                                "<SVPhysPartition Capacity_GB=\"6\"/></SVBox></SVConfigCmd>");
        QCOMPARE(client->drive0Dict(0).value("Status"), QStringLiteral("3"));
        QCOMPARE(client->drive0Dict(0).value("Capacity_GB"), QStringLiteral("5"));
        QCOMPARE(client->drive1Dict(0), AttrRecord());
        QCOMPARE(client->drive0Dict(1).value("Capacity_GB"), QStringLiteral("6"));
    }

    void driveRecordKeepsOnlyItsAttributes()
    {
        client->handleReadBytes("<SVConfigCmd><SVBox SerialNumber=\"49\" Extra=\"e\">"
                                "<SVPhysDrive id=\"0\" PluggedIn=\"1\" Foo=\"bar\"/>"
                                "</SVBox></SVConfigCmd>");
        const AttrRecord drive = client->drive0Dict(0);
        QCOMPARE(drive.value("PluggedIn"), QStringLiteral("1"));
        QVERIFY(!drive.contains("Foo"));
        QVERIFY(!drive.contains("ModelName")); // absent stays absent, reads as empty
        QCOMPARE(client->boxDict(0).value("Extra"), QStringLiteral("e"));
    }

    void volumeCapacityOverlaysBox()
    {
        client->handleReadBytes(answer({Box{QStringLiteral("7")}}));
        QCOMPARE(client->boxDict(0).value("Capacity_GB"), QStringLiteral("232.88"));
        QCOMPARE(client->boxDict(0).value("BoxRebuildStatus"), codeList(QStringLiteral("Normal")));
        QCOMPARE(client->mode(0), 1);
    }

    void enclosureWithoutSerialNumber_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::newRow("absent") << QString();
        QTest::newRow("empty") << QStringLiteral("");
    }
    void enclosureWithoutSerialNumber()
    {
        QFETCH(QString, serial);
        feedAndDeliver(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")}}));
        client->setDeviceIndex(0);
        Box nameless;
        nameless.serial = serial;
        client->handleReadBytes(answer({nameless}));
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(client->boxDict(0).value("SerialNumber"), codeList(QStringLiteral("1001")));
        deliver();
        QCOMPARE(listener->deliveries.size(), 2);
        QCOMPARE(listener->deliveries[1].serial, 1001);
    }

    void workingRecordsAreClearedAfterEachBox()
    {
        Box nameless;
        Box driveless{QStringLiteral("5")};
        driveless.drives.clear();
        driveless.friendly.clear();
        client->handleReadBytes(answer({nameless, driveless}));
        QCOMPARE(client->getDeviceCount(), 1);
        QCOMPARE(keyOf(0), 5);
        // Nothing of the nameless box leaked into the next enclosure's entries.
        QCOMPARE(client->drive0Dict(0), AttrRecord());
        QCOMPARE(client->drive1Dict(0), AttrRecord());
        QVERIFY(!client->boxDict(0).contains("mode"));
    }

    void eventMovesIndexWithoutHandOff()
    {
        feedAndDeliver(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")}},
                              " eResult=\"4\" ExecInfo=\"" + codeList("Done").toUtf8() + "\""));
        QCOMPARE(client->eResult(), 4);
        client->handleReadBytes(eventMessage(5, QStringLiteral("1001")));
        QVERIFY(client->isParse());
        QCOMPARE(client->getDeviceIndex(), 0);
        QCOMPARE(client->pendingHandOffs(), 0);
        QCOMPARE(client->eResult(), 0);
        QCOMPARE(client->execInfo(), QString());
        QCOMPARE(client->eventMsgIdx(), 5);
        QVERIFY(client->isEvent());
        QTest::qWait(20);
        QCOMPARE(listener->deliveries.size(), 1);
    }

    void eventForUnknownEnclosureChangesNothing()
    {
        feedAndDeliver(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")}}));
        const AttrRecord box = client->boxDict(1);
        client->handleReadBytes(eventMessage(5, QStringLiteral("999")));
        QCOMPARE(client->getDeviceIndex(), 1);
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(client->boxDict(1), box);
    }

    void removalEvent()
    {
        feedAndDeliver(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")},
                               Box{QStringLiteral("3003")}}));
        client->handleReadBytes(eventMessage(13, QStringLiteral("2002")));
        QCOMPARE(client->getDeviceIndex(), 1);
        QCOMPARE(client->boxDict(1).size(), 1);
        QCOMPARE(client->boxDict(1).value("SerialNumber"), codeList(QStringLiteral("2002")));
        QCOMPARE(client->drive0Dict(1), AttrRecord());
        QCOMPARE(client->drive1Dict(1), AttrRecord());
        QCOMPARE(client->execInfo(), QStringLiteral("Failed configuration."));
        QCOMPARE(client->plugInfo(1), QStringLiteral("Failed configuration."));
        QCOMPARE(client->pendingHandOffs(), 1);
        listener->onProcess = [this] {
            // The controller processes the enclosure alone, then drops it.
            client->removeDictAry(client->getDeviceIndex());
        };
        deliver();
        QCOMPARE(listener->deliveries.size(), 2);
        const Delivery& d = listener->deliveries[1];
        QVERIFY(d.isEvent);
        QCOMPARE(d.eventMsgIdx, 13);
        QCOMPARE(d.deviceIndex, 1);
        QCOMPARE(d.serial, 2002);
        QCOMPARE(d.execInfo, QStringLiteral("Failed configuration."));
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(keyOf(1), 3003);
        QCOMPARE(client->getDeviceIndex(), 0);
    }

    // A removal naming an enclosure the table does not hold changes nothing and is not
    // handed over: the controller would otherwise drop the current, still attached one.
    void removalEventForUnknownEnclosureChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("event");
        QTest::newRow("unknown serial") << eventMessage(13, QStringLiteral("4242"));
        QTest::newRow("no serial") << QByteArray("<SVEventLogCmd><SVEvent MsgIdx=\"13\"/>"
                                                 "</SVEventLogCmd>");
    }
    void removalEventForUnknownEnclosureChangesNothing()
    {
        QFETCH(QByteArray, event);
        feedAndDeliver(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")}}));
        client->handleReadBytes(event);
        deliver();
        QCOMPARE(listener->deliveries.size(), 1);
        QCOMPARE(client->getDeviceCount(), 2);
        QVERIFY(client->boxDict(0).size() > 1);
        QVERIFY(client->boxDict(1).size() > 1);
        QCOMPARE(client->pendingHandOffs(), 0);
    }

    // A removal hand-off whose enclosure has left the table by the time it is delivered has
    // nothing left to remove: it must not fall back to index 0 and drop an enclosure that
    // is still there.
    void removalOfAnEnclosureAlreadyGone_data()
    {
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("deliveries");
        QTest::newRow("same enclosure removed twice")
            << QByteArrayList{eventMessage(13, QStringLiteral("2002")),
                              eventMessage(13, QStringLiteral("2002"))}
            << QList<int>{1001, 3003} << 1;
        QTest::newRow("removal of the enclosure at index 0 twice")
            << QByteArrayList{eventMessage(13, QStringLiteral("1001")),
                              eventMessage(13, QStringLiteral("1001"))}
            << QList<int>{2002, 3003} << 1;
        QTest::newRow("a later answer moves nothing back")
            << QByteArrayList{eventMessage(13, QStringLiteral("3003")),
                              eventMessage(13, QStringLiteral("3003")),
                              answer({Box{QStringLiteral("1001")}})}
            << QList<int>{1001, 2002} << 2;
    }
    void removalOfAnEnclosureAlreadyGone()
    {
        QFETCH(QByteArrayList, reads);
        QFETCH(QList<int>, keys);
        QFETCH(int, deliveries);
        feedAndDeliver(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")},
                               Box{QStringLiteral("3003")}}));
        listener->deliveries.clear();
        listener->onProcess = [this] {
            // As the controller does: a removal event drops the enclosure it names.
            if (client->eventMsgIdx() == ParseRaidInfo::kRemovalEvent)
                client->removeDictAry(client->getDeviceIndex());
        };
        // Every read arrives before the first hand-off is delivered.
        for (const QByteArray& read : reads)
            client->handleReadBytes(read);
        deliver();
        QList<int> seen;
        for (int i = 0; i < client->getDeviceCount(); ++i)
            seen.append(keyOf(i));
        QCOMPARE(seen, keys);
        QCOMPARE(listener->deliveries.size(), deliveries);
    }

    void removalOnAnEmptyTableStillHandsOff()
    {
        // Nothing to point at by mistake: the controller still hears of the event.
        client->handleReadBytes(eventMessage(13, QStringLiteral("1001")));
        deliver();
        QCOMPARE(listener->deliveries.size(), 1);
        QVERIFY(listener->deliveries[0].isEvent);
        QCOMPARE(listener->deliveries[0].eventMsgIdx, 13);
    }

    void handOffFollowsTheEnclosure()
    {
        feedAndDeliver(answer({Box{QStringLiteral("1001")}, Box{QStringLiteral("2002")}}));
        client->handleReadBytes(answer({Box{QStringLiteral("3003")}}));
        QCOMPARE(client->getDeviceIndex(), 2);
        client->removeDictAry(0);
        deliver();
        QCOMPARE(listener->deliveries.last().deviceIndex, 1);
        QCOMPARE(listener->deliveries.last().serial, 3003);

        // Gone by the time of delivery: index 0.
        client->handleReadBytes(answer({Box{QStringLiteral("4004")}}));
        client->removeDictAry(2);
        client->setDeviceIndex(1);
        deliver();
        QCOMPARE(listener->deliveries.last().deviceIndex, 0);
    }

    void execInfoIsRestoredAtDelivery()
    {
        client->handleReadBytes(
            answer({Box{QStringLiteral("1001")}},
                   " eResult=\"0\" ExecInfo=\"" + codeList("Scan done.").toUtf8() + "\""));
        // An event message renews the command record before the hand-off arrives.
        client->handleReadBytes(eventMessage(5, QStringLiteral("1001")));
        QCOMPARE(client->execInfo(), QString());
        deliver();
        QCOMPARE(listener->deliveries.size(), 1);
        QCOMPARE(listener->deliveries[0].execInfo, QStringLiteral("Scan done."));
        QVERIFY(!listener->deliveries[0].isEvent);
        QCOMPARE(listener->deliveries[0].eventMsgIdx, 0);
    }

    void lookup()
    {
        QCOMPARE(client->getDeviceIndexFromSerialNumber(5), 0);
        feedAndDeliver(answer(
            {Box{QStringLiteral("11")}, Box{QStringLiteral("22")}, Box{QStringLiteral("33")}}));
        QCOMPARE(client->getDeviceIndexFromSerialNumber(33), 2);
        QCOMPARE(client->getDeviceIndexFromSerialNumber(22), 1);
        QCOMPARE(client->getDeviceIndexFromSerialNumber(44), 0);
    }

    // An answer with more enclosures than the controller has slots: the first ones fill the
    // table, the rest are left out (the pass then ends the program at its limit).
    void tableHoldsTheSlotCount()
    {
        QByteArray xml = "<SVConfigCmd eResult=\"0\">";
        for (int i = 1; i <= 1700; ++i)
            xml += "<SVBox SerialNumber=\"" + codeList(QString::number(i)).toUtf8() + "\"/>";
        xml += "</SVConfigCmd>";
        QVERIFY(xml.size() <= DocumentSplitter::kDefaultLimit);
        client->handleReadBytes(xml);
        QVERIFY(client->isParse());
        QCOMPARE(client->getDeviceCount(), ParseRaidInfo::kTableRoom);
        QCOMPARE(keyOf(0), 1);
        QCOMPARE(keyOf(15), 16);
        QCOMPARE(client->getDeviceIndex(), 15);
        QCOMPARE(client->getDeviceIndexFromSerialNumber(16), 15);
        QCOMPARE(client->getDeviceIndexFromSerialNumber(1700), 0);
        // Enclosures in the table are still replaced.
        feedAndDeliver(answer({Box{QStringLiteral("3")}}));
        QCOMPARE(client->getDeviceCount(), ParseRaidInfo::kTableRoom);
        QCOMPARE(client->boxDict(2).value("Capacity_GB"), QStringLiteral("232.88"));
    }

    void removeOutOfRangeOnlyResetsIndex()
    {
        feedAndDeliver(answer({Box{QStringLiteral("11")}, Box{QStringLiteral("22")}}));
        client->removeDictAry(7);
        client->removeDictAry(-1);
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(client->getDeviceIndex(), 0);
    }

    void failedDocumentKeepsWhatWasMergedAndStillHandsOff()
    {
        QByteArray broken = answer({Box{QStringLiteral("1001")}});
        // Balanced, so it frames as one document, but the reader stops at the bare value.
        broken.replace("</SVConfigCmd>", "<SVBox SerialNumber=\"50\" a=1></SVBox></SVConfigCmd>");
        client->handleReadBytes(broken);
        QVERIFY(!client->isParse());
        QCOMPARE(client->getDeviceCount(), 1);
        deliver();
        QCOMPARE(listener->deliveries.size(), 1);
        QVERIFY(!listener->deliveries[0].isParse);
    }

    void documentTypeIsRefusedAndNothingExpands()
    {
        client->handleReadBytes("<!DOCTYPE SVConfigCmd [<!ENTITY e \"49, 50\">]>"
                                "<SVConfigCmd><SVBox SerialNumber=\"&e;\"/></SVConfigCmd>");
        QVERIFY(!client->isParse());
        QCOMPARE(client->getDeviceCount(), 0);
        QVERIFY(client->ary().isEmpty());
        deliver();
        QCOMPARE(listener->deliveries.size(), 1);
    }

    void namesCompareExactly()
    {
        client->handleReadBytes("<SVConfigCmd><svbox SerialNumber=\"49\"></svbox>"
                                "<x:SVBox SerialNumber=\"50\"></x:SVBox></SVConfigCmd>");
        QVERIFY(client->isParse());
        QCOMPARE(client->getDeviceCount(), 0);
    }

    void hostileInputNeverCrashes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("handOffs");
        QByteArray deep;
        for (int i = 0; i < 4000; ++i)
            deep += "<SVBox>";
        for (int i = 0; i < 4000; ++i)
            deep += "</SVBox>";
        QTest::newRow("deep nesting") << deep << true << 1;
        QTest::newRow("huge attribute") << QByteArray("<SVConfigCmd><SVBox SerialNumber=\"" +
                                                      QByteArray(60000, '7') + "\"/></SVConfigCmd>")
                                        << true << 1;
        QTest::newRow("codes out of range")
            << QByteArray("<SVConfigCmd><SVBox SerialNumber=\"999999, -5, 70000\"/></SVConfigCmd>")
            << true << 1;
        QTest::newRow("NUL in attribute")
            << QByteArray("<SVBox SerialNumber=\"4\0\"/>", 26) << false << 1;
        QTest::newRow("unknown elements") << QByteArray("<Foo><Bar a=\"1\"/></Foo>") << true << 1;
        QTest::newRow("missing attributes")
            << QByteArray("<SVConfigCmd><SVPhysDrive/><SVPhysPartition/>"
                          "<SVPartialVolume/><SVBox/></SVConfigCmd>")
            << true << 1;
        // An event without MsgIdx reads as 0: it only moves the index, no hand-off.
        QTest::newRow("bare event")
            << QByteArray("<SVEventLogCmd><SVEvent/></SVEventLogCmd>") << true << 0;
        QTest::newRow("mismatched tags") << QByteArray("<SVBox></SVEvent>") << false << 1;
        QTest::newRow("binary") << QByteArray("<\xff\xfe\x01\x02>\x80</\xff\xfe\x01\x02>") << false
                                << 1;
        QTest::newRow("undeclared entity")
            << QByteArray("<SVBox SerialNumber=\"&zz;\"/>") << false << 1;
    }
    void hostileInputNeverCrashes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(int, handOffs);
        QSignalSpy parsed(client.get(), &ParseRaidInfo::documentParsed);
        client->handleReadBytes(bytes);
        QCOMPARE(parsed.size(), 1);
        QCOMPARE(client->isParse(), ok);
        QVERIFY(client->getDeviceCount() <= 1);
        for (int i = 0; i < client->getDeviceCount(); ++i) {
            QVERIFY(!client->plugInfo(i).isEmpty());
            QCOMPARE(client->serialNumber(i), 0);
        }
        deliver();
        QCOMPARE(listener->deliveries.size(), handOffs);
    }

    // --- Queries

    void plugStatusAndInfo_data()
    {
        QTest::addColumn<QString>("plugged0"); // null: drive 0 without the attribute
        QTest::addColumn<QString>("plugged1");
        QTest::addColumn<QString>("failed0"); // null: no Failed attribute
        QTest::addColumn<QString>("failed1");
        QTest::addColumn<QString>("friendly");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("info");
        const QString none;
        const auto row = [&](const char* name, const QString& plugged0, const QString& plugged1,
                             const QString& friendly, int status, const char* info,
                             const QString& failed0 = QString(),
                             const QString& failed1 = QString()) {
            QTest::newRow(name) << plugged0 << plugged1 << failed0 << failed1 << friendly << status
                                << QString::fromLatin1(info);
        };
        row("both in", "1", "1", "RAID 1", 0, "Retrieved configuration.");
        row("first out", "0", "1", "RAID 1", 1, "Disk1 is not connected.");
        row("second out", "1", "0", "RAID 1", 2, "Disk2 is not connected.");
        row("both out, with volume", "0", "0", "RAID 1", 3, "Disk1/2 is not connected.");
        row("both out, no volume", "0", "0", "", 3, "Device re-scan did not find any devices.");
        row("absent counts as out", none, "1", "RAID 1", 1, "Disk1 is not connected.");
        row("2 and -1 count as in", "2", "-1", "RAID 1", 0, "Retrieved configuration.");
        row("texts reading 0", "x", " 0", "RAID 1", 3, "Disk1/2 is not connected.");
        // A drive attached but failed counts out and says why.
        row("second failed", "1", "1", "RAID 1", 2, "Disk2 has failed.", "0", "1");
        row("first failed, any non-zero", "1", "1", "RAID 1", 1, "Disk1 has failed.", "-2");
        row("both failed", "1", "1", "RAID 1", 3, "Disk1/2 have failed.", "1", "1");
        row("both failed, no volume", "1", "1", "", 3, "Disk1/2 have failed.", "1", "1");
        row("failed, other pulled", "0", "1", "RAID 1", 3, "Disk1/2 is not connected.", none, "1");
        row("pulled and marked failed", "0", "1", "RAID 1", 1, "Disk1 is not connected.", "1");
        row("Failed reading 0", "1", "1", "RAID 1", 0, "Retrieved configuration.", "0", "x");
    }
    void plugStatusAndInfo()
    {
        QFETCH(QString, plugged0);
        QFETCH(QString, plugged1);
        QFETCH(QString, failed0);
        QFETCH(QString, failed1);
        QFETCH(QString, friendly);
        QFETCH(int, status);
        QFETCH(QString, info);
        const auto failed = [](const QString& value) {
            return value.isNull() ? QByteArray() : attr("Failed", value);
        };
        QByteArray xml = "<SVConfigCmd><SVBox SerialNumber=\"57\">";
        if (!plugged0.isNull())
            xml += "<SVPhysDrive id=\"0\"" + attr("PluggedIn", plugged0) + failed(failed0) + "/>";
        else
            xml += "<SVPhysDrive id=\"0\"" + failed(failed0) + "/>";
        xml += "<SVPhysDrive id=\"1\"" + attr("PluggedIn", plugged1) + failed(failed1) + "/>";
        if (!friendly.isEmpty())
            xml += "<SVPartialVolume mode=\"2\"" + attr("FriendlyMode", codeList(friendly)) + "/>";
        xml += "</SVBox></SVConfigCmd>";
        client->handleReadBytes(xml);
        QVERIFY(client->isParse());
        QCOMPARE(client->plugStatus(0), status);
        QCOMPARE(client->plugInfo(0), info);
        QCOMPARE(client->friendlyMode(0), friendly);
        QCOMPARE(client->drive1Dict(0).value("Failed"), failed1);
    }

    void emptyTableFallbacks()
    {
        QCOMPARE(client->getDeviceCount(), 0);
        QCOMPARE(client->serialNumber(0), 0);
        QCOMPARE(client->plugStatus(0), 3);
        QCOMPARE(client->boxDict(0), AttrRecord());
        QCOMPARE(client->mode(0), 0);
        QCOMPARE(client->friendlyMode(0), QString());
        QCOMPARE(client->eResult(), 0);
        QCOMPARE(client->plugInfo(0), QStringLiteral("Device re-scan did not find any devices."));
        // A removal event on an empty table.
        client->handleReadBytes(eventMessage(13, QStringLiteral("1")));
        QCOMPARE(client->plugInfo(0), QStringLiteral("Failed configuration."));
    }

    void emptyTableReadsTheWorkingRecord()
    {
        // A volume outside any enclosure end stays in the working box record.
        client->handleReadBytes("<SVConfigCmd><SVPartialVolume mode=\"3\" FriendlyMode=\"" +
                                codeList("Mirror").toUtf8() + "\"/></SVConfigCmd>");
        QVERIFY(client->isParse());
        QCOMPARE(client->getDeviceCount(), 0);
        QCOMPARE(client->mode(0), 3);
        QCOMPARE(client->friendlyMode(0), QStringLiteral("Mirror"));
        QCOMPARE(client->boxDict(0).value("mode"), QStringLiteral("3"));
        QCOMPARE(client->plugStatus(0), 3);
        QCOMPARE(client->plugInfo(0), QStringLiteral("Disk1/2 is not connected."));
    }

    void serialNumberKey_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("key");
        QTest::newRow("digits") << "123456" << 123456;
        QTest::newRow("digits then letters") << "42AB7" << 42;
        QTest::newRow("letters first") << "AB42" << 0;
        QTest::newRow("leading blanks") << "  17" << 17;
        QTest::newRow("too big") << "99999999999" << 2147483647;
    }
    void serialNumberKey()
    {
        QFETCH(QString, serial);
        QFETCH(int, key);
        client->handleReadBytes(answer({Box{serial}}));
        QCOMPARE(client->getDeviceCount(), 1);
        QCOMPARE(client->serialNumber(0), key);
    }

    void commandResult_data()
    {
        QTest::addColumn<QByteArray>("attrs");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("eResult");
        QTest::addColumn<QString>("execInfo");
        QTest::newRow("absent") << QByteArray() << QByteArray("SVConfigCmd") << 0 << QString();
        QTest::newRow("error") << QByteArray(" eResult=\"-3\" ExecInfo=\"79, 75\"")
                               << QByteArray("SVConfigCmd") << -3 << "OK";
        QTest::newRow("scan answer")
            << QByteArray(" eResult=\"7x\"") << QByteArray("SVScanDevicesCmd") << 7 << QString();
    }
    void commandResult()
    {
        QFETCH(QByteArray, attrs);
        QFETCH(QByteArray, command);
        QFETCH(int, eResult);
        QFETCH(QString, execInfo);
        client->handleReadBytes(answer({}, attrs, command.constData()));
        QVERIFY(client->isParse());
        QCOMPARE(client->eResult(), eResult);
        QCOMPARE(client->execInfo(), execInfo);
        QCOMPARE(client->ary().first(), client->configDict());
    }

    void deviceIndexAcceptsAnyValue()
    {
        client->setDeviceIndex(-5);
        QCOMPARE(client->getDeviceIndex(), -5);
        client->setDeviceIndex(99);
        QCOMPARE(client->getDeviceIndex(), 99);
        // A document ending with such an index names no enclosure rather than crashing.
        feedAndDeliver(answer({}));
        QCOMPARE(listener->deliveries.last().deviceIndex, 0);
        QCOMPARE(client->boxDict(99), AttrRecord());
    }

    void lastEventOfADocumentCounts()
    {
        feedAndDeliver(answer({Box{QStringLiteral("1")}, Box{QStringLiteral("2")}}));
        client->handleReadBytes("<SVEventLogCmd><SVEvent MsgIdx=\"13\" BoxSN=\"49\"/>"
                                "<SVEvent MsgIdx=\"5\" BoxSN=\"50\"/></SVEventLogCmd>");
        QCOMPARE(client->eventMsgIdx(), 5);
        QCOMPARE(client->getDeviceIndex(), 1);
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(client->pendingHandOffs(), 0);
    }
};

TAMRO_TEST_GUILESS_MAIN(TestDeviceTable)
#include "test_devicetable.moc"
