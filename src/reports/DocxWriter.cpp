#include "reports/DocxWriter.h"

#include "reports/AnalysisReport.h"
#include "reports/ReportDocument.h"
#include "reports/ZipWriter.h"

#include <QBuffer>
#include <QIODevice>
#include <algorithm>
#include <cmath>

namespace orvi::reports {
namespace {

// Page geometry in twips (1 twip = 635 EMU).
constexpr int kPortraitWidth = 11906;
constexpr int kPortraitHeight = 16838;
constexpr int kHorizontalMargins = 2268;
constexpr qint64 kEmuPerTwip = 635;
constexpr qint64 kPortraitFullPageFigureEmu = 8183245;
constexpr qint64 kLandscapeFullPageFigureEmu = 5051425;
constexpr qint64 kFigureHeightEmu = 4191000;
constexpr qint64 kLogoBoxEmu = 300000;
constexpr int kLogoDrawingId = 10000;

const QString kRelationshipBase =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
const QString kXmlDeclaration =
    QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
const QString kWordNamespaces = QStringLiteral(
    " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"");

QString escapeText(const QString& text)
{
    QString cleaned = text;
    for (QChar& c : cleaned) {
        if (c.unicode() < 32 && c != QLatin1Char('\n') && c != QLatin1Char('\r') &&
            c != QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    cleaned.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    cleaned.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    cleaned.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    cleaned.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return cleaned;
}

QString run(const QString& text, bool bold = false)
{
    return QStringLiteral("<w:r>%1<w:t xml:space=\"preserve\">%2</w:t></w:r>")
        .arg(bold ? QStringLiteral("<w:rPr><w:b/><w:bCs/></w:rPr>") : QString(), escapeText(text));
}

QString paragraph(const QString& style, const QString& content, bool pageBreakBefore = false)
{
    return QStringLiteral("<w:p><w:pPr><w:pStyle w:val=\"%1\"/>%2</w:pPr>%3</w:p>")
        .arg(style, pageBreakBefore ? QStringLiteral("<w:pageBreakBefore/>") : QString(), content);
}

QString relationship(const QString& id, const QString& type, const QString& target)
{
    return QStringLiteral("<Relationship Id=\"%1\" Type=\"%2\" Target=\"%3\"/>")
        .arg(id, kRelationshipBase + type, target);
}

QString relationships(const QString& items)
{
    return kXmlDeclaration +
           QStringLiteral("<Relationships "
                          "xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                          "relationships\">") +
           items + QStringLiteral("</Relationships>");
}

bool encodePng(const QImage& image, QByteArray* bytes)
{
    if (image.isNull())
        return false;
    QBuffer buffer(bytes);
    return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG");
}

// Inline picture; the extent is in EMU.
QString inlineDrawing(int id, const QString& name, const QString& pictureName,
                      const QString& relationshipId, qint64 cx, qint64 cy)
{
    return QStringLiteral(
               "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
               "<wp:extent cx=\"%1\" cy=\"%2\"/><wp:docPr id=\"%3\" name=\"%4\"/>"
               "<a:graphic><a:graphicData "
               "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
               "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"%3\" name=\"%5\"/><pic:cNvPicPr/>"
               "</pic:nvPicPr><pic:blipFill><a:blip r:embed=\"%6\"/><a:stretch><a:fillRect/>"
               "</a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/>"
               "<a:ext cx=\"%1\" cy=\"%2\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/>"
               "</a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic></wp:inline>"
               "</w:drawing></w:r>")
        .arg(QString::number(cx), QString::number(cy), QString::number(id), escapeText(name),
             escapeText(pictureName), relationshipId);
}

// Scales a pixel size to fit maxWidth x maxHeight EMU, keeping the aspect ratio; the limiting
// side is exact and the other one truncated, in integers to avoid rounding below the limit.
std::pair<qint64, qint64> fittedExtent(const QSize& pixels, qint64 maxWidth, qint64 maxHeight)
{
    const qint64 w = std::max(pixels.width(), 1);
    const qint64 h = std::max(pixels.height(), 1);
    if (maxWidth * h <= maxHeight * w)
        return {maxWidth, h * maxWidth / w};
    return {w * maxHeight / h, maxHeight};
}

QString contentTypes()
{
    const QString main = QStringLiteral("application/vnd.openxmlformats-officedocument."
                                        "wordprocessingml.");
    auto override = [](const QString& part, const QString& type) {
        return QStringLiteral("<Override PartName=\"%1\" ContentType=\"%2\"/>").arg(part, type);
    };
    return kXmlDeclaration +
           QStringLiteral(
               "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Default Extension=\"rels\" "
               "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
               "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
               "<Default Extension=\"png\" ContentType=\"image/png\"/>") +
           override(QStringLiteral("/word/document.xml"),
                    main + QStringLiteral("document.main+xml")) +
           override(QStringLiteral("/word/styles.xml"), main + QStringLiteral("styles+xml")) +
           override(QStringLiteral("/word/settings.xml"), main + QStringLiteral("settings+xml")) +
           override(QStringLiteral("/word/header1.xml"), main + QStringLiteral("header+xml")) +
           override(QStringLiteral("/word/footer1.xml"), main + QStringLiteral("footer+xml")) +
           override(QStringLiteral("/docProps/core.xml"),
                    QStringLiteral("application/vnd.openxmlformats-package.core-properties+xml")) +
           QStringLiteral("</Types>");
}

QString packageRelationships()
{
    return relationships(
        relationship(QStringLiteral("rDoc"), QStringLiteral("officeDocument"),
                     QStringLiteral("word/document.xml")) +
        QStringLiteral("<Relationship Id=\"rCore\" "
                       "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/"
                       "metadata/core-properties\" Target=\"docProps/core.xml\"/>"));
}

QString coreProperties(const ReportDocument& document)
{
    return kXmlDeclaration +
           QStringLiteral("<cp:coreProperties "
                          "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
                          "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                          "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
                          "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
                          "<dc:title>%1</dc:title><dc:creator>orvi-motion %2</dc:creator>"
                          "</cp:coreProperties>")
               .arg(escapeText(document.title), escapeText(document.versionText));
}

QString styles()
{
    return kXmlDeclaration + QStringLiteral("<w:styles") + kWordNamespaces +
           QStringLiteral(
               "><w:docDefaults><w:rPrDefault><w:rPr>"
               "<w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\"/>"
               "<w:color w:val=\"000000\"/><w:sz w:val=\"22\"/><w:szCs w:val=\"22\"/>"
               "</w:rPr></w:rPrDefault><w:pPrDefault><w:pPr><w:widowControl/>"
               "<w:suppressAutoHyphens/>"
               "<w:spacing w:after=\"160\" w:line=\"260\" w:lineRule=\"auto\"/>"
               "</w:pPr></w:pPrDefault></w:docDefaults>"
               "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\">"
               "<w:name w:val=\"Normal\"/><w:qFormat/></w:style>"
               "<w:style w:type=\"paragraph\" w:styleId=\"Title\"><w:name w:val=\"Title\"/>"
               "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:qFormat/>"
               "<w:pPr><w:keepNext/><w:spacing w:after=\"260\"/></w:pPr>"
               "<w:rPr><w:b/><w:bCs/><w:sz w:val=\"36\"/><w:szCs w:val=\"36\"/></w:rPr>"
               "</w:style>"
               "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\">"
               "<w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/>"
               "<w:next w:val=\"Normal\"/><w:qFormat/>"
               "<w:pPr><w:keepNext/><w:spacing w:after=\"240\"/><w:outlineLvl w:val=\"0\"/>"
               "</w:pPr><w:rPr><w:b/><w:bCs/><w:sz w:val=\"30\"/><w:szCs w:val=\"30\"/></w:rPr>"
               "</w:style>"
               "<w:style w:type=\"paragraph\" w:styleId=\"Small\"><w:name w:val=\"Small\"/>"
               "<w:basedOn w:val=\"Normal\"/><w:qFormat/>"
               "<w:rPr><w:sz w:val=\"18\"/><w:szCs w:val=\"18\"/></w:rPr></w:style>"
               "</w:styles>");
}

QString settings()
{
    return kXmlDeclaration + QStringLiteral("<w:settings") + kWordNamespaces +
           QStringLiteral("><w:autoHyphenation w:val=\"false\"/>"
                          "<w:updateFields w:val=\"true\"/></w:settings>");
}

QString header(const QImage& logo)
{
    const auto [cx, cy] = fittedExtent(logo.size(), kLogoBoxEmu, kLogoBoxEmu);
    return kXmlDeclaration + QStringLiteral("<w:hdr") + kWordNamespaces +
           QStringLiteral("><w:p><w:pPr><w:spacing w:after=\"100\"/></w:pPr>") +
           inlineDrawing(kLogoDrawingId, QStringLiteral("Logo"), QStringLiteral("logo.png"),
                         QStringLiteral("rLogo"), cx, cy) +
           run(QStringLiteral("  orvi-motion")) + QStringLiteral("</w:p></w:hdr>");
}

QString footer(const ReportDocument& document, int contentWidth)
{
    return kXmlDeclaration + QStringLiteral("<w:ftr") + kWordNamespaces +
           QStringLiteral("><w:p><w:pPr><w:pStyle w:val=\"Small\"/><w:tabs>"
                          "<w:tab w:val=\"right\" w:pos=\"%1\"/></w:tabs></w:pPr>")
               .arg(contentWidth) +
           run(QStringLiteral("orvi-motion ") + document.versionText) +
           QStringLiteral("<w:r><w:tab/></w:r>") +
           run(AnalysisReport::tr("Page") + QLatin1Char(' ')) +
           QStringLiteral("<w:fldSimple w:instr=\" PAGE \"><w:r><w:t>1</w:t></w:r>"
                          "</w:fldSimple></w:p></w:ftr>");
}

QString table(const QList<QStringList>& rows, int contentWidth)
{
    const int columns = std::max<int>(1, int(rows.first().size()));
    const int columnWidth = contentWidth / columns;
    QString xml =
        QStringLiteral("<w:tbl><w:tblPr><w:tblW w:w=\"%1\" w:type=\"dxa\"/><w:tblBorders>")
            .arg(contentWidth);
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
        xml += QStringLiteral("<w:%1 w:val=\"single\" w:sz=\"4\" w:space=\"0\" "
                              "w:color=\"D9D9D9\"/>")
                   .arg(QLatin1String(side));
    xml += QStringLiteral("</w:tblBorders><w:tblLayout w:type=\"fixed\"/><w:tblCellMar>"
                          "<w:top w:w=\"80\" w:type=\"dxa\"/><w:left w:w=\"100\" w:type=\"dxa\"/>"
                          "<w:bottom w:w=\"80\" w:type=\"dxa\"/>"
                          "<w:right w:w=\"100\" w:type=\"dxa\"/></w:tblCellMar></w:tblPr>"
                          "<w:tblGrid>");
    for (int c = 0; c < columns; ++c)
        xml += QStringLiteral("<w:gridCol w:w=\"%1\"/>").arg(columnWidth);
    xml += QStringLiteral("</w:tblGrid>");
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const bool headerRow = r == 0;
        const QString fill = headerRow      ? QStringLiteral("DCE7F4")
                             : (r % 2 == 1) ? QStringLiteral("FFFFFF")
                                            : QStringLiteral("F5F7FA");
        xml += QStringLiteral("<w:tr><w:trPr><w:cantSplit/>%1</w:trPr>")
                   .arg(headerRow ? QStringLiteral("<w:tblHeader/>") : QString());
        for (const QString& cell : rows.at(r)) {
            xml += QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/>"
                                  "<w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"%2\"/>"
                                  "<w:vAlign w:val=\"center\"/></w:tcPr>"
                                  "<w:p><w:pPr><w:spacing w:after=\"0\"/><w:jc w:val=\"center\"/>"
                                  "</w:pPr>%3</w:p></w:tc>")
                       .arg(QString::number(columnWidth), fill, run(cell, headerRow));
        }
        xml += QStringLiteral("</w:tr>");
    }
    xml += QStringLiteral("</w:tbl><w:p/>");
    return xml;
}

struct Figure
{
    int number = 0;
    QByteArray png;
};

class DocumentBuilder
{
public:
    explicit DocumentBuilder(const ReportDocument& document)
        : m_document(document), m_pageWidth(document.landscape ? kPortraitHeight : kPortraitWidth),
          m_pageHeight(document.landscape ? kPortraitWidth : kPortraitHeight),
          m_contentWidth(m_pageWidth - kHorizontalMargins)
    {}

    int contentWidth() const { return m_contentWidth; }
    const QList<Figure>& figures() const { return m_figures; }

    bool build(QString* xml)
    {
        QString body;
        for (qsizetype i = 0; i < m_document.pages.size(); ++i) {
            if (!appendPage(m_document.pages.at(i), i == 0, &body))
                return false;
        }
        *xml = kXmlDeclaration + QStringLiteral("<w:document") + kWordNamespaces +
               QStringLiteral("><w:body>") + body + sectionProperties() +
               QStringLiteral("</w:body></w:document>");
        return true;
    }

private:
    bool appendPage(const ReportPage& page, bool first, QString* body)
    {
        *body += paragraph(first ? QStringLiteral("Title") : QStringLiteral("Heading1"),
                           run(page.heading), !first);
        if (!page.paragraphsAfterFigure)
            appendParagraphs(page.paragraphs, body);
        if (!page.figure.isNull() && !appendFigure(page, body))
            return false;
        if (page.paragraphsAfterFigure)
            appendParagraphs(page.paragraphs, body);
        if (!page.tableRows.isEmpty())
            *body += table(page.tableRows, m_contentWidth);
        for (const QString& note : page.closingNotes)
            *body += paragraph(QStringLiteral("Small"), run(note));
        return true;
    }

    static void appendParagraphs(const QStringList& paragraphs, QString* body)
    {
        for (const QString& text : paragraphs)
            *body += paragraph(QStringLiteral("Normal"), run(text));
    }

    bool appendFigure(const ReportPage& page, QString* body)
    {
        Figure figure;
        figure.number = int(m_figures.size()) + 1;
        if (!encodePng(page.figure, &figure.png))
            return false;
        const qint64 maxHeight =
            page.fullPageFigure
                ? (m_document.landscape ? kLandscapeFullPageFigureEmu : kPortraitFullPageFigureEmu)
                : kFigureHeightEmu;
        const auto [cx, cy] =
            fittedExtent(page.figure.size(), qint64(m_contentWidth) * kEmuPerTwip, maxHeight);
        const QString number = QString::number(figure.number);
        *body +=
            QStringLiteral("<w:p><w:pPr><w:pStyle w:val=\"Normal\"/><w:jc w:val=\"center\"/>"
                           "</w:pPr>") +
            inlineDrawing(figure.number, QStringLiteral("Figure ") + number,
                          QStringLiteral("image.png"), QStringLiteral("rImage") + number, cx, cy) +
            QStringLiteral("</w:p>");
        m_figures.append(figure);
        return true;
    }

    QString sectionProperties() const
    {
        return QStringLiteral("<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rHeader\"/>"
                              "<w:footerReference w:type=\"default\" r:id=\"rFooter\"/>"
                              "<w:pgSz w:w=\"%1\" w:h=\"%2\"%3/>"
                              "<w:pgMar w:top=\"1417\" w:right=\"1134\" w:bottom=\"1134\" "
                              "w:left=\"1134\" w:header=\"567\" w:footer=\"567\" w:gutter=\"0\"/>"
                              "</w:sectPr>")
            .arg(QString::number(m_pageWidth), QString::number(m_pageHeight),
                 m_document.landscape ? QStringLiteral(" w:orient=\"landscape\"")
                                      : QStringLiteral(" w:orient=\"portrait\""));
    }

    const ReportDocument& m_document;
    const int m_pageWidth;
    const int m_pageHeight;
    const int m_contentWidth;
    QList<Figure> m_figures;
};

QString documentRelationships(const QList<Figure>& figures)
{
    QString items = relationship(QStringLiteral("rStyles"), QStringLiteral("styles"),
                                 QStringLiteral("styles.xml")) +
                    relationship(QStringLiteral("rSettings"), QStringLiteral("settings"),
                                 QStringLiteral("settings.xml")) +
                    relationship(QStringLiteral("rHeader"), QStringLiteral("header"),
                                 QStringLiteral("header1.xml")) +
                    relationship(QStringLiteral("rFooter"), QStringLiteral("footer"),
                                 QStringLiteral("footer1.xml"));
    for (const Figure& figure : figures) {
        const QString number = QString::number(figure.number);
        items += relationship(QStringLiteral("rImage") + number, QStringLiteral("image"),
                              QStringLiteral("media/image%1.png").arg(number));
    }
    return relationships(items);
}

} // namespace

bool writeDocx(QIODevice* device, const ReportDocument& document)
{
    QByteArray logoPng;
    if (!encodePng(document.logo, &logoPng))
        return false;

    DocumentBuilder builder(document);
    QString documentXml;
    if (!builder.build(&documentXml))
        return false;

    QList<ZipEntry> entries;
    entries.append({QStringLiteral("word/media/logo.png"), logoPng});
    entries.append({QStringLiteral("[Content_Types].xml"), contentTypes().toUtf8()});
    entries.append({QStringLiteral("_rels/.rels"), packageRelationships().toUtf8()});
    entries.append({QStringLiteral("docProps/core.xml"), coreProperties(document).toUtf8()});
    entries.append({QStringLiteral("word/styles.xml"), styles().toUtf8()});
    entries.append({QStringLiteral("word/settings.xml"), settings().toUtf8()});
    entries.append({QStringLiteral("word/header1.xml"), header(document.logo).toUtf8()});
    entries.append({QStringLiteral("word/_rels/header1.xml.rels"),
                    relationships(relationship(QStringLiteral("rLogo"), QStringLiteral("image"),
                                               QStringLiteral("media/logo.png")))
                        .toUtf8()});
    entries.append(
        {QStringLiteral("word/footer1.xml"), footer(document, builder.contentWidth()).toUtf8()});
    for (const Figure& figure : builder.figures())
        entries.append(
            {QStringLiteral("word/") + QStringLiteral("media/image%1.png").arg(figure.number),
             figure.png});
    entries.append({QStringLiteral("word/document.xml"), documentXml.toUtf8()});
    entries.append({QStringLiteral("word/_rels/document.xml.rels"),
                    documentRelationships(builder.figures()).toUtf8()});
    return writeZip(device, entries);
}

} // namespace orvi::reports
