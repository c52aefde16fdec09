#include "reports/PdfReportWriter.h"

#include "reports/AnalysisReport.h"
#include "reports/ReportDocument.h"

#include <QFontMetricsF>
#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

namespace orvi::reports {
namespace {

constexpr double kLeftMargin = 57.0;
constexpr double kContentTop = 80.0;
constexpr double kContentBottomGap = 62.0; // keeps content clear of the footer
constexpr double kLogoSize = 24.0;
constexpr double kLogoTop = 29.0;
constexpr double kFooterBaselineGap = 38.0;
constexpr double kCellPadding = 6.0;
constexpr double kFigureMaxHeight = 330.0;           // 4191000 EMU, as in the DOCX report
constexpr double kFullFigurePortraitHeight = 644.0;  // 8183245 EMU
constexpr double kFullFigureLandscapeHeight = 397.0; // 5051425 EMU
constexpr double kParagraphGap = 6.0;
constexpr double kShrinkSlack = 0.98;

const QColor kFooterColor(80, 85, 93);
const QColor kTableHeaderFill(220, 231, 244);
const QColor kTableBorder(217, 217, 217);
const QColor kTableStripe(245, 247, 250);
const QColor kNoteColor(70, 74, 82);

QFont reportFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

class PdfLayout
{
public:
    PdfLayout(QPdfWriter& writer, const ReportDocument& document)
        : m_writer(writer), m_document(document)
    {}

    bool write()
    {
        if (!m_painter.begin(&m_writer))
            return false;
        m_width = m_writer.width();
        m_height = m_writer.height();
        m_contentWidth = m_width - 2.0 * kLeftMargin;
        bool ok = true;
        for (qsizetype i = 0; ok && i < m_document.pages.size(); ++i)
            ok = writePage(m_document.pages.at(i), i == 0);
        if (m_document.pages.isEmpty())
            startPage(true);
        return m_painter.end() && ok;
    }

private:
    double contentBottom() const { return m_height - kContentBottomGap; }
    double remaining() const { return contentBottom() - m_y; }

    bool startPage(bool first)
    {
        if (!first && !m_writer.newPage())
            return false;
        ++m_pageNumber;
        m_y = kContentTop;
        drawHeaderAndFooter();
        return true;
    }

    void drawHeaderAndFooter()
    {
        if (!m_document.logo.isNull()) {
            const QSizeF logo =
                QSizeF(m_document.logo.size()).scaled(kLogoSize, kLogoSize, Qt::KeepAspectRatio);
            m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            m_painter.drawImage(QRectF(QPointF(kLeftMargin, kLogoTop), logo), m_document.logo);
        }
        m_painter.setPen(Qt::black);
        m_painter.setFont(reportFont(12, true));
        m_painter.drawText(QRectF(kLeftMargin + kLogoSize + 6.0, kLogoTop, 300.0, kLogoSize),
                           Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("orvi-motion"));

        const QFont footerFont = reportFont(9);
        m_painter.setFont(footerFont);
        m_painter.setPen(kFooterColor);
        const double baseline = m_height - kFooterBaselineGap;
        const QString left = QStringLiteral("orvi-motion ") + m_document.versionText;
        const QString right =
            AnalysisReport::tr("Page") + QLatin1Char(' ') + QString::number(m_pageNumber);
        const QFontMetricsF metrics(footerFont, &m_writer);
        m_painter.drawText(QPointF(kLeftMargin, baseline), left);
        m_painter.drawText(
            QPointF(m_width - kLeftMargin - metrics.horizontalAdvance(right), baseline), right);
    }

    // A single line fitted into the width: too wide a text is shrunk proportionally.
    QFont fittedFont(QFont font, const QString& text, double width) const
    {
        const double needed = QFontMetricsF(font, &m_writer).horizontalAdvance(text);
        if (needed > width && needed > 0.0)
            font.setPointSizeF(font.pointSizeF() * width / needed * kShrinkSlack);
        return font;
    }

    bool writePage(const ReportPage& page, bool first)
    {
        if (!startPage(first))
            return false;
        const QFont heading =
            fittedFont(reportFont(first ? 18 : 15, true), page.heading, m_contentWidth);
        const double headingHeight = QFontMetricsF(heading, &m_writer).height();
        m_painter.setFont(heading);
        m_painter.setPen(Qt::black);
        m_painter.drawText(QRectF(kLeftMargin, m_y, m_contentWidth, headingHeight),
                           Qt::AlignLeft | Qt::AlignVCenter, page.heading);
        m_y += headingHeight + 10.0;

        if (!page.paragraphsAfterFigure &&
            !writeParagraphs(page.paragraphs, reportFont(11), Qt::black))
            return false;
        if (!page.figure.isNull() && !writeFigure(page))
            return false;
        if (page.paragraphsAfterFigure &&
            !writeParagraphs(page.paragraphs, reportFont(11), Qt::black))
            return false;
        if (!page.tableRows.isEmpty() && !writeTable(page.tableRows))
            return false;
        return writeParagraphs(page.closingNotes, reportFont(9), kNoteColor);
    }

    bool writeParagraphs(const QStringList& paragraphs, const QFont& font, const QColor& color)
    {
        const QFontMetricsF metrics(font, &m_writer);
        for (const QString& text : paragraphs) {
            const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
            const double height =
                metrics.boundingRect(QRectF(0, 0, m_contentWidth, 1e6), flags, text).height();
            if (height > remaining() && m_y > kContentTop && !startPage(false))
                return false;
            m_painter.setFont(font);
            m_painter.setPen(color);
            m_painter.drawText(QRectF(kLeftMargin, m_y, m_contentWidth, height), flags, text);
            m_y += height + kParagraphGap;
        }
        return true;
    }

    double paragraphsHeight(const QStringList& paragraphs, const QFont& font) const
    {
        const QFontMetricsF metrics(font, &m_writer);
        double height = 0.0;
        for (const QString& text : paragraphs)
            height += metrics
                          .boundingRect(QRectF(0, 0, m_contentWidth, 1e6),
                                        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text)
                          .height() +
                      kParagraphGap;
        return height;
    }

    // Height of what follows the figure on its page.
    double heightAfterFigure(const ReportPage& page) const
    {
        double height = 0.0;
        if (page.paragraphsAfterFigure)
            height += paragraphsHeight(page.paragraphs, reportFont(11));
        if (!page.tableRows.isEmpty())
            height += page.tableRows.size() * tableRowHeight() + 10.0;
        return height + paragraphsHeight(page.closingNotes, reportFont(9));
    }

    bool writeFigure(const ReportPage& page)
    {
        const double limit =
            page.fullPageFigure
                ? (m_document.landscape ? kFullFigureLandscapeHeight : kFullFigurePortraitHeight)
                : kFigureMaxHeight;
        QSizeF size = QSizeF(page.figure.size())
                          .scaled(m_contentWidth, std::min(limit, contentBottom() - kContentTop),
                                  Qt::KeepAspectRatio);
        // Shrink the figure a little (down to 70 %) when that keeps the rest of the page with
        // it; when even that is not enough, the figure keeps its size and the rest flows on.
        const double wanted = remaining() - 10.0 - heightAfterFigure(page);
        if (size.height() > wanted && wanted >= size.height() * 0.7)
            size = size.scaled(m_contentWidth, wanted, Qt::KeepAspectRatio);
        // A figure squeezed to less than two thirds of its size moves to the next page.
        if (size.height() > remaining()) {
            if (remaining() < size.height() * 0.67 && !startPage(false))
                return false;
            size = size.scaled(m_contentWidth, std::min(size.height(), remaining()),
                               Qt::KeepAspectRatio);
        }
        const QRectF target(kLeftMargin + (m_contentWidth - size.width()) / 2.0, m_y, size.width(),
                            size.height());
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        m_painter.drawImage(target, page.figure);
        m_y += size.height() + 10.0;
        return true;
    }

    double tableRowHeight() const
    {
        return QFontMetricsF(reportFont(10), &m_writer).height() + 2.0 * kCellPadding;
    }

    bool writeTable(const QList<QStringList>& rows)
    {
        const int columns = std::max<int>(1, int(rows.first().size()));
        const double columnWidth = m_contentWidth / columns;
        const double rowHeight = tableRowHeight();
        // Keep a table together when a fresh page can hold it, and never strand the header
        // with fewer than two rows.
        const double whole = rows.size() * rowHeight;
        const bool fitsFreshPage = whole <= contentBottom() - kContentTop;
        if ((whole > remaining() && fitsFreshPage) ||
            std::min<qsizetype>(rows.size(), 3) * rowHeight > remaining()) {
            if (m_y > kContentTop && !startPage(false))
                return false;
        }
        for (qsizetype r = 0; r < rows.size(); ++r) {
            if (rowHeight > remaining()) {
                if (!startPage(false))
                    return false;
                if (r > 0) // the header row repeats on a continuation page
                    drawTableRow(rows.first(), 0, columnWidth, rowHeight);
            }
            drawTableRow(rows.at(r), r, columnWidth, rowHeight);
        }
        m_y += 10.0;
        return true;
    }

    void drawTableRow(const QStringList& cells, qsizetype row, double columnWidth, double height)
    {
        const bool header = row == 0;
        const QColor fill = header ? kTableHeaderFill : (row % 2 == 1 ? Qt::white : kTableStripe);
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const QRectF cell(kLeftMargin + c * columnWidth, m_y, columnWidth, height);
            m_painter.fillRect(cell, fill);
            m_painter.setPen(QPen(kTableBorder, 0.75));
            m_painter.setBrush(Qt::NoBrush);
            m_painter.drawRect(cell);
            const QRectF textBox =
                cell.adjusted(kCellPadding, kCellPadding, -kCellPadding, -kCellPadding);
            m_painter.setFont(fittedFont(reportFont(10, header), cells.at(c), textBox.width()));
            m_painter.setPen(Qt::black);
            m_painter.drawText(textBox, Qt::AlignCenter, cells.at(c));
        }
        m_y += height;
    }

    QPdfWriter& m_writer;
    const ReportDocument& m_document;
    QPainter m_painter;
    double m_width = 0.0;
    double m_height = 0.0;
    double m_contentWidth = 0.0;
    double m_y = 0.0;
    int m_pageNumber = 0;
};

} // namespace

bool writePdf(QIODevice* device, const ReportDocument& document)
{
    if (!device || !device->isWritable())
        return false;
    QPdfWriter writer(device);
    writer.setResolution(72);
    writer.setTitle(document.title);
    writer.setCreator(QStringLiteral("orvi-motion ") + document.versionText);
    const QPageLayout layout(QPageSize(QPageSize::A4),
                             document.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                             QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    if (!writer.setPageLayout(layout))
        return false;
    PdfLayout pdf(writer, document);
    return pdf.write();
}

} // namespace orvi::reports
