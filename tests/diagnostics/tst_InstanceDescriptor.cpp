#include "diagnostics/InstanceDescriptor.h"
#include "diagnostics/RuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace orvi::diagnostics;

class InstanceDescriptorTest : public QObject
{
    Q_OBJECT

private slots:
    void identifiersAndTokensAreFreshAndWellFormed()
    {
        const InstanceDescriptor a = InstanceDescriptor::create(true);
        const InstanceDescriptor b = InstanceDescriptor::create(false);
        const QRegularExpression id(QStringLiteral("^[0-9a-f]{32}$"));
        const QRegularExpression token(QStringLiteral("^[0-9a-f]{64}$"));
        QVERIFY(id.match(a.instanceId).hasMatch());
        QVERIFY(token.match(a.token).hasMatch());
        QVERIFY(a.instanceId != b.instanceId);
        QVERIFY(a.token != b.token);
        QVERIFY(QDateTime::fromString(a.createdAtUtc, Qt::ISODateWithMs).isValid());
        // The same identifier is accepted back by readers.
        QVERIFY(InstanceDescriptor::fromJson(a.toJson(), a.instanceId).has_value());
    }

    void sanitizeIdentifier_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("sanitized");
        QTest::newRow("hyphen and underscore kept") << "a-b_C"
                                                    << "a-b_C";
        QTest::newRow("path characters removed") << "../x/y.json"
                                                 << "xyjson";
        QTest::newRow("nothing left") << "./:"
                                      << "unknown";
    }

    void sanitizeIdentifier()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, sanitized);
        QCOMPARE(InstanceDescriptor::sanitizeIdentifier(identifier), sanitized);
        QCOMPARE(InstanceDescriptor::fileNameFor(identifier), "instance-" + sanitized + ".json");
    }

    void acceptance_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value"); // Undefined removes the key
        QTest::addColumn<QString>("requiredId");
        QTest::addColumn<bool>("accepted");

        const QJsonValue removed(QJsonValue::Undefined);
        QTest::newRow("complete descriptor") << "" << removed << "" << true;
        QTest::newRow("required id differs") << "" << removed << "ABC" << false;
        QTest::newRow("api version 2") << "apiVersion" << QJsonValue(2) << "" << false;
        QTest::newRow("socket name missing") << "socketName" << removed << "" << false;
        QTest::newRow("socket name of 513")
            << "socketName" << QJsonValue(QString(513, 's')) << "" << false;
        QTest::newRow("token of 32 uppercase digits")
            << "token" << QJsonValue(QString(32, 'A')) << "" << true;
        QTest::newRow("token too short") << "token" << QJsonValue(QString(30, 'a')) << "" << false;
        QTest::newRow("token not hexadecimal")
            << "token" << QJsonValue(QString(32, 'g')) << "" << false;
        QTest::newRow("process id fraction") << "processId" << QJsonValue(1.5) << "" << false;
        QTest::newRow("control flag as number") << "controlEnabled" << QJsonValue(1) << "" << false;
        QTest::newRow("creation time missing") << "createdAtUtc" << removed << "" << false;
    }

    void acceptance()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, requiredId);
        QFETCH(bool, accepted);

        QJsonObject json{{"apiVersion", 1},
                         {"instanceId", "abc"},
                         {"socketName", "orvi-motion-diagnostics-abc"},
                         {"token", QString(64, 'f')},
                         {"processId", 1234},
                         {"controlEnabled", false},
                         {"createdAtUtc", "2026-01-31T12:00:00.000Z"}};
        if (!key.isEmpty()) {
            if (value.isUndefined())
                json.remove(key);
            else
                json.insert(key, value);
        }
        QCOMPARE(InstanceDescriptor::fromJson(json, requiredId).has_value(), accepted);
    }

    void runtimeDirectoryFallsBackInOrder_data()
    {
        QTest::addColumn<QStringList>("bases");
        QTest::addColumn<QString>("expected");
        const QString tail = "/ORVI/ORVI Zazira/runtime/diagnostics";
        QTest::newRow("runtime location first")
            << QStringList{"/run/u", "/data", "/tmp"} << "/run/u" + tail;
        QTest::newRow("generic data when runtime is empty")
            << QStringList{"", "/data", "/tmp"} << "/data" + tail;
        QTest::newRow("nothing at all") << QStringList{"", ""} << QString();
    }

    void runtimeDirectoryFallsBackInOrder()
    {
        QFETCH(QStringList, bases);
        QFETCH(QString, expected);
        QCOMPARE(RuntimeDirectory::pathFromBases(bases), expected);
    }

    void sessionRuntimeBase_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("private directory") << "private" << true;
        QTest::newRow("readable by others") << "open" << false;
        QTest::newRow("symbolic link to a private directory") << "link" << false;
        QTest::newRow("regular file") << "file" << false;
        QTest::newRow("missing") << "missing" << false;
    }

    void sessionRuntimeBase()
    {
#ifndef Q_OS_UNIX
        QSKIP("Login-session runtime folders exist only on Unix-like systems.");
#else
        QFETCH(QString, layout);
        QFETCH(bool, accepted);
        QTemporaryDir root;
        const QString own = root.filePath(QString::number(::getuid()));
        const QFile::Permissions privateMode =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        if (layout == "private" || layout == "open") {
            QVERIFY(QDir().mkdir(own));
            QFile::setPermissions(own, layout == "open"
                                           ? privateMode | QFile::ReadOther | QFile::ExeOther
                                           : privateMode);
        } else if (layout == "link") {
            QVERIFY(QDir().mkdir(root.filePath("real")));
            QFile::setPermissions(root.filePath("real"), privateMode);
            QVERIFY(QFile::link(root.filePath("real"), own));
        } else if (layout == "file") {
            QFile file(own);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(RuntimeDirectory::sessionRuntimeBase(root.path()), accepted ? own : QString());
#endif
    }
};

QTEST_GUILESS_MAIN(InstanceDescriptorTest)
#include "tst_InstanceDescriptor.moc"
