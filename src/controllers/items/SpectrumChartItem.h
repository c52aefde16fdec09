#pragma once

#include "controllers/items/SpectrumChartRange.h"

#include <QColor>
#include <QImage>
#include <QPolygonF>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <vector>

namespace orvi::ui::items {

// Paints the spectrum of a result over its visible frequency range: axes, the selected band,
// the band being dragged, labelled candidate peaks and the hover marker. It keeps the visible
// range and the draft; the view turns pointer gestures into the calls below and hands the
// chosen bands to the spectrum controller. The curve and axes are drawn only when the data,
// the range or the size change, so dragging and hovering repaint from a cached layer.
class SpectrumChartItem : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    // The controller's "spectrumPoints" and "candidates" lists.
    Q_PROPERTY(QVariantList points READ points WRITE setPoints NOTIFY dataChanged)
    Q_PROPERTY(QVariantList candidates READ candidates WRITE setCandidates NOTIFY dataChanged)
    Q_PROPERTY(double minimumFrequencyHz READ minimumFrequencyHz WRITE setMinimumFrequencyHz NOTIFY
                   dataChanged)
    Q_PROPERTY(double maximumFrequencyHz READ maximumFrequencyHz WRITE setMaximumFrequencyHz NOTIFY
                   dataChanged)
    Q_PROPERTY(
        double frequencyStepHz READ frequencyStepHz WRITE setFrequencyStepHz NOTIFY dataChanged)
    Q_PROPERTY(double selectedLowerHz READ selectedLowerHz WRITE setSelectedLowerHz NOTIFY
                   selectionChanged)
    Q_PROPERTY(double selectedUpperHz READ selectedUpperHz WRITE setSelectedUpperHz NOTIFY
                   selectionChanged)
    Q_PROPERTY(QString frequencyTitle MEMBER m_frequencyTitle NOTIFY appearanceChanged)
    Q_PROPERTY(QString powerTitle MEMBER m_powerTitle NOTIFY appearanceChanged)
    Q_PROPERTY(QColor plotColor MEMBER m_plotColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor curveColor MEMBER m_curveColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor bandColor MEMBER m_bandColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor draftColor MEMBER m_draftColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor markerColor MEMBER m_markerColor NOTIFY appearanceChanged)

    Q_PROPERTY(double viewLower READ viewLower NOTIFY viewChanged)
    Q_PROPERTY(double viewUpper READ viewUpper NOTIFY viewChanged)
    Q_PROPERTY(QRectF plotRect READ plotRect NOTIFY viewChanged)
    Q_PROPERTY(bool draftActive READ draftActive NOTIFY selectionChanged)
    Q_PROPERTY(double draftLower READ draftLower NOTIFY selectionChanged)
    Q_PROPERTY(double draftUpper READ draftUpper NOTIFY selectionChanged)
    Q_PROPERTY(int hoverIndex READ hoverIndex NOTIFY hoverChanged)
    Q_PROPERTY(double hoverFrequencyHz READ hoverFrequencyHz NOTIFY hoverChanged)
    Q_PROPERTY(double hoverPower READ hoverPower NOTIFY hoverChanged)

public:
    explicit SpectrumChartItem(QQuickItem* parent = nullptr);

    QVariantList points() const { return m_pointList; }
    void setPoints(const QVariantList& points);
    QVariantList candidates() const { return m_candidateList; }
    void setCandidates(const QVariantList& candidates);
    double minimumFrequencyHz() const { return m_minimumHz; }
    void setMinimumFrequencyHz(double hz);
    double maximumFrequencyHz() const { return m_maximumHz; }
    void setMaximumFrequencyHz(double hz);
    double frequencyStepHz() const { return m_stepHz; }
    void setFrequencyStepHz(double hz);
    double selectedLowerHz() const { return m_selected.lower; }
    void setSelectedLowerHz(double hz);
    double selectedUpperHz() const { return m_selected.upper; }
    void setSelectedUpperHz(double hz);

    double viewLower() const { return m_range.lower(); }
    double viewUpper() const { return m_range.upper(); }
    QRectF plotRect() const { return m_plot; }
    bool draftActive() const { return m_draftActive; }
    double draftLower() const { return m_draft.lower; }
    double draftUpper() const { return m_draft.upper; }
    int hoverIndex() const { return m_hoverIndex; }
    double hoverFrequencyHz() const;
    double hoverPower() const;

    // Pointer positions are in item coordinates.
    Q_INVOKABLE bool inPlot(qreal x, qreal y) const { return m_plot.contains(x, y); }
    Q_INVOKABLE double frequencyAtX(qreal x) const;
    Q_INVOKABLE bool inSelectedBand(qreal x) const;
    Q_INVOKABLE void hoverAt(qreal x);
    Q_INVOKABLE void clearHover();
    Q_INVOKABLE void beginDraft(qreal x);
    Q_INVOKABLE void updateDraft(qreal x);
    Q_INVOKABLE void endDraft();
    Q_INVOKABLE void zoomToDraft();
    Q_INVOKABLE void zoomAt(qreal x, bool zoomIn);
    Q_INVOKABLE void resetView();
    // False (and nothing changes) for a range outside the result's limits.
    Q_INVOKABLE bool setView(double lower, double upper);
    // {lower, upper} of the one-bin band around a frequency.
    Q_INVOKABLE QVariantMap oneBinBand(double frequencyHz) const;
    Q_INVOKABLE QString frequencyText(double frequencyHz) const;
    Q_INVOKABLE QString powerText(double power) const;

    void paint(QPainter* painter) override;

signals:
    void dataChanged();
    void viewChanged();
    void selectionChanged();
    void hoverChanged();
    void appearanceChanged();

protected:
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    struct Peak
    {
        double frequencyHz = 0.0;
        double power = 0.0;
        QString label;
    };

    void limitsChanged();
    void layoutPlot();
    void rebuildCurve();
    void viewUpdated();
    void setHoverIndex(int index);
    double fractionAtX(qreal x) const;
    double xOf(double frequencyHz) const;
    void renderLayer(qreal pixelRatio);
    void paintBand(QPainter& painter, FrequencyBand band, const QColor& color,
                   Qt::PenStyle edgeStyle) const;
    void paintPeaks(QPainter& painter) const;
    void paintHover(QPainter& painter) const;

    QVariantList m_pointList;
    QVariantList m_candidateList;
    std::vector<double> m_frequencies;
    std::vector<double> m_powers;
    std::vector<Peak> m_peaks;
    double m_minimumHz = 0.0;
    double m_maximumHz = 0.0;
    double m_stepHz = 0.1;
    SpectrumChartRange m_range;
    FrequencyBand m_selected;
    FrequencyBand m_draft;
    double m_pressedHz = 0.0;
    bool m_draftActive = false;
    int m_hoverIndex = -1;

    QString m_frequencyTitle;
    QString m_powerTitle;
    QColor m_plotColor = Qt::white;
    QColor m_curveColor = QColor(0x1a, 0x5f, 0xb4);
    QColor m_bandColor = QColor(0xff, 0xb0, 0x00);
    QColor m_draftColor = QColor(0x56, 0x60, 0x6b);
    QColor m_markerColor = QColor(0x1d, 0x22, 0x28);

    // Cached per range and size: the plot rectangle, the power scale and the curve.
    QRectF m_plot;
    double m_powerTop = 1.0;
    QPolygonF m_curve;
    QPolygonF m_area;
    QImage m_layer;
    bool m_layerDirty = true;
};

} // namespace orvi::ui::items
