#include "controllers/MediaRuntimeController.h"
#include "orvi/Version.h"

#include <QSignalSpy>
#include <QtTest>

using orvi::media::libav::LibavRuntime;
using orvi::ui::controllers::MediaRuntimeController;

class TestMediaRuntimeController : public QObject
{
    Q_OBJECT

private slots:
    void reportsLoadedLibraries()
    {
        QObject owner;
        auto* controller = new MediaRuntimeController(&owner);
        QCOMPARE(controller->parent(), &owner);
        QVERIFY(controller->available());
        QVERIFY(controller->errorMessage().isEmpty());
        QCOMPARE(controller->versionSummary(), LibavRuntime::versionSummary());
        QVERIFY(controller->versionSummary().startsWith(QStringLiteral("libavformat ")));
    }

    void reportsMismatchedLibraries()
    {
        auto libraries = LibavRuntime::loadedLibraries();
        libraries.at(1).builtMajor += 1; // as if built against the next libavcodec
        MediaRuntimeController controller(libraries, nullptr);
        QVERIFY(!controller.available());
        QVERIFY(controller.errorMessage().contains(QLatin1String(orvi::version::kProductIdentity)));
        QCOMPARE(controller.versionSummary(), LibavRuntime::summarize(libraries));
    }

    void exposesReadOnlyProperties()
    {
        MediaRuntimeController controller;
        const QMetaObject* meta = controller.metaObject();
        for (const char* name : {"available", "versionSummary", "errorMessage"}) {
            const QMetaProperty property = meta->property(meta->indexOfProperty(name));
            QVERIFY2(property.isValid(), name);
            QVERIFY2(!property.isWritable(), name);
            QCOMPARE(property.notifySignal().name(), QByteArray("statusChanged"));
        }
        QCOMPARE(controller.property("available").toBool(), controller.available());
        QCOMPARE(controller.property("errorMessage").toString(), controller.errorMessage());
    }
};

QTEST_GUILESS_MAIN(TestMediaRuntimeController)
#include "tst_MediaRuntimeController.moc"
