import QtQuick
import OrviMotion.Theme
import OrviMotion.Ui
import OrviMotion.Ui.Items

// A still frame that zooms (1 to 16 times) about the pointer and pans by dragging. Children are
// laid over the shown frame: `overlay` has the zoomed frame's geometry, so an overlay child
// placed at (u * overlay.width, v * overlay.height) follows the frame point (u, v).
Item {
    id: viewport

    property alias image: frame.image
    readonly property bool hasFrame: frame.hasFrame
    readonly property size frameSize: frame.frameSize
    property alias zoom: frame.zoom
    property alias panX: frame.panX
    property alias panY: frame.panY
    readonly property real maximumZoom: 16
    default property alias overlayData: overlay.data
    readonly property Item overlay: overlay

    // A click that did not pan, with the frame point in 0..1 (may lie outside the frame).
    signal frameClicked(real u, real v, real x, real y)

    function frameU(x) { return (x - frame.viewRect.x) / frame.viewRect.width }
    function frameV(y) { return (y - frame.viewRect.y) / frame.viewRect.height }

    // Automation: the same names and limits as the other zoomable views.
    function viewState() { return { zoom: zoom, panX: panX, panY: panY } }
    function resetView() {
        zoom = 1
        panX = 0
        panY = 0
    }
    // A zoom and pan inside the frame's limits, or why not (NaN stands for no number).
    function setFrameView(z, x, y) {
        if (!hasFrame)
            return WindowAutomation.NoFrame
        const valid = [z, x, y].every(v => isFinite(v))
                      && z >= 1 && z <= maximumZoom && x >= 1 - z && x <= 0 && y >= 1 - z && y <= 0
        if (!valid)
            return WindowAutomation.InvalidView
        zoom = z
        panX = x
        panY = y
        return WindowAutomation.Accepted
    }
    // Zooms by `factor` keeping the frame point under (x, y) in place, the view inside the frame.
    function zoomAbout(factor, x, y) {
        const u = frameU(x), v = frameV(y)
        const z = Math.min(maximumZoom, Math.max(1, zoom * factor))
        const fitted = frame.paintedRect
        if (fitted.width <= 0 || fitted.height <= 0)
            return
        setPan((x - fitted.x) / fitted.width - u * z, (y - fitted.y) / fitted.height - v * z, z)
    }
    function setPan(x, y, z) {
        zoom = z
        panX = Math.min(0, Math.max(1 - z, x))
        panY = Math.min(0, Math.max(1 - z, y))
    }

    clip: true

    StaticFrameItem {
        id: frame
        anchors.fill: parent
    }
    Item {
        id: overlay
        x: frame.viewRect.x
        y: frame.viewRect.y
        width: frame.viewRect.width
        height: frame.viewRect.height
    }
    // Below the overlay's own handlers: a marker or cell that takes a click keeps it.
    MouseArea {
        id: panner
        anchors.fill: parent
        z: -1
        acceptedButtons: Qt.LeftButton
        property point pressedAt
        property real pressedPanX
        property real pressedPanY
        property bool dragged: false
        onPressed: mouse => {
            pressedAt = Qt.point(mouse.x, mouse.y)
            pressedPanX = viewport.panX
            pressedPanY = viewport.panY
            dragged = false
        }
        onPositionChanged: mouse => {
            if (!dragged && Math.hypot(mouse.x - pressedAt.x, mouse.y - pressedAt.y) <= 3)
                return
            dragged = true
            const fitted = frame.paintedRect
            if (viewport.zoom > 1 && fitted.width > 0 && fitted.height > 0)
                viewport.setPan(pressedPanX + (mouse.x - pressedAt.x) / fitted.width,
                                pressedPanY + (mouse.y - pressedAt.y) / fitted.height, viewport.zoom)
        }
        onClicked: mouse => {
            if (!dragged)
                viewport.frameClicked(viewport.frameU(mouse.x), viewport.frameV(mouse.y), mouse.x, mouse.y)
        }
        onDoubleClicked: viewport.resetView()
        onWheel: wheel => viewport.zoomAbout(wheel.angleDelta.y > 0 ? 1.25 : 0.8, wheel.x, wheel.y)
    }
}
