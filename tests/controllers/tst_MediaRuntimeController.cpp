#include "controllers/MediaRuntimeController.h"
#include "orvi/Version.h"

#include <QtTest>

using orvi::media::VideoBackend;
using orvi::ui::controllers::MediaRuntimeController;

class TestMediaRuntimeController : public QObject
{
    Q_OBJECT

private slots:
    void judgesLibrariesOnce_data()
    {
        QTest::addColumn<bool>("mismatched");
        QTest::newRow("loaded libraries") << false;
        QTest::newRow("built against the next libavcodec") << true;
    }

    void judgesLibrariesOnce()
    {
        QFETCH(bool, mismatched);
        auto libraries = VideoBackend::loadedLibraries();
        if (mismatched)
            libraries.at(1).builtMajor += 1;
        MediaRuntimeController controller(libraries, nullptr);
        QCOMPARE(controller.available(), !mismatched);
        QCOMPARE(controller.errorMessage().contains(QLatin1String(orvi::version::kProductIdentity)),
                 mismatched);
        QCOMPARE(controller.property("versionSummary").toString(),
                 VideoBackend::summarize(libraries));
    }
};

QTEST_GUILESS_MAIN(TestMediaRuntimeController)
#include "tst_MediaRuntimeController.moc"
