import QtQuick
import QtQuick.Controls
import OrviMotion.Theme

// A compact text button for panel headers and view switches, with its full meaning in a
// tooltip. Sized by its text: the style's 100 × 40 minimum made rows of these wrap in narrow
// panels.
Button {
    id: button

    property string tip: ""

    font.pixelSize: Theme.smallFontSize + 1
    topPadding: 6
    bottomPadding: 6
    leftPadding: 8
    rightPadding: 8
    implicitWidth: Math.max(32, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    Accessible.description: tip
    ToolTip.visible: hovered && tip.length > 0
    ToolTip.delay: 600
    ToolTip.text: tip
}
