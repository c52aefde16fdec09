#include "diagnostics/DiagnosticsProtocol.h"

#include <QJsonDocument>
#include <QtTest>

using namespace orvi::diagnostics;

class DiagnosticsProtocolTest : public QObject
{
    Q_OBJECT

private slots:
    void expectedRevision_data()
    {
        // params is the JSON text of the request's params object.
        QTest::addColumn<QByteArray>("params");
        QTest::addColumn<double>("current");
        QTest::addColumn<QString>("code");

        QTest::newRow("current revision accepted")
            << QByteArray(R"({"expectedRevision":3})") << 3.0 << QString();
        QTest::newRow("largest exact integer accepted")
            << QByteArray(R"({"expectedRevision":9007199254740991})") << 9007199254740991.0
            << QString();
        QTest::newRow("missing key")
            << QByteArray(R"({"other":1})") << 1.0 << "missing_expected_revision";
        QTest::newRow("fraction") << QByteArray(R"({"expectedRevision":3.5})") << 3.0
                                  << "invalid_expected_revision";
        QTest::newRow("numeric string")
            << QByteArray(R"({"expectedRevision":"3"})") << 3.0 << "invalid_expected_revision";
        QTest::newRow("beyond 2^53 - 1") << QByteArray(R"({"expectedRevision":9007199254740992})")
                                         << 1.0 << "invalid_expected_revision";
        QTest::newRow("older revision")
            << QByteArray(R"({"expectedRevision":2})") << 3.0 << "stale_revision";
    }

    void expectedRevision()
    {
        QFETCH(QByteArray, params);
        QFETCH(double, current);
        QFETCH(QString, code);
        const QJsonObject object = QJsonDocument::fromJson(params).object();
        QString failure;
        QCOMPARE(protocol::checkExpectedRevision(object, static_cast<quint64>(current), &failure),
                 code.isEmpty());
        QCOMPARE(failure, code);
    }
};

QTEST_GUILESS_MAIN(DiagnosticsProtocolTest)
#include "tst_DiagnosticsProtocol.moc"
