#pragma once

#include "controllers/items/MapCellsItem.h"

#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::items {

// The colour bar of a map view, in the same scales as the cells and the exported figures:
// band power in percent of the strongest point (logarithmic or linear) or relative phase in
// degrees on the cyclic scale. The title sits above the bar, the tick labels below.
class MapColorBarItem : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(orvi::ui::items::MapCellsItem::Mode mode READ mode WRITE setMode NOTIFY changed)
    Q_PROPERTY(
        bool logarithmicColors READ logarithmicColors WRITE setLogarithmicColors NOTIFY changed)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY changed)

public:
    explicit MapColorBarItem(QQuickItem* parent = nullptr);

    MapCellsItem::Mode mode() const { return m_mode; }
    void setMode(MapCellsItem::Mode mode);
    bool logarithmicColors() const { return m_logarithmic; }
    void setLogarithmicColors(bool logarithmic);
    QString title() const { return m_title; }
    void setTitle(const QString& title);

    void paint(QPainter* painter) override;

signals:
    void changed();

private:
    void changedState();

    MapCellsItem::Mode m_mode = MapCellsItem::BandPower;
    bool m_logarithmic = true;
    QString m_title;
};

} // namespace orvi::ui::items
