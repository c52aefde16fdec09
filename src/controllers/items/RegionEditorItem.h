#pragma once

#include "controllers/PlaybackController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"

#include <QList>
#include <QPointF>
#include <QPointer>
#include <QQuickItem>
#include <QRectF>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::items {

// The analysis region editor over the source frame: draws, moves and resizes the region of
// interest with the pointer, nudges and resizes it with the keys, and hands every committed
// change to the settings controller in coordinates normalised to the upright frame. The item
// covers the frame item; `frameRect` is the frame's painted rectangle in this item.
class RegionEditorItem : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(orvi::ui::controllers::ProcessingSettingsController* settings READ settings WRITE
                   setSettings NOTIFY controllersChanged)
    Q_PROPERTY(orvi::ui::controllers::VideoSessionController* videoSession READ videoSession WRITE
                   setVideoSession NOTIFY controllersChanged)
    Q_PROPERTY(orvi::ui::playback::PlaybackController* playback READ playback WRITE setPlayback
                   NOTIFY controllersChanged)
    Q_PROPERTY(QRectF frameRect READ frameRect WRITE setFrameRect NOTIFY frameRectChanged)
    // Edits the camera motion reference region instead of the analysis region.
    Q_PROPERTY(bool cameraReference READ cameraReference WRITE setCameraReference NOTIFY
                   controllersChanged)
    Q_PROPERTY(
        bool editingActive READ editingActive WRITE setEditingActive NOTIFY editingActiveChanged)
    Q_PROPERTY(
        bool interactionAvailable READ interactionAvailable NOTIFY interactionAvailableChanged)
    Q_PROPERTY(QRectF region READ region NOTIFY regionChanged)
    Q_PROPERTY(QRectF regionRect READ regionRect NOTIFY regionChanged)
    Q_PROPERTY(bool regionCustomized READ regionCustomized NOTIFY regionChanged)
    Q_PROPERTY(bool drawing READ drawing NOTIFY gestureChanged)
    Q_PROPERTY(bool moving READ moving NOTIFY gestureChanged)
    Q_PROPERTY(bool resizing READ resizing NOTIFY gestureChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    // Edges and corners are caught this close to the region's outline, in pixels.
    static constexpr double kEdgeReach = 14.0;

    explicit RegionEditorItem(QQuickItem* parent = nullptr);

    controllers::ProcessingSettingsController* settings() const { return m_settings; }
    void setSettings(controllers::ProcessingSettingsController* settings);
    controllers::VideoSessionController* videoSession() const { return m_session; }
    void setVideoSession(controllers::VideoSessionController* session);
    playback::PlaybackController* playback() const { return m_playback; }
    void setPlayback(playback::PlaybackController* playback);
    QRectF frameRect() const { return m_frameRect; }
    void setFrameRect(const QRectF& rect);
    bool editingActive() const { return m_editingActive; }
    void setEditingActive(bool active);
    bool cameraReference() const { return m_cameraReference; }
    void setCameraReference(bool cameraReference);

    bool interactionAvailable() const { return m_interactionAvailable; }
    // The draft while a gesture runs, else the region the settings hold.
    QRectF region() const;
    QRectF regionRect() const { return toPixels(region()); }
    bool regionCustomized() const;
    bool drawing() const { return m_gesture == Gesture::Drawing; }
    bool moving() const { return m_gesture == Gesture::Moving; }
    bool resizing() const { return m_gesture == Gesture::Resizing; }
    QString message() const { return m_message; }

signals:
    void controllersChanged();
    void frameRectChanged();
    void editingActiveChanged();
    void interactionAvailableChanged();
    void regionChanged();
    void gestureChanged();
    void messageChanged();
    void editingFinished();
    void editingCancelled();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseUngrabEvent() override;
    void hoverMoveEvent(QHoverEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Gesture
    {
        None,
        Drawing,
        Moving,
        Resizing,
        OutsidePress, // pressed outside the region; becomes drawing or a click outside
    };
    // Resize directions: -1 the left or top edge, 1 the right or bottom edge, 0 neither.
    struct Edges
    {
        int horizontal = 0;
        int vertical = 0;
        bool any() const { return horizontal != 0 || vertical != 0; }
    };

    QRectF savedRegion() const;
    QRectF toPixels(const QRectF& normalised) const;
    QPointF toNormalised(const QPointF& pixels) const;
    Edges edgesAt(const QPointF& pixels) const;
    bool insideCustomRegion(const QPointF& pixels) const;
    double minimumWidth() const;
    double minimumHeight() const;

    void refreshInteraction();
    void followSource();
    void setGesture(Gesture gesture);
    void setDraft(const QRectF& draft);
    void setMessage(const QString& message);
    void cancelGesture();
    void updateGesture(const QPointF& pixels);
    void commitDraft();
    bool store(const QRectF& region);
    void nudge(int key, bool resize);
    void updateCursor(const QPointF& pixels);

    QPointer<controllers::ProcessingSettingsController> m_settings;
    QPointer<controllers::VideoSessionController> m_session;
    QPointer<playback::PlaybackController> m_playback;
    QList<QMetaObject::Connection> m_connections;
    QRectF m_frameRect;
    bool m_editingActive = false;
    bool m_cameraReference = false;
    bool m_interactionAvailable = false;

    Gesture m_gesture = Gesture::None;
    Edges m_edges;
    QRectF m_draft;
    QRectF m_editStartRegion;
    QRectF m_gestureStartRegion;
    QPointF m_pressPixels;
    QPointF m_pressPoint; // normalised, clamped to the frame
    bool m_pressInsideFrame = false;
    bool m_outsidePressMoved = false;
    QString m_message;
};

} // namespace orvi::ui::items
