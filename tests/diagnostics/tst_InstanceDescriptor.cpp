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

    void sanitizeIdentifier()
    {
        for (const auto& [identifier, sanitized] :
             {std::pair{"a-b_C", "a-b_C"}, {"../x/y.json", "xyjson"}, {"./:", "unknown"}}) {
            QCOMPARE(InstanceDescriptor::sanitizeIdentifier(identifier), sanitized);
            QCOMPARE(InstanceDescriptor::fileNameFor(identifier),
                     QStringLiteral("instance-%1.json").arg(sanitized));
        }
    }

    // One field changed (Undefined removes it) in an otherwise complete descriptor.
    void acceptance()
    {
        struct Case
        {
            const char* key;
            QJsonValue value;
            bool accepted;
        };
        const QJsonValue removed(QJsonValue::Undefined);
        const Case cases[] = {{"apiVersion", 2, false},
                              {"socketName", removed, false},
                              {"socketName", QString(513, 's'), false},
                              {"token", QString(32, 'A'), true},
                              {"token", QString(30, 'a'), false},
                              {"token", QString(32, 'g'), false},
                              {"processId", 1.5, false},
                              {"controlEnabled", 1, false},
                              {"createdAtUtc", removed, false}};
        const QJsonObject complete{{"apiVersion", 1},
                                   {"instanceId", "abc"},
                                   {"socketName", "orvi-motion-diagnostics-abc"},
                                   {"token", QString(64, 'f')},
                                   {"processId", 1234},
                                   {"controlEnabled", false},
                                   {"createdAtUtc", "2026-01-31T12:00:00.000Z"}};
        QVERIFY(InstanceDescriptor::fromJson(complete).has_value());
        QVERIFY(!InstanceDescriptor::fromJson(complete, "ABC").has_value()); // another id
        for (const Case& c : cases) {
            QJsonObject json = complete;
            if (c.value.isUndefined())
                json.remove(c.key);
            else
                json.insert(c.key, c.value);
            QVERIFY2(InstanceDescriptor::fromJson(json).has_value() == c.accepted, c.key);
        }
    }

    void runtimeDirectoryFallsBackInOrder()
    {
        const QString tail = "/ORVI/ORVI Zazira/runtime/diagnostics";
        QCOMPARE(RuntimeDirectory::pathFromBases({"/run/u", "/data", "/tmp"}), "/run/u" + tail);
        QCOMPARE(RuntimeDirectory::pathFromBases({"", "/data", "/tmp"}), "/data" + tail);
        QCOMPARE(RuntimeDirectory::pathFromBases({"", ""}), QString());
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
