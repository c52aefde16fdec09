#include "reports/ZipWriter.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

using orvi::reports::writeZip;
using orvi::reports::ZipEntry;

class ZipWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void externalToolReadsTheContainer()
    {
        if (orvi::test::findTool(QStringLiteral("unzip")).isEmpty())
            QSKIP("unzip is not installed");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QByteArray binary(70000, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 131) ^ (i >> 7));
        const QList<ZipEntry> entries{
            {QStringLiteral("first.txt"), QByteArray("hello\n")},
            {QStringLiteral("folder/messwert-Überblick ✓.bin"), binary},
            {QStringLiteral("empty"), QByteArray()},
        };
        const QString path = dir.filePath(QStringLiteral("test.zip"));
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
};

QTEST_GUILESS_MAIN(ZipWriterTest)
#include "tst_ZipWriter.moc"
