#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <vector>

namespace orvi::ui::items {

// The cells of a band power or relative phase map over a frame, painted in one pass: a few
// thousand cells stay cheap to pan and zoom. Cells are given in frame fractions and placed
// through `frameRect`, the frame's rectangle in item coordinates (it may exceed the item).
class MapCellsItem : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(Mode mode READ mode WRITE setMode NOTIFY modeChanged)
    // Maps with "x", "y", "width", "height" (frame fractions) and the mode's value keys.
    Q_PROPERTY(QVariantList samples READ samples WRITE setSamples NOTIFY samplesChanged)
    // Per sample, a map whose "accepted" false shades the cell (phase mode); may be empty.
    Q_PROPERTY(QVariantList sites READ sites WRITE setSites NOTIFY samplesChanged)
    Q_PROPERTY(
        bool logarithmicColors READ logarithmicColors WRITE setLogarithmicColors NOTIFY modeChanged)
    Q_PROPERTY(QRectF frameRect READ frameRect WRITE setFrameRect NOTIFY frameRectChanged)
    // The analysis region in frame fractions, outlined unless it is the whole frame.
    Q_PROPERTY(QRectF region READ region WRITE setRegion NOTIFY regionChanged)
    // The marked cell (the phase reference), −1 for none.
    Q_PROPERTY(int markedIndex READ markedIndex WRITE setMarkedIndex NOTIFY markedIndexChanged)

public:
    enum Mode
    {
        BandPower, // "value" 0 ... 1 of the strongest point, drawn when "valid"
        Phase,     // "phaseDegrees", drawn when "valid"; every cell outlined (it can be clicked)
    };
    Q_ENUM(Mode)

    explicit MapCellsItem(QQuickItem* parent = nullptr);

    Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    QVariantList samples() const { return m_samples; }
    void setSamples(const QVariantList& samples);
    QVariantList sites() const { return m_sites; }
    void setSites(const QVariantList& sites);
    bool logarithmicColors() const { return m_logarithmic; }
    void setLogarithmicColors(bool logarithmic);
    QRectF frameRect() const { return m_frameRect; }
    void setFrameRect(const QRectF& rect);
    QRectF region() const { return m_region; }
    void setRegion(const QRectF& region);
    int markedIndex() const { return m_markedIndex; }
    void setMarkedIndex(int index);

    // The first cell containing the frame point (u, v), edges included; −1 when none does.
    Q_INVOKABLE int cellAt(qreal u, qreal v) const;

    void paint(QPainter* painter) override;

signals:
    void modeChanged();
    void samplesChanged();
    void frameRectChanged();
    void regionChanged();
    void markedIndexChanged();

private:
    struct Cell
    {
        QRectF rect; // frame fractions
        QColor fill; // invalid when the cell is not filled
        bool shaded = false;
    };

    void rebuildCells();
    QRectF toItem(const QRectF& fraction) const;
    void paintRegion(QPainter* painter) const;
    void paintMarker(QPainter* painter) const;

    Mode m_mode = BandPower;
    QVariantList m_samples;
    QVariantList m_sites;
    bool m_logarithmic = true;
    QRectF m_frameRect;
    QRectF m_region{0.0, 0.0, 1.0, 1.0};
    int m_markedIndex = -1;
    std::vector<Cell> m_cells;
};

} // namespace orvi::ui::items
