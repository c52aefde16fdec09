#include "diagnostics/DescriptorFile.h"
#include "diagnostics/InstanceDescriptor.h"
#include "diagnostics/RuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
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
        QCOMPARE(a.socketName, "orvi-motion-diagnostics-" + a.instanceId);
        QCOMPARE(a.processId, QCoreApplication::applicationPid());
        QVERIFY(a.controlEnabled);
        QVERIFY(!b.controlEnabled);
        QVERIFY(QDateTime::fromString(a.createdAtUtc, Qt::ISODateWithMs).isValid());
        QVERIFY(a.createdAtUtc.endsWith('Z'));
        QVERIFY(a.createdAtUtc.contains('.'));
        // The same identifier is accepted back by readers.
        QVERIFY(InstanceDescriptor::fromJson(a.toJson(), a.instanceId).has_value());
    }

    void sanitizeIdentifier_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("sanitized");
        QTest::newRow("hex identifier unchanged") << "0123abcdef"
                                                  << "0123abcdef";
        QTest::newRow("hyphen and underscore kept") << "a-b_C"
                                                    << "a-b_C";
        QTest::newRow("path characters removed") << "../x/y.json"
                                                 << "xyjson";
        QTest::newRow("non-ascii letters removed") << QString::fromUtf8("ид-1") << "-1";
        QTest::newRow("nothing left") << "./:"
                                      << "unknown";
        QTest::newRow("empty") << ""
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
        QTest::newRow("required id matches") << "" << removed << "abc" << true;
        QTest::newRow("required id differs") << "" << removed << "ABC" << false;
        QTest::newRow("api version 2") << "apiVersion" << QJsonValue(2) << "" << false;
        QTest::newRow("empty instance id") << "instanceId" << QJsonValue("") << "" << false;
        QTest::newRow("socket name missing") << "socketName" << removed << "" << false;
        QTest::newRow("socket name of 512")
            << "socketName" << QJsonValue(QString(512, 's')) << "" << true;
        QTest::newRow("socket name of 513")
            << "socketName" << QJsonValue(QString(513, 's')) << "" << false;
        QTest::newRow("token of 32 uppercase digits")
            << "token" << QJsonValue(QString(32, 'A')) << "" << true;
        QTest::newRow("token too short") << "token" << QJsonValue(QString(30, 'a')) << "" << false;
        QTest::newRow("token odd length") << "token" << QJsonValue(QString(33, 'a')) << "" << false;
        QTest::newRow("token too long") << "token" << QJsonValue(QString(514, 'a')) << "" << false;
        QTest::newRow("token not hexadecimal")
            << "token" << QJsonValue(QString(32, 'g')) << "" << false;
        QTest::newRow("process id fraction") << "processId" << QJsonValue(1.5) << "" << false;
        QTest::newRow("process id string") << "processId" << QJsonValue("12") << "" << false;
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

    void writeIsCompactPrivateAndReadable()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const InstanceDescriptor descriptor = InstanceDescriptor::create(true);
        const QString path = dir.filePath(InstanceDescriptor::fileNameFor(descriptor.instanceId));
        QString error;
        QVERIFY2(DescriptorFile::write(descriptor, path, &error), qPrintable(error));

        QFile file(path);
        QCOMPARE(file.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(!bytes.contains('\n'));
        QVERIFY(!bytes.contains(' '));
        const QJsonObject json = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(json.keys(), (QStringList{"apiVersion", "controlEnabled", "createdAtUtc",
                                           "instanceId", "processId", "socketName", "token"}));
        const auto read = InstanceDescriptor::fromJson(json, descriptor.instanceId);
        QVERIFY(read.has_value());
        QCOMPARE(read->token, descriptor.token);
        QCOMPARE(read->socketName, descriptor.socketName);
        QCOMPARE(read->controlEnabled, true);
        // No staging file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(path).fileName()});
    }

    void removeDeletesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("instance-a.json");
        QVERIFY(DescriptorFile::write(InstanceDescriptor::create(false), path));
        QVERIFY(DescriptorFile::remove(path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(DescriptorFile::remove(path));
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
        QTest::newRow("temporary location last")
            << QStringList{"", "", "/tmp/x"} << "/tmp/x" + tail;
        QTest::newRow("path is cleaned") << QStringList{"/a//b/./c/"} << "/a/b/c" + tail;
        QTest::newRow("nothing at all") << QStringList{"", ""} << QString();
    }

    void runtimeDirectoryFallsBackInOrder()
    {
        QFETCH(QStringList, bases);
        QFETCH(QString, expected);
        QCOMPARE(RuntimeDirectory::pathFromBases(bases), expected);
    }

    void prepareRestrictsTheDirectory()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("a/b/diagnostics");
        QString code;
        QVERIFY2(RuntimeDirectory::prepare(target, &code), qPrintable(code));
        QVERIFY(QFileInfo(target).isDir());
        QCOMPARE(QFile::permissions(target) &
                     ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
