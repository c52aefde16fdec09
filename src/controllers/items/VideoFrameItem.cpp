#include "controllers/items/VideoFrameItem.h"

#include "controllers/items/FrameGeometry.h"

#include <QQuickWindow>
#include <QSGSimpleTextureNode>
#include <QSGTexture>
#include <algorithm>
#include <cmath>

namespace orvi::ui::items {

namespace {

bool sizeDiffers(qreal a, qreal b)
{
    return std::abs(a - b) > 1e-12 * std::max(std::abs(a), std::abs(b));
}

} // namespace

VideoFrameItem::VideoFrameItem(QQuickItem* parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents, true);
}

void VideoFrameItem::setPlaybackController(playback::PlaybackController* controller)
{
    if (controller == m_controller)
        return;
    if (m_controller)
        disconnect(m_controller, nullptr, this, nullptr);
    m_controller = controller;
    if (m_controller) {
        using Playback = playback::PlaybackController;
        connect(m_controller, &Playback::frameReady, this, [this](const QImage& image) {
            if (!m_processedPreview)
                showImage(image);
        });
        connect(m_controller, &Playback::frameCleared, this, [this] {
            if (!m_processedPreview)
                clear();
        });
        connect(m_controller, &Playback::previewFrameReady, this, [this](const QImage& image) {
            if (m_processedPreview)
                showImage(image);
        });
        connect(m_controller, &Playback::previewFrameCleared, this, [this] {
            if (m_processedPreview)
                clear();
        });
    }
    showCurrentImage();
    emit playbackControllerChanged();
}

void VideoFrameItem::setProcessedPreview(bool processedPreview)
{
    if (processedPreview == m_processedPreview)
        return;
    m_processedPreview = processedPreview;
    showCurrentImage();
    emit processedPreviewChanged();
}

QRectF VideoFrameItem::paintedRect() const
{
    return m_image.isNull() ? QRectF() : fittedFrameRect(m_image.size(), size());
}

void VideoFrameItem::showCurrentImage()
{
    if (!m_controller) {
        clear();
        return;
    }
    showImage(m_processedPreview ? m_controller->previewImage() : m_controller->sourceImage());
}

void VideoFrameItem::showImage(const QImage& image)
{
    if (image.isNull()) {
        clear();
        return;
    }
    const bool hadFrame = m_hasFrame;
    const bool sameSize = !m_image.isNull() && m_image.size() == image.size();
    m_image = image;
    m_hasFrame = true;
    m_textureDirty = true;
    update();
    if (!hadFrame)
        emit frameAvailabilityChanged();
    if (!sameSize)
        emit paintedRectChanged();
}

void VideoFrameItem::clear()
{
    if (!m_hasFrame && m_image.isNull())
        return;
    m_image = {};
    m_hasFrame = false;
    m_textureDirty = false;
    update();
    emit frameAvailabilityChanged();
    emit paintedRectChanged();
}

void VideoFrameItem::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (sizeDiffers(newGeometry.width(), oldGeometry.width()) ||
        sizeDiffers(newGeometry.height(), oldGeometry.height())) {
        update();
        emit paintedRectChanged();
    }
}

QSGNode* VideoFrameItem::updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData*)
{
    auto* node = static_cast<QSGSimpleTextureNode*>(oldNode);
    if (!m_hasFrame || m_image.isNull() || !window()) {
        delete node;
        return nullptr;
    }
    if (!node) {
        node = new QSGSimpleTextureNode;
        node->setFiltering(QSGTexture::Linear);
        m_textureDirty = true;
    }
    if (m_textureDirty) {
        // The image stays on the interface thread; only here, while it waits for the render
        // thread, does it become a texture.
        if (QSGTexture* texture = window()->createTextureFromImage(m_image)) {
            QSGTexture* previous = node->ownsTexture() ? node->texture() : nullptr;
            node->setOwnsTexture(false);
            node->setTexture(texture);
            node->setOwnsTexture(true);
            delete previous;
            m_textureDirty = false;
        } else if (!node->texture()) {
            delete node;
            return nullptr;
        }
    }
    node->setRect(paintedRect());
    return node;
}

} // namespace orvi::ui::items
