#include "processing/VideoWatermarkRenderer.h"

#include <QtTest>
#include <cmath>

using orvi::processing::VideoWatermarkRenderer;

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

    void drawsIntoBottomRightCornerOnly_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("decoded-rgba-frame") << int(QImage::Format_RGBA8888);
        QTest::newRow("processed-argb-frame") << int(QImage::Format_ARGB32);
    }

    void drawsIntoBottomRightCornerOnly()
    {
        QFETCH(int, format);
        const QSize size(640, 360);
        QImage frame(size, QImage::Format(format));
        frame.fill(QColor(20, 40, 60));
        const QImage original = frame.copy();

        VideoWatermarkRenderer renderer;
        QVERIFY(renderer.configure(size));
        QString error = QStringLiteral("stale");
        QVERIFY(renderer.draw(frame, &error));
        QVERIFY(error.isEmpty());

        const QRect mark(renderer.position(), renderer.image().size());
        int brightened = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QRgb now = frame.pixel(x, y);
                if (!mark.contains(x, y)) {
                    QCOMPARE(now, original.pixel(x, y));
                } else if (qRed(now) > 200 && qGreen(now) > 200) {
                    ++brightened;
                }
            }
        }
        QVERIFY2(brightened > 50, qPrintable(QString::number(brightened)));
        QVERIFY(mark.left() > size.width() / 2 && mark.top() > size.height() / 2);
    }
};

QTEST_MAIN(TestVideoWatermarkRenderer)
#include "tst_VideoWatermarkRenderer.moc"
