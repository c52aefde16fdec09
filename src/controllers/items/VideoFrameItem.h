#pragma once

#include "controllers/PlaybackController.h"

#include <QImage>
#include <QPointer>
#include <QQuickItem>
#include <QRectF>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::items {

// Shows the playback controller's current source frame, or its processed preview frame, as a
// texture fitted into the item. A texture is uploaded only when a new image has arrived.
class VideoFrameItem : public QQuickItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(orvi::ui::playback::PlaybackController* playbackController READ playbackController
                   WRITE setPlaybackController NOTIFY playbackControllerChanged)
    Q_PROPERTY(bool hasFrame READ hasFrame NOTIFY frameAvailabilityChanged)
    Q_PROPERTY(QRectF paintedRect READ paintedRect NOTIFY paintedRectChanged)
    Q_PROPERTY(bool processedPreview READ processedPreview WRITE setProcessedPreview NOTIFY
                   processedPreviewChanged)

public:
    explicit VideoFrameItem(QQuickItem* parent = nullptr);

    playback::PlaybackController* playbackController() const { return m_controller; }
    void setPlaybackController(playback::PlaybackController* controller);
    bool hasFrame() const { return m_hasFrame; }
    QRectF paintedRect() const;
    bool processedPreview() const { return m_processedPreview; }
    void setProcessedPreview(bool processedPreview);

signals:
    void playbackControllerChanged();
    void frameAvailabilityChanged();
    void paintedRectChanged();
    void processedPreviewChanged();

protected:
    QSGNode* updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData* data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void showCurrentImage();
    void showImage(const QImage& image);
    void clear();

    QPointer<playback::PlaybackController> m_controller;
    QImage m_image;
    bool m_textureDirty = false;
    bool m_hasFrame = false;
    bool m_processedPreview = false;
};

} // namespace orvi::ui::items
