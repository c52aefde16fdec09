#include "ReportFixture.h"
#include "ReportTools.h"
#include "orvi/Version.h"
#include "reports/AnalysisExportWriter.h"
#include "reports/ReportComposer.h"
#include "spectrum/RelativePhase.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/SpectrumViews.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>
#include <cmath>

using namespace orvi::reports;

namespace {

constexpr double kRate = 240.0;
constexpr double kVibrationHz = 24.0;

// A grating texture whose content moves sinusoidally at 24 Hz, recorded at 240 fps.
bool makeVibratingClip(const QString& path, QString* error)
{
    const QString motion = QStringLiteral("sin(2*PI*%1*T)").arg(kVibrationHz);
    const QString luminance =
        QStringLiteral("128+45*sin(0.7*(X+1.2*%1))+35*cos(0.9*(Y+0.6*%1))+20*sin(0.5*(X+Y))")
            .arg(motion);
    return orvi::test::encodeClip(
        path, QStringLiteral("nullsrc=s=320x240:r=240,geq=lum='%1':cb=128:cr=128").arg(luminance),
        300,
        {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-qp"),
         QStringLiteral("0"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")},
        error);
}

} // namespace

class EngineExportsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char* tool : {"ffmpeg", "ffprobe", "qpdf", "pdfinfo", "pdftotext", "unzip"}) {
            if (orvi::test::findTool(QLatin1String(tool)).isEmpty())
                QSKIP("an external checking tool is missing");
        }
        const QString clip = m_dir.filePath(QStringLiteral("vibration.mp4"));
        QString error;
        QVERIFY2(makeVibratingClip(clip, &error), qPrintable(error));
        orvi::media::VideoInfo info;
        QImage firstFrame;
        QVERIFY2(test::probeClip(clip, &info, &firstFrame, &error), qPrintable(error));

        orvi::project_data::SpectrumAnalysisRequest request;
        request.videoInfo = info;
        request.videoInfo.captureFrameRate = kRate;
        request.analysisRegion = QRectF(0.1, 0.1, 0.8, 0.8);
        request.startFrame = 0;
        request.endFrame = 257;
        request.requestedGrid = QSize(16, 8);
        request.identity = orvi::spectrum::makeIdentity(1, request);
        QCOMPARE(orvi::spectrum::validate(request), QString());

        AnalysisExportContext& c = m_context;
        c.result = orvi::spectrum::runSpectrumAnalysis(request, {}, {});
        QVERIFY2(c.result.ok, qPrintable(c.result.errorMessage));
        QVERIFY(!c.result.candidates.empty());
        const auto& strongest = c.result.candidates.front();
        QVERIFY2(std::abs(strongest.frequencyHz - kVibrationHz) < 2.0 * c.result.binWidthHz,
                 qPrintable(QString::number(strongest.frequencyHz)));

        c.applicationIcon = test::fixtureIcon();
        c.versionText = QLatin1String(orvi::version::kText);
        c.created = QDateTime::currentDateTime();
        c.lowerHz = strongest.lowerFrequencyHz;
        c.upperHz = strongest.upperFrequencyHz;
        c.hasPowerMap = !orvi::spectrum::bandPowerMap(c.result.acceptedSignals, c.result.binWidthHz,
                                                      c.lowerHz, c.upperHz)
                             .empty();
        c.phaseFrequencyHz = strongest.frequencyHz;
        c.phaseReferenceIndex = int(c.result.sites.size() / 2) + 8;
        c.relativePhase = orvi::spectrum::computeRelativePhase(
            c.result.sites, c.phaseReferenceIndex, 0, kRate, c.phaseFrequencyHz, {});
        c.hasPhaseCalculation = !c.relativePhase.empty();
        c.hasPhase = std::any_of(c.relativePhase.begin(), c.relativePhase.end(),
                                 [](const auto& s) { return s.valid; });
        c.sites = AnalysisExportContext::sitesFrom(c.result.sites);
        QVERIFY(c.hasPowerMap);
        QVERIFY(c.hasPhase);
    }

    void everyFormatFromARealAnalysis_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("PDF report") << 0 << "engine.pdf";
        QTest::newRow("DOCX report") << 1 << "engine.docx";
        QTest::newRow("spectrum CSV") << 2 << "engine-spectrum.csv";
        QTest::newRow("cell data CSV") << 3 << "engine-cells.csv";
        QTest::newRow("analysis data JSON") << 4 << "engine.json";
        QTest::newRow("spectrum PNG") << 5 << "engine-spectrum.png";
        QTest::newRow("band power map PNG") << 6 << "engine-power.png";
        QTest::newRow("relative phase map PNG") << 7 << "engine-phase.png";
    }

    void everyFormatFromARealAnalysis()
    {
        QFETCH(int, format);
        QFETCH(QString, fileName);
        const QString path = m_dir.filePath(fileName);
        // The export flow writes on the global pool, away from the interface thread.
        const AnalysisExportContext context = m_context;
        QCOMPARE(
            QtConcurrent::run([&] { return writeAnalysisExport(path, format, context); }).result(),
            QString());
        test::keepCopy(path, fileName);
        const QByteArray bytes = test::readFile(path);
        const auto& result = m_context.result;
        QString output;
        switch (format) {
        case 0: {
            QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
            const QStringList pages = test::pdfPages(path);
            QVERIFY(pages.size() > 1);
            QVERIFY(pages.last().contains(QStringLiteral("Page %1").arg(pages.size())));
            break;
        }
        case 1:
            QVERIFY2(
                orvi::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), path}, &output),
                qPrintable(output));
            QVERIFY2(orvi::test::runTool(
                         QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral("-c"),
                          QStringLiteral("import docx,sys; d=docx.Document(sys.argv[1]); "
                                         "print(len(d.tables[0].rows))"),
                          path},
                         &output),
                     qPrintable(output));
            QCOMPARE(output.trimmed().toInt(), int(result.candidates.size()) + 1);
            break;
        case 2:
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"
                                     "frequency_hz,relative_power,point_amplitude_px,"
                                     "point_amplitude_um\r\n"));
            QCOMPARE(bytes.count("\r\n"), qsizetype(result.fftSize / 2 + 1));
            break;
        case 3:
            QCOMPARE(bytes.count("\r\n"), qsizetype(result.sites.size() + 1));
            break;
        case 4: {
            const QJsonObject root = QJsonDocument::fromJson(bytes).object();
            QCOMPARE(root["candidates"].toArray().size(), qsizetype(result.candidates.size()));
            QVERIFY(root.contains(QStringLiteral("phase")));
            break;
        }
        default: {
            const QJsonObject stream = orvi::test::probeVideoStream(path, &output);
            QCOMPARE(stream.value("codec_name").toString(), QStringLiteral("png"));
            const QSize size(stream.value("width").toInt(), stream.value("height").toInt());
            QCOMPARE(QImage(path).size(), size);
            QCOMPARE(size.width(), 1600);
            // The maps keep the region's aspect ratio above their colour bar strip.
            const int mapHeight = 1600 * 240 / 320;
            QVERIFY2(format == 5 ? size.height() == 900
                                 : size.height() > mapHeight && size.height() < mapHeight + 250,
                     qPrintable(QString::number(size.height())));
            break;
        }
        }
    }

private:
    QTemporaryDir m_dir;
    AnalysisExportContext m_context;
};

QTEST_MAIN(EngineExportsTest)
#include "tst_EngineExports.moc"
