#include "ReportFixture.h"
#include "ReportTools.h"
#include "orvi/Version.h"
#include "reports/DocxWriter.h"
#include "reports/ReportDocument.h"
#include "reports/ZipWriter.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvi::reports;

namespace {

ReportDocument sampleDocument(bool landscape, bool withFigures)
{
    ReportDocument document;
    document.title = QStringLiteral("Report <title> & \"quotes\"");
    document.versionText = QLatin1String(orvi::version::kText);
    document.logo = test::fixtureIcon();
    document.landscape = landscape;
    ReportPage first;
    first.heading = document.title;
    first.paragraphs = {QStringLiteral("Line with a form\ffeed."), QStringLiteral("Second")};
    first.paragraphsAfterFigure = true;
    if (withFigures) {
        first.figure = QImage(800, 450, QImage::Format_RGB32);
        first.figure.fill(Qt::darkCyan);
    }
    ReportPage second;
    second.heading = QStringLiteral("Table page");
    second.paragraphs = {QStringLiteral("Before the table")};
    second.tableRows = {{QStringLiteral("A"), QStringLiteral("B")},
                        {QStringLiteral("1"), QStringLiteral("2")},
                        {QStringLiteral("3"), QStringLiteral("4 < 5")}};
    second.closingNotes = {QStringLiteral("A closing note.")};
    if (withFigures) {
        second.figure = QImage(300, 900, QImage::Format_RGB32);
        second.figure.fill(Qt::darkRed);
        second.fullPageFigure = true;
    }
    document.pages = {first, second};
    return document;
}

QString zipMember(const QString& path, const QString& member)
{
    QString output;
    orvi::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), path, member}, &output);
    return output;
}

} // namespace

class DocxWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (orvi::test::findTool(QStringLiteral("unzip")).isEmpty() ||
            !QFile::exists(QStringLiteral("/usr/bin/python3")))
            QSKIP("unzip or python3 is missing");
    }

    void packageOpensInExternalReaders_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("figures");
        QTest::newRow("portrait") << false << true;
        QTest::newRow("landscape") << true << true;
        QTest::newRow("without figures") << false << false;
    }

    void packageOpensInExternalReaders()
    {
        QFETCH(bool, landscape);
        QFETCH(bool, figures);
        const QString path = m_dir.filePath(QTest::currentDataTag() + QStringLiteral(".docx"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(writeDocx(&file, sampleDocument(landscape, figures)));
        file.close();

        QString output;
        const QJsonObject summary = test::docxSummary(path, &output);
        QVERIFY2(!summary.isEmpty(), qPrintable(output));
        QCOMPARE(summary.value("landscape").toBool(), landscape);
        const qint64 longSide = 16838LL * 635;
        const qint64 shortSide = 11906LL * 635;
        QCOMPARE(qint64(summary.value("pageWidth").toDouble()), landscape ? longSide : shortSide);
        QCOMPARE(summary.value("title").toString(), QStringLiteral("Report <title> & \"quotes\""));
        QCOMPARE(summary.value("creator").toString(),
                 QLatin1String(orvi::version::kProductIdentity));
        QCOMPARE(summary.value("header").toString(), QStringLiteral("  orvi-motion"));
        // The page number is a field, which the reader leaves out of the paragraph
        // text.
        QCOMPARE(summary.value("footer").toString(),
                 QLatin1String(orvi::version::kProductIdentity) + "\tPage ");
        QVERIFY(zipMember(path, QStringLiteral("word/footer1.xml"))
                    .contains(QStringLiteral("<w:fldSimple w:instr=\" PAGE \"><w:r><w:t>1</w:t>")));
        QCOMPARE(summary.value("pictures").toInt(), figures ? 2 : 0);
        if (!figures) { // no image parts or relations at all
            QString names;
            QVERIFY(orvi::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path},
                                        &names));
            QVERIFY2(!names.contains(QStringLiteral("media/image")), qPrintable(names));
            QVERIFY(!zipMember(path, QStringLiteral("word/_rels/document.xml.rels"))
                         .contains(QStringLiteral("rImage")));
            return;
        }

        QStringList texts;
        QStringList styles;
        for (const QJsonValue& p : summary.value("paragraphs").toArray()) {
            styles.append(p.toArray().at(0).toString());
            texts.append(p.toArray().at(1).toString());
        }
        // Heading, figure, the paragraphs after it; then the second page in its own
        // order.
        QCOMPARE(texts.mid(0, 5), QStringList({"Report <title> & \"quotes\"", "",
                                               "Line with a form feed.", "Second", "Table page"}));
        QCOMPARE(styles.at(4), QStringLiteral("Heading 1"));
        QCOMPARE(styles.last(), QStringLiteral("Small"));

        const QJsonArray tables = summary.value("tables").toArray();
        QCOMPARE(tables.at(0).toArray().at(2).toArray().at(1).toString(), QStringLiteral("4 < 5"));

        // Figures keep their aspect ratio within the content width and their height
        // limit.
        const QString documentXml = zipMember(path, QStringLiteral("word/document.xml"));
        const QString contentWidthEmu = QString::number((landscape ? 14570LL : 9638LL) * 635);
        QVERIFY2(documentXml.contains(QStringLiteral("<wp:extent cx=\"%1\"")
                                          .arg(landscape ? QString::number(4191000LL * 800 / 450)
                                                         : contentWidthEmu)),
                 qPrintable(documentXml.left(4000)));
        QVERIFY(documentXml.contains(QStringLiteral("w:pageBreakBefore")));
    }

    // The container the package is written in, read by the same outside tools.
    void zipContainerOpensInExternalReaders()
    {
        QByteArray binary(70000, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 131) ^ (i >> 7));
        const QList<ZipEntry> entries{
            {QStringLiteral("first.txt"), QByteArray("hello\n")},
            {QStringLiteral("folder/messwert-Überblick ✓.bin"), binary},
            {QStringLiteral("empty"), QByteArray()},
        };
        const QString path = m_dir.filePath(QStringLiteral("test.zip"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(writeZip(&file, entries));
        file.close();

        QString output;
        QVERIFY2(
            orvi::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), path}, &output),
            qPrintable(output));
        // unzip checks every entry's CRC-32, the empty one included.
        QVERIFY2(output.contains(QLatin1String("No errors detected")), qPrintable(output));

        // Names and contents as a second, independent reader sees them (UTF-8 flag honoured).
        const char* const script =
            "import hashlib, json, sys, zipfile\n"
            "z = zipfile.ZipFile(sys.argv[1])\n"
            "print(json.dumps([[i.filename, hashlib.md5(z.read(i)).hexdigest(),"
            " i.compress_type] for i in z.infolist()]))\n";
        QVERIFY2(orvi::test::runTool(QStringLiteral("/usr/bin/python3"),
                                     {QStringLiteral("-c"), QLatin1String(script), path}, &output),
                 qPrintable(output));
        const QJsonArray listed = QJsonDocument::fromJson(output.toUtf8()).array();
        QCOMPARE(listed.size(), entries.size());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QJsonArray item = listed.at(i).toArray();
            QCOMPARE(item.at(0).toString(), entries[i].name);
            QCOMPARE(item.at(1).toString().toLatin1(),
                     QCryptographicHash::hash(entries[i].data, QCryptographicHash::Md5).toHex());
            QCOMPARE(item.at(2).toInt(), 0); // stored
        }
    }

    void refusesBeforeWritingTheOffendingEntry_data()
    {
        QTest::addColumn<QList<ZipEntry>>("entries");
        QTest::addColumn<qint64>("bytesBeforeFailure");
        const ZipEntry good{QStringLiteral("a.txt"), QByteArray("data")};
        QTest::newRow("empty name after a good entry")
            << QList<ZipEntry>{good, {QString(), QByteArray("x")}} << qint64(30 + 5 + 4);
        QTest::newRow("name longer than 65535 bytes")
            << QList<ZipEntry>{{QString(65536, QLatin1Char('n')), QByteArray()}} << qint64(0);
        QTest::newRow("more than 65535 entries") << QList<ZipEntry>(65536, good) << qint64(0);
    }

    void refusesBeforeWritingTheOffendingEntry()
    {
        QFETCH(QList<ZipEntry>, entries);
        QFETCH(qint64, bytesBeforeFailure);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(!writeZip(&buffer, entries));
        QCOMPARE(qint64(bytes.size()), bytesBeforeFailure);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(DocxWriterTest)
#include "tst_DocxWriter.moc"
