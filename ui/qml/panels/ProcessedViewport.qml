import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui
import OrviMotion.Ui.Items

// The amplified result, playing in lockstep beside the source.
Panel {
    id: viewport

    required property PlaybackController playback
    required property PreviewController preview
    required property bool busy
    required property bool settingsAvailable
    signal saveRequested()
    signal settingsRequested()

    title: qsTr("Vibration amplification")
    tools: [
        ToolTextButton {
            text: qsTr("Settings…")
            tip: qsTr("Amplification settings")
            enabled: viewport.settingsAvailable
            onClicked: viewport.settingsRequested()
        },
        ToolTextButton {
            text: qsTr("Save…")
            tip: qsTr("Save the amplified video")
            highlighted: viewport.preview.unsaved
            enabled: viewport.preview.ready && !viewport.busy
            onClicked: viewport.saveRequested()
        }
    ]

    Rectangle {
        anchors.fill: parent
        color: Theme.viewport

        VideoFrameItem {
            id: frame
            anchors.fill: parent
            anchors.margins: 4
            playbackController: viewport.playback
            processedPreview: true
        }
        Label {
            anchors.centerIn: parent
            width: parent.width - 48
            visible: !frame.hasFrame
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            font.pixelSize: Theme.titleFontSize
            color: viewport.preview.hasError ? Theme.errorOnDark : Theme.textOnDark
            text: viewport.preview.busy
                  ? qsTr("%1 · %2 %").arg(viewport.preview.stageName)
                                     .arg(Math.round(viewport.preview.progress * 100))
                  : viewport.preview.hasError ? viewport.preview.errorMessage
                  : qsTr("No amplified result yet. Choose the amplification settings and start.")
        }
        Rectangle {
            visible: frame.hasFrame && (viewport.preview.stale || viewport.preview.busy)
            anchors { left: parent.left; right: parent.right; top: parent.top; margins: 8 }
            height: staleText.implicitHeight + 12
            radius: Theme.radius
            color: Theme.hintBackground
            Label {
                id: staleText
                anchors.centerIn: parent
                width: parent.width - 16
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                color: Theme.textOnDark
                text: viewport.preview.busy
                      ? qsTr("%1 · %2 %").arg(viewport.preview.stageName)
                                         .arg(Math.round(viewport.preview.progress * 100))
                      : qsTr("The amplified result no longer matches the settings.")
            }
        }
    }
}
