import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme
import OrviMotion.Ui

// Open, the current file, the two sections and About.
Rectangle {
    id: bar

    NumberFormatter { id: numbers }

    required property VideoSessionController videoSession
    required property int section
    required property bool busy
    signal openRequested()
    signal sectionSelected(int section)
    signal aboutRequested()
    signal videoParametersRequested()

    implicitHeight: Theme.barHeight
    color: Theme.surface
    border.color: Theme.border

    RowLayout {
        anchors { fill: parent; leftMargin: Theme.spacing; rightMargin: Theme.spacing }
        spacing: Theme.spacing

        Button {
            text: qsTr("Open video")
            highlighted: !bar.videoSession.hasSource
            enabled: !bar.busy
            onClicked: bar.openRequested()
        }
        Label {
            Layout.fillWidth: true
            Layout.minimumWidth: 60
            text: bar.videoSession.hasSource ? bar.videoSession.fileName : qsTr("No video selected")
            color: bar.videoSession.hasSource ? Theme.text : Theme.textMuted
            elide: Text.ElideMiddle
            font.pixelSize: Theme.fontSize
        }
        // Until the user settles the capture rate, this is where they do it.
        Button {
            readonly property bool rateAssumed: bar.videoSession.ready
                                                && bar.videoSession.captureFrameRateAssumed
            objectName: "videoParametersButton"
            text: rateAssumed ? qsTr("Confirm the capture rate…") : qsTr("Video parameters")
            flat: !rateAssumed
            font.bold: rateAssumed
            palette.buttonText: rateAssumed ? Theme.warning : Theme.text
            visible: bar.videoSession.hasSource
            ToolTip.visible: hovered && rateAssumed
            ToolTip.delay: 300
            ToolTip.text: qsTr("%1 fps is only assumed: nothing is analysed or amplified until you confirm it or enter the camera's rate")
                              .arg(numbers.fixed(bar.videoSession.captureFrameRate, 0))
            onClicked: bar.videoParametersRequested()
        }
        ButtonGroup { id: sections }
        Repeater {
            model: [
                { text: qsTr("Vibration amplification"), tip: qsTr("Show vibration amplification") },
                { text: qsTr("Spectral analysis"), tip: qsTr("Show spectral analysis") }
            ]
            delegate: Button {
                required property var modelData
                required property int index
                text: modelData.text
                checkable: true
                checked: bar.section === index
                ButtonGroup.group: sections
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: modelData.tip
                onClicked: bar.sectionSelected(index)
            }
        }
        Button {
            text: qsTr("About")
            flat: true
            onClicked: bar.aboutRequested()
        }
    }
}
