import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme

// A titled surface: a header row with the title and optional tools, and the content below.
Rectangle {
    id: panel

    required property string title
    property alias tools: toolRow.data
    default property alias content: body.data

    color: Theme.surface
    border.color: Theme.border
    radius: Theme.radius

    RowLayout {
        id: header
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 1 }
        height: 40
        spacing: Theme.smallSpacing

        Label {
            Layout.leftMargin: Theme.spacing
            Layout.fillWidth: true
            Layout.minimumWidth: Math.min(implicitWidth, 100)
            text: panel.title
            font.pixelSize: Theme.titleFontSize
            font.bold: true
            color: Theme.text
            elide: Text.ElideRight
        }
        RowLayout {
            id: toolRow
            Layout.rightMargin: Theme.smallSpacing
            spacing: Theme.smallSpacing
        }
    }
    Item {
        id: body
        anchors { left: parent.left; right: parent.right; top: header.bottom; bottom: parent.bottom
                  margins: 1 }
        clip: true
    }
}
