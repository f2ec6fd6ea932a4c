// SPDX-License-Identifier: GPL-3.0-or-later
// Cutting the service's byte stream into whole documents.
#include "service/documentsplitter.h"
#include "testmain.h"

#include <QRandomGenerator>

namespace {

struct Result
{
    QByteArrayList pieces;
    QString verdicts; // '1' complete, '0' failed
};

Result feedAll(DocumentSplitter& splitter, const QByteArrayList& chunks)
{
    Result result;
    for (const QByteArray& chunk : chunks) {
        for (const DocumentSplitter::Piece& piece : splitter.feed(chunk)) {
            result.pieces.append(piece.bytes);
            result.verdicts.append(piece.complete ? u'1' : u'0');
        }
    }
    return result;
}

// Several documents with every construct the scanner must step over.
QByteArray richStream()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<!-- a <comment> with </tags> -->"
        "<SVConfigCmd eResult=\"0\" Note='a > b &amp; c < d'>"
        "<SVBox SerialNumber=\"49, 50\" Odd=\"/\"><![CDATA[</SVBox> ]] >]]>"
        "<?pi </SVConfigCmd> ?><SVPhysDrive id=\"0\"/></SVBox>"
        "</SVConfigCmd>\r\n"
        "  \r\n<SVEventLogCmd><SVEvent MsgIdx=\"13\" BoxSN=\"49\"/></SVEventLogCmd>"
        "<!DOCTYPE x [<!ENTITY e '>'> <!ATTLIST x a CDATA \"]>\">]><x a='1'>&e;</x>\n");
}

} // namespace

class TestDocumentSplitter : public QObject
{
    Q_OBJECT
private slots:
    void pieces_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QString>("verdicts");
        QTest::newRow("one document") << QByteArrayList{"<a/>"} << QByteArrayList{"<a/>"} << "1";
        QTest::newRow("two in one read, white space skipped")
            << QByteArrayList{"\r\n<a/>\r\n \t<b></b>\r\n"} << QByteArrayList{"<a/>", "<b></b>"}
            << "11";
        QTest::newRow("split in a tag")
            << QByteArrayList{"<a><b", "/></a>"} << QByteArrayList{"<a><b/></a>"} << "1";
        QTest::newRow("split at the self-closing slash")
            << QByteArrayList{"<a/", ">"} << QByteArrayList{"<a/>"} << "1";
        QTest::newRow("split after the first byte")
            << QByteArrayList{"<", "a>x</a>"} << QByteArrayList{"<a>x</a>"} << "1";
        QTest::newRow("declaration and comment before the root")
            << QByteArrayList{"<?xml version='1.0'?><!-- <x> --><a>t</a>"}
            << QByteArrayList{"<?xml version='1.0'?><!-- <x> --><a>t</a>"} << "1";
        QTest::newRow("markup inside quoted values")
            << QByteArrayList{"<a b='>' c=\"</a>\" d='/'>x</a><e/>"}
            << QByteArrayList{"<a b='>' c=\"</a>\" d='/'>x</a>", "<e/>"} << "11";
        QTest::newRow("CDATA") << QByteArrayList{"<a><![CDATA[</a><b>]]></a>"}
                               << QByteArrayList{"<a><![CDATA[</a><b>]]></a>"} << "1";
        QTest::newRow("processing instruction inside")
            << QByteArrayList{"<a><?pi </a>?></a>"} << QByteArrayList{"<a><?pi </a>?></a>"} << "1";
        QTest::newRow("document type with subset")
            << QByteArrayList{"<!DOCTYPE a [<!ENTITY e '>'>]><a/>"}
            << QByteArrayList{"<!DOCTYPE a [<!ENTITY e '>'>]><a/>"} << "1";
        QTest::newRow("comment terminator across reads")
            << QByteArrayList{"<a><!-", "- </a> -", "-></a>"}
            << QByteArrayList{"<a><!-- </a> --></a>"} << "1";
        QTest::newRow("CDATA terminator across reads")
            << QByteArrayList{"<a><![CD", "ATA[</a>]", "]></a>"}
            << QByteArrayList{"<a><![CDATA[</a>]]></a>"} << "1";
        QTest::newRow("garbage before a document")
            << QByteArrayList{"junk<a/>"} << QByteArrayList{"junk", "<a/>"} << "01";
        QTest::newRow("one garbage run over three reads is reported once")
            << QByteArrayList{"junk", "more junk", " x<a/>"} << QByteArrayList{"junk", "<a/>"}
            << "01";
        QTest::newRow("garbage between documents")
            << QByteArrayList{"<a/>\r\nHTTP/1.0 400\r\n<b/>"}
            << QByteArrayList{"<a/>", "HTTP/1.0 400\r\n", "<b/>"} << "101";
        QTest::newRow("NUL between documents is white space")
            << QByteArrayList{QByteArray("<a/>\0<b/>\0", 10)} << QByteArrayList{"<a/>", "<b/>"}
            << "11";
        QTest::newRow("NUL inside a document is the reader's business")
            << QByteArrayList{QByteArray("<a>\0</a>", 8)}
            << QByteArrayList{QByteArray("<a>\0</a>", 8)} << "1";
        QTest::newRow("the root's end tag ends a document left unbalanced")
            << QByteArrayList{"<a x='1'><b></a", ">\r\n<c></c>"}
            << QByteArrayList{"<a x='1'><b></a>", "<c></c>"} << "11";
        QTest::newRow("an inner element named like the root")
            << QByteArrayList{"<a><a></a><b></a>"} << QByteArrayList{"<a><a></a><b></a>"} << "1";
        QTest::newRow("a mismatched inner end tag closes one element")
            << QByteArrayList{"<a><b></c></a><d/>"} << QByteArrayList{"<a><b></c></a>", "<d/>"}
            << "11";
        QTest::newRow("stray end tag")
            << QByteArrayList{"</a><b/>"} << QByteArrayList{"</a>", "<b/>"} << "11";
        QTest::newRow("unfinished tail waits")
            << QByteArrayList{"<a/><b><c/>"} << QByteArrayList{"<a/>"} << "1";
        QTest::newRow("nothing but white space")
            << QByteArrayList{" \r\n", "\t"} << QByteArrayList{} << "";
    }
    void pieces()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QString, verdicts);
        DocumentSplitter splitter;
        const Result result = feedAll(splitter, chunks);
        QCOMPARE(result.pieces, pieces);
        QCOMPARE(result.verdicts, verdicts);
    }

    void whiteSpaceIsNotKept()
    {
        DocumentSplitter splitter;
        splitter.feed("<a/>\r\n");
        QCOMPARE(splitter.buffered(), 0);
        QVERIFY(!splitter.inDocument());
        splitter.feed("<b>");
        QVERIFY(splitter.inDocument());
        QCOMPARE(splitter.buffered(), 3);
    }

    void anyChunkingGivesTheSamePieces()
    {
        const QByteArray stream = richStream();
        DocumentSplitter whole;
        const Result expected = feedAll(whole, {stream});
        QCOMPARE(expected.pieces.size(), 3);
        QCOMPARE(expected.verdicts, QStringLiteral("111"));

        DocumentSplitter byteWise;
        QByteArrayList bytes;
        for (char c : stream)
            bytes.append(QByteArray(1, c));
        QCOMPARE(feedAll(byteWise, bytes).pieces, expected.pieces);

        QRandomGenerator random(20261208);
        for (int round = 0; round < 200; ++round) {
            QByteArrayList chunks;
            for (qsizetype at = 0; at < stream.size();) {
                const qsizetype size = 1 + random.bounded(12);
                chunks.append(stream.mid(at, size));
                at += size;
            }
            DocumentSplitter splitter;
            const Result result = feedAll(splitter, chunks);
            QCOMPARE(result.pieces, expected.pieces);
            QCOMPARE(splitter.buffered(), 0);
        }
    }

    void documentAtTheLimitPasses()
    {
        DocumentSplitter splitter(10);
        const Result result = feedAll(splitter, {"<a>12</a>", "<ab>1</ab>"});
        QCOMPARE(result.pieces, (QByteArrayList{"<a>12</a>", "<ab>1</ab>"}));
        QCOMPARE(result.verdicts, QStringLiteral("11"));
    }

    void oversizedDocumentInOneReadFails()
    {
        DocumentSplitter splitter(100);
        const QByteArray big = "<a>" + QByteArray(200, 'x') + "</a>";
        const Result result = feedAll(splitter, {big + "<b/>"});
        QCOMPARE(result.verdicts, QStringLiteral("01"));
        QCOMPARE(result.pieces.last(), QByteArray("<b/>"));
    }

    void oversizedDocumentIsSkippedToItsEnd()
    {
        DocumentSplitter splitter(100);
        // The rest of the oversized answer holds tags and text that must not be taken for
        // documents or garbage of their own.
        const QByteArray big = "<a><b c='1'/>" + QByteArray(150, 'x') + "<d/>tail</a>";
        QByteArrayList chunks;
        for (qsizetype at = 0; at < big.size(); at += 40)
            chunks.append(big.mid(at, 40));
        chunks.append("\r\n<next/>");
        const Result result = feedAll(splitter, chunks);
        QCOMPARE(result.verdicts, QStringLiteral("01"));
        QVERIFY(result.pieces.first().size() > 100);
        QCOMPARE(result.pieces.last(), QByteArray("<next/>"));
    }

    void endlessDocumentIsGivenUp()
    {
        DocumentSplitter splitter(100);
        Result result = feedAll(splitter, {"<a>" + QByteArray(120, 'x')});
        QCOMPARE(result.verdicts, QStringLiteral("0"));
        // Still inside it: nothing more is reported while it is skipped.
        result = feedAll(splitter, {QByteArray(60, 'y'), "<b/>"});
        QCOMPARE(result.pieces.size(), 0);
        QVERIFY(splitter.inDocument());
        QVERIFY(splitter.buffered() < 100);
        // Past another limit's worth the scanner resyncs at the next '<'.
        result = feedAll(splitter, {QByteArray(150, 'z'), "<c/>"});
        QCOMPARE(result.pieces, QByteArrayList{"<c/>"});
        QCOMPARE(result.verdicts, QStringLiteral("1"));
    }

    void unclosedQuoteCannotSwallowForever()
    {
        DocumentSplitter splitter(100);
        Result result = feedAll(splitter, {"<a b='" + QByteArray(150, 'q')});
        QCOMPARE(result.verdicts, QStringLiteral("0"));
        result = feedAll(splitter, {QByteArray(300, 'q'), "<c/>"});
        QCOMPARE(result.pieces, QByteArrayList{"<c/>"});
    }

    void abandonHandsOverTheUnfinishedDocument()
    {
        DocumentSplitter splitter;
        QCOMPARE(feedAll(splitter, {"<a/>\r\n<b><c>"}).pieces, QByteArrayList{"<a/>"});
        const std::optional<DocumentSplitter::Piece> piece = splitter.abandon();
        QVERIFY(piece);
        QCOMPARE(piece->bytes, QByteArray("<b><c>"));
        QVERIFY(!piece->complete);
        QVERIFY(!splitter.inDocument());
        QCOMPARE(feedAll(splitter, {"</c></b><d/>"}).pieces,
                 (QByteArrayList{"</c>", "</b>", "<d/>"}));
        // Nothing under way, or an oversized document already reported: nothing to hand over.
        QVERIFY(!splitter.abandon());
        DocumentSplitter small(10);
        QCOMPARE(feedAll(small, {"<a>" + QByteArray(20, 'x')}).verdicts, QStringLiteral("0"));
        QVERIFY(!small.abandon());
    }

    void resetDropsTheTail()
    {
        DocumentSplitter splitter;
        splitter.feed("<a><b>");
        splitter.reset();
        QCOMPARE(splitter.buffered(), 0);
        QVERIFY(!splitter.inDocument());
        const Result result = feedAll(splitter, {"</b></a><c/>"});
        QCOMPARE(result.pieces, (QByteArrayList{"</b>", "</a>", "<c/>"}));
    }
};

TAMRO_TEST_GUILESS_MAIN(TestDocumentSplitter)
#include "test_documentsplitter.moc"
