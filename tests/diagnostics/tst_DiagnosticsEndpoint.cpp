#include "LineClient.h"
#include "TestDispatcher.h"
#include "diagnostics/DiagnosticsEndpoint.h"
#include "diagnostics/InstanceDescriptor.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

using orvi::diagnostics::InstanceDescriptor;
using orvi::diagnostics::service::DiagnosticsEndpoint;

namespace {

std::optional<InstanceDescriptor> readDescriptor(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return InstanceDescriptor::fromJson(QJsonDocument::fromJson(file.readAll()).object());
}

} // namespace

class DiagnosticsEndpointTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(runtime_.isValid());
        qputenv("HOME", runtime_.path().toUtf8());
    }

    // A temporary folder deeper than a Unix socket path can hold (a shallow one in either mode:
    // the program test).
    void startPublishesAReachableInstance()
    {
        const QByteArray savedTemporaryFolder = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", savedTemporaryFolder); });
        QString deep = runtime_.path();
        while (deep.size() < 160)
            deep += QStringLiteral("/nested-folder");
        QVERIFY(QDir().mkpath(deep));
        qputenv("TMPDIR", deep.toUtf8());
        TestDispatcher dispatcher;
        DiagnosticsEndpoint endpoint(dispatcher);
        QString error;
        QVERIFY2(endpoint.start(true, &error), qPrintable(error));
        QVERIFY(endpoint.descriptorPath().startsWith(
            runtime_.path() + "/.local/share/ORVI/ORVI Zazira/runtime/diagnostics/instance-"));

        const auto descriptor = readDescriptor(endpoint.descriptorPath());
        QVERIFY(descriptor.has_value() && descriptor->controlEnabled);

        // A client that knows only the descriptor is served.
        LineClient client(descriptor->serverAddress());
        client.request(descriptor->token, "test.echo");
        QCOMPARE(client.next().value("ok"), QJsonValue(true));
    }

    void startingAgainDependsOnTheMode()
    {
        TestDispatcher dispatcher;
        DiagnosticsEndpoint endpoint(dispatcher);
        QVERIFY(endpoint.start(false));
        const QString id = endpoint.instanceId();
        QVERIFY(endpoint.start(false));
        QCOMPARE(endpoint.instanceId(), id);
        QString error;
        QVERIFY(!endpoint.start(true, &error));
        QCOMPARE(error, "already_running");
        QVERIFY(QFile::exists(endpoint.descriptorPath()));
    }

    void failedStartPublishesNothing_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QStringList>("codes");
        QTest::newRow("directory cannot be created")
            << "file" << QStringList{"descriptor_directory_unavailable"};
        // The folder itself fits the system's path limit, the descriptor inside it does not;
        // which step of the save file notices first is the platform's business.
        QTest::newRow("descriptor cannot be written")
            << "long path" << QStringList{"descriptor_open_failed", "descriptor_commit_failed"};
    }

    void failedStartPublishesNothing()
    {
        QFETCH(QString, blocker);
        QFETCH(QStringList, codes);
        QTemporaryDir scratch;
        QString directory = scratch.path();
        if (blocker == "file") {
            QFile file(scratch.filePath("file"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            directory = scratch.filePath("file/runtime");
        } else {
            while (directory.size() < 4000)
                directory += '/' + QString(200, 'd');
            QVERIFY(QDir().mkpath(directory));
        }

        TestDispatcher dispatcher;
        DiagnosticsEndpoint endpoint(dispatcher);
        endpoint.setRuntimeDirectory(directory);
        QString error;
        QVERIFY(!endpoint.start(true, &error));
        QVERIFY2(codes.contains(error), qPrintable(error));
        QVERIFY(!endpoint.server().isListening());
        if (QFileInfo(directory).isDir())
            QVERIFY(QDir(directory).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

private:
    QTemporaryDir runtime_;
};

QTEST_GUILESS_MAIN(DiagnosticsEndpointTest)
#include "tst_DiagnosticsEndpoint.moc"
