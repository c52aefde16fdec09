#include "controllers/items/RegionEditorItem.h"

#include "controllers/PlaybackController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineF>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace orvi::ui::items {

namespace {

constexpr double kSizeTolerance = 1e-9;
const QRectF kFullFrame(0.0, 0.0, 1.0, 1.0);

QString text(const char* source)
{
    return QCoreApplication::translate("RegionEditorItem", source);
}

double clamp01(double value)
{
    return std::clamp(value, 0.0, 1.0);
}

} // namespace

RegionEditorItem::RegionEditorItem(QQuickItem* parent) : QQuickItem(parent)
{
    setAcceptedMouseButtons(Qt::LeftButton);
    setAcceptHoverEvents(true);
    setFlag(ItemIsFocusScope, false);
    setActiveFocusOnTab(false);
}

void RegionEditorItem::setSettings(controllers::ProcessingSettingsController* settings)
{
    if (m_settings == settings)
        return;
    m_settings = settings;
    followSource();
    emit controllersChanged();
}

void RegionEditorItem::setVideoSession(controllers::VideoSessionController* session)
{
    if (m_session == session)
        return;
    m_session = session;
    followSource();
    emit controllersChanged();
}

void RegionEditorItem::setPlayback(playback::PlaybackController* playback)
{
    if (m_playback == playback)
        return;
    m_playback = playback;
    followSource();
    emit controllersChanged();
}

// Reconnects to the controllers: the settings' region, playback's state and the session's
// source all change what the editor may do.
void RegionEditorItem::followSource()
{
    for (const auto& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    if (m_settings)
        m_connections.append(connect(m_settings,
                                     &controllers::ProcessingSettingsController::settingsChanged,
                                     this, &RegionEditorItem::regionChanged));
    if (m_playback)
        m_connections.append(connect(m_playback, &playback::PlaybackController::stateChanged, this,
                                     &RegionEditorItem::refreshInteraction));
    if (m_session) {
        m_connections.append(connect(m_session, &controllers::VideoSessionController::stateChanged,
                                     this, &RegionEditorItem::refreshInteraction));
        m_connections.append(
            connect(m_session, &controllers::VideoSessionController::sourceChanged, this, [this] {
                if (!m_editingActive)
                    return;
                cancelGesture();
                emit editingFinished();
            }));
    }
    refreshInteraction();
    emit regionChanged();
}

void RegionEditorItem::setFrameRect(const QRectF& rect)
{
    if (m_frameRect == rect)
        return;
    m_frameRect = rect;
    emit frameRectChanged();
    emit regionChanged();
    refreshInteraction();
}

void RegionEditorItem::setEditingActive(bool active)
{
    if (m_editingActive == active)
        return;
    m_editingActive = active;
    cancelGesture();
    setMessage({});
    if (active) {
        m_editStartRegion = savedRegion();
        QTimer::singleShot(0, this, [this] {
            if (m_editingActive)
                forceActiveFocus(Qt::OtherFocusReason);
        });
    }
    emit editingActiveChanged();
    refreshInteraction();
}

void RegionEditorItem::setCameraReference(bool cameraReference)
{
    if (cameraReference == m_cameraReference)
        return;
    cancelGesture();
    m_cameraReference = cameraReference;
    emit controllersChanged();
    emit regionChanged();
}

QRectF RegionEditorItem::savedRegion() const
{
    if (m_settings && m_cameraReference && m_settings->stabilizationReferenceSet())
        return m_settings->stabilizationReferenceRegion();
    return m_settings && !m_cameraReference ? m_settings->regionOfInterest() : kFullFrame;
}

QRectF RegionEditorItem::region() const
{
    return m_gesture == Gesture::None || m_gesture == Gesture::OutsidePress ? savedRegion()
                                                                            : m_draft;
}

bool RegionEditorItem::regionCustomized() const
{
    return m_settings && (m_cameraReference ? m_settings->stabilizationReferenceSet()
                                            : m_settings->regionCustomized());
}

QRectF RegionEditorItem::toPixels(const QRectF& normalised) const
{
    return {m_frameRect.x() + normalised.x() * m_frameRect.width(),
            m_frameRect.y() + normalised.y() * m_frameRect.height(),
            normalised.width() * m_frameRect.width(), normalised.height() * m_frameRect.height()};
}

QPointF RegionEditorItem::toNormalised(const QPointF& pixels) const
{
    if (m_frameRect.isEmpty())
        return {};
    return {clamp01((pixels.x() - m_frameRect.x()) / m_frameRect.width()),
            clamp01((pixels.y() - m_frameRect.y()) / m_frameRect.height())};
}

RegionEditorItem::Edges RegionEditorItem::edgesAt(const QPointF& pixels) const
{
    Edges edges;
    if (!regionCustomized())
        return edges;
    const QRectF rect = toPixels(savedRegion());
    const bool alongVertical =
        pixels.y() >= rect.top() - kEdgeReach && pixels.y() <= rect.bottom() + kEdgeReach;
    const bool alongHorizontal =
        pixels.x() >= rect.left() - kEdgeReach && pixels.x() <= rect.right() + kEdgeReach;
    if (alongVertical) {
        if (std::abs(pixels.x() - rect.left()) <= kEdgeReach)
            edges.horizontal = -1;
        else if (std::abs(pixels.x() - rect.right()) <= kEdgeReach)
            edges.horizontal = 1;
    }
    if (alongHorizontal) {
        if (std::abs(pixels.y() - rect.top()) <= kEdgeReach)
            edges.vertical = -1;
        else if (std::abs(pixels.y() - rect.bottom()) <= kEdgeReach)
            edges.vertical = 1;
    }
    return edges;
}

bool RegionEditorItem::insideCustomRegion(const QPointF& pixels) const
{
    if (!regionCustomized())
        return false;
    const QRectF rect = toPixels(savedRegion());
    return pixels.x() >= rect.left() && pixels.x() <= rect.right() && pixels.y() >= rect.top() &&
           pixels.y() <= rect.bottom();
}

double RegionEditorItem::minimumWidth() const
{
    return m_settings ? m_settings->minimumRegionWidth() : 0.0;
}

double RegionEditorItem::minimumHeight() const
{
    return m_settings ? m_settings->minimumRegionHeight() : 0.0;
}

void RegionEditorItem::refreshInteraction()
{
    const bool available = m_editingActive && !m_frameRect.isEmpty() && m_session &&
                           m_session->ready() && m_playback && m_playback->ready() &&
                           !m_playback->busy() && !m_playback->playing() &&
                           !m_playback->playPending() && !m_playback->pausePending();
    if (available == m_interactionAvailable)
        return;
    const bool lost = m_interactionAvailable && m_editingActive;
    m_interactionAvailable = available;
    if (!available)
        setCursor(Qt::ArrowCursor);
    emit interactionAvailableChanged();
    // Playback that starts (or a source that goes) under an edit ends it; a frame that is not
    // painted yet is no reason to.
    const bool playbackTookOver =
        m_playback && (m_playback->playing() || m_playback->playPending() || m_playback->busy());
    if (lost && (playbackTookOver || !m_session || !m_session->ready())) {
        cancelGesture();
        emit editingFinished();
    }
}

void RegionEditorItem::setGesture(Gesture gesture)
{
    if (m_gesture == gesture)
        return;
    m_gesture = gesture;
    emit gestureChanged();
    emit regionChanged();
}

void RegionEditorItem::setDraft(const QRectF& draft)
{
    m_draft = draft;
    emit regionChanged();
}

void RegionEditorItem::setMessage(const QString& message)
{
    if (m_message == message)
        return;
    m_message = message;
    emit messageChanged();
}

void RegionEditorItem::cancelGesture()
{
    m_outsidePressMoved = false;
    setGesture(Gesture::None);
}

void RegionEditorItem::mousePressEvent(QMouseEvent* event)
{
    if (!m_interactionAvailable || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    cancelGesture();
    const QPointF pixels = event->position();
    m_gestureStartRegion = savedRegion();
    m_draft = m_gestureStartRegion;
    m_pressPixels = pixels;
    m_pressPoint = toNormalised(pixels);
    m_pressInsideFrame = m_frameRect.contains(pixels);
    m_outsidePressMoved = false;
    setMessage({});
    m_edges = edgesAt(pixels);
    if (m_edges.any()) {
        setGesture(Gesture::Resizing);
    } else if (insideCustomRegion(pixels)) {
        setGesture(Gesture::Moving);
    } else if (regionCustomized() || !m_pressInsideFrame) {
        setGesture(Gesture::OutsidePress);
    } else {
        m_draft = QRectF(m_pressPoint, QSizeF(0.0, 0.0));
        setGesture(Gesture::Drawing);
    }
    updateCursor(pixels);
    event->accept();
}

void RegionEditorItem::mouseMoveEvent(QMouseEvent* event)
{
    if (m_gesture == Gesture::None) {
        event->ignore();
        return;
    }
    updateGesture(event->position());
    event->accept();
}

void RegionEditorItem::updateGesture(const QPointF& pixels)
{
    const QPointF point = toNormalised(pixels);
    switch (m_gesture) {
    case Gesture::OutsidePress: {
        const double threshold = std::max(1, QGuiApplication::styleHints()->startDragDistance());
        if (QLineF(m_pressPixels, pixels).length() < threshold)
            return;
        m_outsidePressMoved = true;
        if (!m_pressInsideFrame)
            return;
        setGesture(Gesture::Drawing);
        [[fallthrough]];
    }
    case Gesture::Drawing:
        setDraft(QRectF(m_pressPoint, point).normalized());
        return;
    case Gesture::Moving: {
        const QRectF start = m_gestureStartRegion;
        const double dx = std::clamp(point.x() - m_pressPoint.x(), -start.x(), 1.0 - start.right());
        const double dy =
            std::clamp(point.y() - m_pressPoint.y(), -start.y(), 1.0 - start.bottom());
        setDraft(start.translated(dx, dy));
        return;
    }
    case Gesture::Resizing: {
        QRectF rect = m_gestureStartRegion;
        if (m_edges.horizontal < 0)
            rect.setLeft(std::clamp(point.x(), 0.0, std::max(0.0, rect.right() - minimumWidth())));
        else if (m_edges.horizontal > 0)
            rect.setRight(std::clamp(point.x(), std::min(1.0, rect.left() + minimumWidth()), 1.0));
        if (m_edges.vertical < 0)
            rect.setTop(std::clamp(point.y(), 0.0, std::max(0.0, rect.bottom() - minimumHeight())));
        else if (m_edges.vertical > 0)
            rect.setBottom(std::clamp(point.y(), std::min(1.0, rect.top() + minimumHeight()), 1.0));
        setDraft(rect);
        return;
    }
    case Gesture::None:
        return;
    }
}

void RegionEditorItem::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_gesture == Gesture::None) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_gesture == Gesture::OutsidePress) {
        const bool clickedOutside = !m_outsidePressMoved;
        cancelGesture();
        if (clickedOutside)
            emit editingFinished();
        return;
    }
    commitDraft();
    updateCursor(event->position());
}

void RegionEditorItem::mouseUngrabEvent()
{
    m_outsidePressMoved = false;
    setGesture(Gesture::None);
}

void RegionEditorItem::commitDraft()
{
    const QRectF draft = m_draft;
    m_outsidePressMoved = false;
    setGesture(Gesture::None);
    if (draft.width() + kSizeTolerance < minimumWidth() ||
        draft.height() + kSizeTolerance < minimumHeight()) {
        setMessage(text(QT_TRANSLATE_NOOP("RegionEditorItem", "The region is too small.")));
        return;
    }
    if (!store(draft))
        setMessage(text(QT_TRANSLATE_NOOP("RegionEditorItem", "The region is invalid.")));
}

bool RegionEditorItem::store(const QRectF& region)
{
    if (!m_settings)
        return false;
    const bool stored = m_cameraReference
                            ? m_settings->setStabilizationReferenceRegion(
                                  region.x(), region.y(), region.width(), region.height())
                            : m_settings->setRegionOfInterest(region.x(), region.y(),
                                                              region.width(), region.height());
    emit regionChanged();
    return stored;
}

void RegionEditorItem::hoverMoveEvent(QHoverEvent* event)
{
    updateCursor(event->position());
    QQuickItem::hoverMoveEvent(event);
}

void RegionEditorItem::updateCursor(const QPointF& pixels)
{
    if (!m_interactionAvailable) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    const Edges edges = m_gesture == Gesture::Resizing ? m_edges : edgesAt(pixels);
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (m_gesture == Gesture::Moving)
        shape = Qt::ClosedHandCursor;
    else if (edges.horizontal != 0 && edges.vertical != 0)
        shape = edges.horizontal == edges.vertical ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    else if (edges.horizontal != 0)
        shape = Qt::SizeHorCursor;
    else if (edges.vertical != 0)
        shape = Qt::SizeVerCursor;
    else if (insideCustomRegion(pixels))
        shape = Qt::OpenHandCursor;
    else if (m_frameRect.contains(pixels))
        shape = Qt::CrossCursor;
    setCursor(shape);
}

void RegionEditorItem::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape && m_editingActive) {
        if (m_gesture != Gesture::None) {
            cancelGesture();
        } else {
            setMessage({});
            store(m_editStartRegion);
            emit editingCancelled();
        }
        event->accept();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_editingActive &&
        m_gesture == Gesture::None) {
        emit editingFinished();
        event->accept();
        return;
    }
    const bool arrow =
        key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (!arrow || !m_interactionAvailable || m_gesture != Gesture::None) {
        event->ignore();
        return;
    }
    nudge(key, event->modifiers().testFlag(Qt::ShiftModifier));
    event->accept();
}

// One step is one source pixel of the upright frame.
void RegionEditorItem::nudge(int key, bool resize)
{
    if (!m_session || m_session->frameWidth() <= 0 || m_session->frameHeight() <= 0)
        return;
    const double stepX = 1.0 / m_session->frameWidth();
    const double stepY = 1.0 / m_session->frameHeight();
    QRectF rect = savedRegion();
    if (resize) {
        if (key == Qt::Key_Left)
            rect.setWidth(std::max(minimumWidth(), rect.width() - stepX));
        else if (key == Qt::Key_Right)
            rect.setWidth(std::min(1.0 - rect.x(), rect.width() + stepX));
        else if (key == Qt::Key_Up)
            rect.setHeight(std::max(minimumHeight(), rect.height() - stepY));
        else
            rect.setHeight(std::min(1.0 - rect.y(), rect.height() + stepY));
        // A region already below its limit is not made larger by narrowing it.
        if (rect.width() > savedRegion().width() && key == Qt::Key_Left)
            return;
        if (rect.height() > savedRegion().height() && key == Qt::Key_Up)
            return;
    } else {
        const double dx = key == Qt::Key_Left ? -stepX : key == Qt::Key_Right ? stepX : 0.0;
        const double dy = key == Qt::Key_Up ? -stepY : key == Qt::Key_Down ? stepY : 0.0;
        rect.moveTo(std::clamp(rect.x() + dx, 0.0, 1.0 - rect.width()),
                    std::clamp(rect.y() + dy, 0.0, 1.0 - rect.height()));
    }
    if (rect == savedRegion())
        return;
    setMessage({});
    store(rect);
}

} // namespace orvi::ui::items
