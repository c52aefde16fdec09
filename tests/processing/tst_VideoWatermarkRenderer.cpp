#include "processing/VideoWatermarkRenderer.h"

#include <QtTest>
#include <cmath>

using orvi::processing::VideoWatermarkRenderer;

// Where the mark lands on a real export (the bottom-right corner, nothing elsewhere) the
// pipeline's test checks on the decoded file.
class TestVideoWatermarkRenderer : public QObject
{
    Q_OBJECT

private slots:
    void geometryFollowsFrameSize_data()
    {
        QTest::addColumn<QSize>("frameSize");
        QTest::addColumn<int>("fontPixels");
        QTest::addColumn<int>("margin");
        QTest::addColumn<bool>("mustNarrow");

        QTest::newRow("full-hd-rounds-font-and-margin") << QSize(1920, 1080) << 30 << 22 << false;
        QTest::newRow("small-frame-uses-minimums-and-narrows")
            << QSize(320, 240) << 18 << 12 << true;
        QTest::newRow("large-frame-uses-maximums") << QSize(4000, 3000) << 72 << 48 << false;
        QTest::newRow("tiny-frame-clamps-position") << QSize(8, 8) << 18 << 12 << true;
    }

    void geometryFollowsFrameSize()
    {
        QFETCH(QSize, frameSize);
        QFETCH(int, fontPixels);
        QFETCH(int, margin);
        QFETCH(bool, mustNarrow);

        VideoWatermarkRenderer renderer;
        QString error = QStringLiteral("stale");
        QVERIFY2(renderer.configure(frameSize, &error), qPrintable(error));
        QCOMPARE(renderer.fontPixelSize(), fontPixels);
        QCOMPARE(renderer.margin(), margin);
        QCOMPARE(renderer.textScale() < 1.0, mustNarrow);

        // The text itself (image minus the outline on both sides) stays within 28 % of the width.
        const double textWidth = renderer.image().width() - 2.0 * renderer.outlineWidth();
        QVERIFY2(textWidth <= std::max(frameSize.width() * 0.28, 1.0) + 1.0,
                 qPrintable(QString::number(textWidth)));

        const QPoint expected(std::max(frameSize.width() - margin - renderer.image().width(), 0),
                              std::max(frameSize.height() - margin - renderer.image().height(), 0));
        QCOMPARE(renderer.position(), expected);
    }
};

QTEST_MAIN(TestVideoWatermarkRenderer)
#include "tst_VideoWatermarkRenderer.moc"
