#include "records/ProcessingProgress.h"

#include <QtTest>

using namespace orvi::project_data;

class TestProcessingRecords : public QObject
{
    Q_OBJECT

private slots:
    void progressFractionIsClamped_data()
    {
        QTest::addColumn<qint64>("processed");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("fraction");

        QTest::newRow("unknown-total") << qint64(5) << qint64(0) << 0.0;
        QTest::newRow("halfway") << qint64(5) << qint64(10) << 0.5;
        QTest::newRow("overshoot") << qint64(12) << qint64(10) << 1.0;
        QTest::newRow("negative") << qint64(-3) << qint64(10) << 0.0;
    }

    void progressFractionIsClamped()
    {
        QFETCH(qint64, processed);
        QFETCH(qint64, total);
        QFETCH(double, fraction);
        ProcessingProgress progress;
        progress.processedFrames = processed;
        progress.totalFrames = total;
        QCOMPARE(progress.fraction(), fraction);
    }
};

QTEST_MAIN(TestProcessingRecords)
#include "tst_ProcessingRecords.moc"
