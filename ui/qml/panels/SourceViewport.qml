import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui

// The source frame with the analysis region editor on top; also where a video is dropped.
Panel {
    id: viewport

    required property VideoSessionController videoSession
    required property PlaybackController playback
    required property ProcessingSettingsController processingSettings
    required property bool regionEditing
    required property bool regionEditPending
    required property bool busy
    readonly property alias regionEditor: editor
    readonly property alias frameItem: frame
    signal regionEditRequested(bool enabled)
    signal fileDropped(url url)

    title: qsTr("Source video")
    tools: [
        ToolTextButton {
            text: viewport.regionEditing || viewport.regionEditPending ? qsTr("Finish region")
                                                                       : qsTr("Edit region")
            checkable: true
            checked: viewport.regionEditing || viewport.regionEditPending
            enabled: !viewport.busy && viewport.videoSession.ready
            tip: qsTr("Draw, move or resize the analysis region on the frame")
            onClicked: viewport.regionEditRequested(!(viewport.regionEditing || viewport.regionEditPending))
        },
        ToolTextButton {
            text: qsTr("Full frame")
            enabled: !viewport.busy && viewport.processingSettings.available
                     && viewport.processingSettings.regionCustomized
            tip: qsTr("Analyse the whole frame")
            onClicked: viewport.processingSettings.useFullFrame()
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
        }
        RegionOverlay {
            id: editor
            anchors.fill: frame
            frameRect: frame.paintedRect
            settings: viewport.processingSettings
            videoSession: viewport.videoSession
            playback: viewport.playback
            editingActive: viewport.regionEditing
        }
        Column {
            anchors.centerIn: parent
            width: parent.width - 48
            spacing: Theme.smallSpacing
            visible: !frame.hasFrame

            Label {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                color: viewport.videoSession.hasError ? Theme.errorOnDark : Theme.textOnDark
                font.pixelSize: Theme.titleFontSize
                text: viewport.videoSession.busy ? qsTr("Reading %1…").arg(viewport.videoSession.fileName)
                      : viewport.videoSession.hasError ? viewport.videoSession.errorMessage
                      : viewport.videoSession.hasSource ? "" : qsTr("Open a video or drop a file here.")
            }
            Label {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                visible: !viewport.videoSession.hasSource
                color: Theme.textOnDarkMuted
                text: qsTr("High-speed recordings show the most: state the camera's capture rate after opening.")
            }
        }
        DropArea {
            id: drop
            anchors.fill: parent
            onDropped: (event) => {
                if (event.hasUrls && event.urls.length > 0 && !viewport.busy) {
                    event.acceptProposedAction()
                    viewport.fileDropped(event.urls[0])
                }
            }
        }
        Rectangle {
            anchors.fill: parent
            visible: drop.containsDrag
            color: "transparent"
            border.color: Theme.accent
            border.width: 3
        }
    }
}
