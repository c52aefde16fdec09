import QtQuick
import QtQuick.Controls
import OrviMotion.Theme
import OrviMotion.Ui
import OrviMotion.Ui.Items

// The analysis region editor over a frame item: the gestures live in RegionEditorItem, this
// draws the scrim, the outline, the handles and the hint.
RegionEditorItem {
    id: editor

    // The camera reference region is drawn in a colour of its own.
    readonly property color outlineColor: cameraReference ? Theme.cameraReference : Theme.region
    readonly property string regionName: cameraReference ? qsTr("Camera reference")
                                                          : qsTr("Analysis region")

    Accessible.role: Accessible.Graphic
    Accessible.name: cameraReference ? qsTr("Camera reference region editor")
                                     : qsTr("Analysis region editor")
    Accessible.description: qsTr("Use arrow keys to move the region. Hold Shift and use arrow keys to resize it.")

    readonly property bool frameShown: frameRect.width > 0 && frameRect.height > 0
    readonly property bool outlineShown: frameShown && (regionCustomized || drawing)
    readonly property rect box: regionRect

    // Darkens the frame outside the region while editing.
    Repeater {
        model: editor.editingActive && editor.frameShown ? 4 : 0
        delegate: Rectangle {
            required property int index
            color: Theme.scrim
            readonly property rect f: editor.frameRect
            readonly property rect r: editor.box
            x: index === 1 ? r.x + r.width : f.x
            y: index === 0 ? f.y : index === 3 ? r.y + r.height : r.y
            width: index === 0 || index === 3 ? f.width : index === 2 ? r.x - f.x
                                                                     : f.x + f.width - (r.x + r.width)
            height: index === 0 ? r.y - f.y : index === 3 ? f.y + f.height - (r.y + r.height)
                                                          : r.height
        }
    }
    Rectangle {
        visible: editor.outlineShown
        x: editor.box.x
        y: editor.box.y
        width: editor.box.width
        height: editor.box.height
        color: "transparent"
        border.color: editor.outlineColor
        border.width: editor.editingActive ? 2 : 1
        opacity: editor.editingActive ? 1.0 : 0.8

        Label {
            visible: parent.height > 24 && parent.width > 90
            anchors { left: parent.left; top: parent.top; margins: 4 }
            text: editor.regionName
            color: editor.outlineColor
            font.pixelSize: Theme.smallFontSize
            style: Text.Outline
            styleColor: "#000000"
        }
    }
    Repeater {
        model: editor.editingActive && editor.regionCustomized && editor.interactionAvailable
               && !editor.drawing ? 8 : 0
        delegate: Item {
            required property int index
            // Corners first, then the edge midpoints.
            readonly property real fx: [0, 1, 0, 1, 0.5, 0.5, 0, 1][index]
            readonly property real fy: [0, 0, 1, 1, 0, 1, 0.5, 0.5][index]
            width: 28
            height: 28
            x: Math.max(editor.frameRect.x, Math.min(editor.frameRect.x + editor.frameRect.width - width,
                        editor.box.x + fx * editor.box.width - width / 2))
            y: Math.max(editor.frameRect.y, Math.min(editor.frameRect.y + editor.frameRect.height - height,
                        editor.box.y + fy * editor.box.height - height / 2))
            Rectangle {
                anchors.centerIn: parent
                width: 12
                height: 12
                color: editor.outlineColor
                border.color: "#000000"
            }
        }
    }
    Rectangle {
        visible: editor.frameShown && (editor.editingActive || editor.message.length > 0)
        anchors.horizontalCenter: parent.horizontalCenter
        y: editor.frameRect.y + 8
        width: Math.min(hint.implicitWidth + 20, editor.frameRect.width - 16)
        height: hint.implicitHeight + 12
        radius: Theme.radius
        color: Theme.hintBackground
        border.color: editor.message.length > 0 ? Theme.errorOnDark : "transparent"
        border.width: 2
        Label {
            id: hint
            anchors.centerIn: parent
            width: parent.width - 20
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            color: editor.message.length > 0 ? Theme.errorOnDark : Theme.textOnDark
            text: editor.message.length > 0 ? editor.message
                  : editor.cameraReference
                    ? (!editor.regionCustomized ? qsTr("Drag over a still part of the scene to draw the camera reference region.")
                       : qsTr("Editing camera reference region · Click outside or Enter to finish · Esc to cancel"))
                  : !editor.regionCustomized ? qsTr("Drag to draw the analysis region.")
                  : qsTr("Editing analysis region · Click outside or Enter to finish · Esc to cancel")
        }
    }
}
