#include "ReportFixture.h"
#include "ReportTools.h"
#include "orvi/Version.h"
#include "reports/AnalysisExportWriter.h"
#include "reports/ReportComposer.h"
#include "reports/ReportNumberFormat.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace orvi::reports;

namespace {

QStringList headingsOf(const ReportDocument& document)
{
    QStringList headings;
    for (const ReportPage& page : document.pages)
        headings.append(page.heading);
    return headings;
}

using Variant = std::function<void(test::FixtureOptions&)>;
using ContextChange = std::function<void(AnalysisExportContext&)>;

} // namespace

Q_DECLARE_METATYPE(Variant)
Q_DECLARE_METATYPE(ContextChange)

class AnalysisReportTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char* tool : {"qpdf", "pdfinfo", "pdftotext", "pdftoppm", "ffmpeg"}) {
            if (orvi::test::findTool(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        QString error;
        const QString landscape = m_dir.filePath(QStringLiteral("machine.mp4"));
        QVERIFY2(test::makeClip(landscape, QSize(640, 360), 1100, &error), qPrintable(error));
        QVERIFY2(test::probeClip(landscape, &m_landscapeInfo, &m_landscapeFrame, &error),
                 qPrintable(error));
        const QString portrait = m_dir.filePath(QStringLiteral("portrait.mp4"));
        QVERIFY2(test::makeClip(portrait, QSize(360, 640), 120, &error), qPrintable(error));
        QVERIFY2(test::probeClip(portrait, &m_portraitInfo, &m_portraitFrame, &error),
                 qPrintable(error));
        m_context = contextFor({});
        QVERIFY(m_context.result.ok && m_context.hasPhase &&
                m_context.result.candidates.size() >= 3);
    }

    void pdfReportPassesExternalChecks()
    {
        const QString path = m_dir.filePath(QStringLiteral("report.pdf"));
        QVERIFY(writeAnalysisExport(path, 0, m_context));
        const ReportDocument expected = composeReport(m_context, m_landscapeFrame);

        QString output;
        QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
        test::PdfInfo info;
        QVERIFY2(test::pdfInfo(path, &info, &output), qPrintable(output));
        QCOMPARE(info.title, QStringLiteral("Zazira spectrum analysis report"));
        QCOMPARE(info.creator, QLatin1String(orvi::version::kProductIdentity));
        // Landscape A4 (the tool rounds to whole points for some producers).
        QVERIFY2(QRegularExpression(QStringLiteral("^(841\\.89|842) x 595(\\.\\d+)? pts \\(A4\\)"))
                     .match(info.pageSize)
                     .hasMatch(),
                 qPrintable(info.pageSize));
        QVERIFY(info.pages >= expected.pages.size());

        // Every heading in order; one per PDF page at least (each report page starts a page).
        QString missing;
        const QString text = test::pdfText(path);
        QVERIFY2(test::containsInOrder(text, headingsOf(expected), &missing), qPrintable(missing));
        QVERIFY(test::containsInOrder(
            text,
            {QStringLiteral("Source video: machine.mp4"), QStringLiteral("Frequency Hz"),
             QStringLiteral("Relative band power is the sum"),
             QStringLiteral("Interpretation and limitations"),
             QStringLiteral("No conclusion about equipment condition is generated automatically.")},
            &missing));
        // The default region is small: the figures add close-ups of it.
        QVERIFY2(test::containsInOrder(
                     text,
                     {QStringLiteral("The outline marks the analysis region used for this "
                                     "calculation."),
                      QStringLiteral("Source frame 1: analysis region close-up"),
                      QStringLiteral("Relative phase map — analysis region close-up")},
                     &missing),
                 qPrintable(missing));
        const QStringList pages = test::pdfPages(path);
        QCOMPARE(pages.size(), info.pages);
        for (int page = 1; page <= info.pages; ++page) {
            const QString& pageText = pages.at(page - 1);
            QVERIFY2(pageText.contains(QStringLiteral("Page %1").arg(page)), qPrintable(pageText));
            QVERIFY(pageText.contains(QLatin1String(orvi::version::kProductIdentity)));
        }
    }

    void compositionVariants_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<ContextChange>("change");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");

        const Variant standard;
        const ContextChange unchanged = [](AnalysisExportContext&) {};
        QTest::newRow("region equal to the whole frame")
            << Variant([](test::FixtureOptions& o) { o.region = QRectF(0, 0, 1, 1); }) << unchanged
            << QStringList{"The entire frame was analyzed; no separate analysis region is "
                           "outlined."}
            << QStringList{"close-up", "The outline marks the analysis region"};
        QTest::newRow("no frequency candidates")
            << Variant([](test::FixtureOptions& o) { o.withTones = false; }) << unchanged
            << QStringList{"all 0 detected frequency candidates",
                           "No frequency candidates passed the detection thresholds."}
            << QStringList{"Peak at", "Band power map for peak at", "Frequency Hz"};
        QTest::newRow("no valid selected band")
            << standard << ContextChange([](AnalysisExportContext& c) {
                   c.lowerHz = 30.0;
                   c.upperHz = 20.0;
               })
            << QStringList{"Additional map: band selected in the interface",
                           "No valid frequency band was selected. The band power map is "
                           "unavailable."}
            << QStringList{"Additional map: band selected in the interface — analysis region"};
        QTest::newRow("no valid phase map")
            << standard << ContextChange([](AnalysisExportContext& c) { c.hasPhase = false; })
            << QStringList{"Interpretation and limitations"} << QStringList{"Relative phase map"};
    }

    void compositionVariants()
    {
        QFETCH(Variant, variant);
        QFETCH(ContextChange, change);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        AnalysisExportContext context = contextFor(variant);
        change(context);
        const QString name = QStringLiteral("variant-%1.pdf")
                                 .arg(QTest::currentDataTag())
                                 .replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString path = m_dir.filePath(name);
        QVERIFY(writeAnalysisExport(path, 0, context));
        QString output;
        QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
        const QString text = test::pdfText(path);
        QString missing;
        QVERIFY2(test::containsInOrder(text, present, &missing), qPrintable(missing));
        QString collapsed = text;
        collapsed.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
        for (const QString& needle : absent)
            QVERIFY2(!collapsed.contains(needle), qPrintable(needle));
    }

    void portraitVideoGivesPortraitReport()
    {
        test::FixtureOptions options;
        options.startFrame = 0;
        options.frameCount = 97; // 96 phase samples
        options.region = QRectF(0.1, 0.3, 0.8, 0.35);
        const AnalysisExportContext context =
            test::makeContext(m_portraitInfo, m_portraitFrame, options);
        QVERIFY(context.result.ok);
        const QString path = m_dir.filePath(QStringLiteral("portrait.pdf"));
        QVERIFY(writeAnalysisExport(path, 0, context));
        QString output;
        QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
        test::PdfInfo info;
        QVERIFY(test::pdfInfo(path, &info, &output));
        QVERIFY2(QRegularExpression(QStringLiteral("^595(\\.\\d+)? x (841\\.89|842) pts \\(A4\\)"))
                     .match(info.pageSize)
                     .hasMatch(),
                 qPrintable(info.pageSize));
    }

    void longCandidateTableRepeatsItsHeader()
    {
        // Twenty candidates (the most an analysis yields) spread over the spectrum.
        AnalysisExportContext context = m_context;
        const auto model = context.result.candidates.front();
        context.result.candidates.clear();
        for (int i = 0; i < 20; ++i) {
            auto candidate = model;
            candidate.frequencyHz = 5.0 + 5.5 * i;
            candidate.refinedFrequencyHz = candidate.frequencyHz;
            candidate.lowerFrequencyHz = candidate.frequencyHz - 0.2;
            candidate.upperFrequencyHz = candidate.frequencyHz + 0.2;
            candidate.relativePower = 1.0 / (1 + i);
            context.result.candidates.push_back(candidate);
        }
        context.hasPhase = false;
        const QString path = m_dir.filePath(QStringLiteral("twenty.pdf"));
        QVERIFY(writeAnalysisExport(path, 0, context));
        QString output;
        QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
        const QStringList pages = test::pdfPages(path);
        int pagesWithHeader = 0;
        int rowsFound = 0;
        for (int page = 1; page <= pages.size(); ++page) {
            const QString& text = pages.at(page - 1);
            // The candidate table's pages, before the amplitude table lists the lines again.
            if (!text.contains(QStringLiteral("Relative peak power")))
                continue;
            ++pagesWithHeader;
            for (const auto& c : context.result.candidates)
                rowsFound += text.contains(
                    QLatin1Char('\n') + formatReportNumber(c.frequencyHz, 3) + QLatin1Char('\n'));
        }
        QCOMPARE(pagesWithHeader, 2); // the table continues on a second page with its header
        QCOMPARE(rowsFound, 20);
        QString missing;
        QVERIFY2(test::containsInOrder(test::pdfText(path),
                                       {QStringLiteral("Peak at 5 Hz"),
                                        QStringLiteral("Peak at 109.5 Hz"),
                                        QStringLiteral("Band power map for peak at 109.5 Hz")},
                                       &missing),
                 qPrintable(missing));
    }

private:
    AnalysisExportContext contextFor(const Variant& variant) const;

    QTemporaryDir m_dir;
    orvi::media::VideoInfo m_landscapeInfo;
    QImage m_landscapeFrame;
    orvi::media::VideoInfo m_portraitInfo;
    QImage m_portraitFrame;
    AnalysisExportContext m_context;
};

AnalysisExportContext AnalysisReportTest::contextFor(const Variant& variant) const
{
    test::FixtureOptions options;
    if (variant)
        variant(options);
    return test::makeContext(m_landscapeInfo, m_landscapeFrame, options);
}

QTEST_MAIN(AnalysisReportTest)
#include "tst_AnalysisReport.moc"
