import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme

// A collapsible section of a settings dialog: a header with title and summary, then content.
ColumnLayout {
    id: section

    required property string name
    required property string title
    property string summary: ""
    property bool expanded: false
    property bool expandable: true
    default property alias content: body.data

    spacing: 0

    Button {
        id: header
        Layout.fillWidth: true
        flat: true
        enabled: section.expandable
        Accessible.name: section.title
        onClicked: section.expanded = !section.expanded
        contentItem: RowLayout {
            spacing: Theme.smallSpacing
            Label {
                text: section.expanded ? "▾" : "▸"
                color: Theme.textMuted
            }
            Label {
                text: section.title
                font.bold: true
                color: section.expandable ? Theme.text : Theme.textMuted
            }
            Label {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignRight
                text: section.summary
                color: Theme.textMuted
                elide: Text.ElideRight
            }
        }
        background: Rectangle {
            color: header.hovered ? Theme.surfaceAlt : "transparent"
            radius: Theme.radius
        }
    }
    ColumnLayout {
        id: body
        Layout.fillWidth: true
        Layout.leftMargin: Theme.spacing + 8
        Layout.rightMargin: Theme.smallSpacing
        Layout.bottomMargin: Theme.smallSpacing
        visible: section.expanded
        spacing: Theme.smallSpacing
    }
    Rectangle {
        Layout.fillWidth: true
        Layout.preferredHeight: 1
        color: Theme.border
    }
}
