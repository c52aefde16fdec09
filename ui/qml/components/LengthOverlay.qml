import QtQuick
import QtQuick.Controls
import OrviMotion.Theme
import OrviMotion.Ui

// A known length on the frame: a line between two points (fractions of the frame) that the user
// draws by dragging and adjusts by its end handles. While measuring, its length in source pixels
// stands beside it; otherwise the caption (the set length) does.
Item {
    id: overlay

    NumberFormatter { id: numbers }

    required property rect frameRect // the painted frame, in this item's coordinates
    required property size frameSize // the source frame, in pixels
    property bool active: false
    property point first: Qt.point(0, 0)
    property point second: Qt.point(0, 0)
    property string caption: ""
    readonly property bool hasLine: lengthPx >= 1
    readonly property real lengthPx: Math.hypot((second.x - first.x) * frameSize.width,
                                                (second.y - first.y) * frameSize.height)
    readonly property point a: toItem(first)
    readonly property point b: toItem(second)
    // A new line or a moved end, once the pointer is released.
    signal edited()

    function toItem(p) {
        return Qt.point(frameRect.x + p.x * frameRect.width, frameRect.y + p.y * frameRect.height)
    }
    function toFrame(x, y) {
        const clamp = v => Math.min(1, Math.max(0, v))
        return Qt.point(clamp((x - frameRect.x) / frameRect.width),
                        clamp((y - frameRect.y) / frameRect.height))
    }

    visible: frameRect.width > 0 && frameRect.height > 0 && (active || hasLine)

    Rectangle {
        // Turned about its left end, which sits on the first point.
        x: overlay.a.x
        y: overlay.a.y - height / 2
        width: Math.hypot(overlay.b.x - overlay.a.x, overlay.b.y - overlay.a.y)
        height: overlay.active ? 2 : 1
        color: Theme.measure
        opacity: overlay.active ? 1 : 0.8
        transformOrigin: Item.Left
        rotation: Math.atan2(overlay.b.y - overlay.a.y, overlay.b.x - overlay.a.x) * 180 / Math.PI
    }
    Repeater {
        model: [overlay.a, overlay.b]
        delegate: Rectangle {
            required property point modelData
            x: modelData.x - width / 2
            y: modelData.y - height / 2
            width: overlay.active ? 12 : 6
            height: width
            radius: width / 2
            color: Theme.measure
            border.color: "#000000"
        }
    }
    Label {
        visible: overlay.hasLine && text.length > 0
        // Above the middle of the line, kept inside the frame.
        x: Math.min(overlay.width - width, Math.max(0, (overlay.a.x + overlay.b.x - width) / 2))
        y: Math.min(overlay.height - height, Math.max(0, (overlay.a.y + overlay.b.y) / 2 - height - 8))
        text: overlay.active ? qsTr("%1 px").arg(numbers.fixed(overlay.lengthPx, 1))
                             : overlay.caption
        color: Theme.measure
        font.pixelSize: Theme.smallFontSize + 1
        font.bold: true
        style: Text.Outline
        styleColor: "#000000"
    }
    MouseArea {
        anchors.fill: parent
        enabled: overlay.active
        cursorShape: overlay.active ? Qt.CrossCursor : Qt.ArrowCursor
        // Which end follows the pointer: 0 the first, 1 the second.
        property int end: 1
        onPressed: mouse => {
            const near = p => Math.hypot(mouse.x - p.x, mouse.y - p.y) <= 14
            if (overlay.hasLine && near(overlay.b)) {
                end = 1
            } else if (overlay.hasLine && near(overlay.a)) {
                end = 0
            } else {
                end = 1
                overlay.first = overlay.second = overlay.toFrame(mouse.x, mouse.y)
            }
        }
        onPositionChanged: mouse => {
            const p = overlay.toFrame(mouse.x, mouse.y)
            if (end === 0)
                overlay.first = p
            else
                overlay.second = p
        }
        onReleased: overlay.edited()
    }
}
