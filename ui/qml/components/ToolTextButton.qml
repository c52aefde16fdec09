import QtQuick
import QtQuick.Controls
import OrviMotion.Theme

// A compact text button for panel headers, with its full meaning in a tooltip.
Button {
    id: button

    property string tip: ""

    font.pixelSize: Theme.smallFontSize + 1
    leftPadding: 10
    rightPadding: 10
    Accessible.description: tip
    ToolTip.visible: hovered && tip.length > 0
    ToolTip.delay: 600
    ToolTip.text: tip
}
