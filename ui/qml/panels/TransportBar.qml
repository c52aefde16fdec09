import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme
import OrviMotion.Ui

// Play and pause, frame steps, the position and the selected fragment.
Rectangle {
    id: bar

    NumberFormatter { id: numbers }

    required property PlaybackController playback
    required property AnalysisFragmentController analysisFragment

    implicitHeight: Theme.barHeight
    color: Theme.surface
    border.color: Theme.border

    RowLayout {
        anchors { fill: parent; leftMargin: Theme.spacing; rightMargin: Theme.spacing }
        spacing: Theme.smallSpacing

        Button {
            text: bar.playback.playing || bar.playback.playPending ? qsTr("Pause video")
                                                                   : qsTr("Play selection")
            enabled: bar.playback.playing || bar.playback.canPlay
            onClicked: bar.playback.togglePlayback()
        }
        Button {
            text: "◀"
            implicitWidth: 40
            enabled: bar.playback.canNavigate
            Accessible.name: qsTr("Previous frame")
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: qsTr("Previous frame")
            onClicked: bar.playback.stepBackward()
        }
        Button {
            text: "▶"
            implicitWidth: 40
            enabled: bar.playback.canNavigate
            Accessible.name: qsTr("Next frame")
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: qsTr("Next frame")
            onClicked: bar.playback.stepForward()
        }
        Slider {
            id: position
            Layout.fillWidth: true
            Layout.minimumWidth: 80
            // Stays enabled while a seek decodes, so a drag is never cut short; the handle
            // follows the pointer while pressed and the shown frame otherwise.
            enabled: bar.playback.canSeek || bar.playback.canNavigate
            focusPolicy: Qt.NoFocus
            from: 0
            to: 1
            Accessible.name: qsTr("Playback position")
            onMoved: bar.playback.seekToFraction(value)
            Binding on value {
                when: !position.pressed
                value: bar.playback.progress
                restoreMode: Binding.RestoreNone
            }
            // The groove shows the selected fragment, so the playhead is seen against it.
            background: Rectangle {
                readonly property real lastFrame: Math.max(1, bar.playback.frameCount - 1)
                x: position.leftPadding
                y: position.topPadding + position.availableHeight / 2 - height / 2
                width: position.availableWidth
                height: 6
                radius: 3
                color: Theme.surfaceAlt
                border.color: Theme.border
                Rectangle {
                    visible: bar.analysisFragment.available && bar.playback.frameCount > 1
                    x: parent.width * bar.analysisFragment.startFrame / parent.lastFrame
                    width: Math.max(2, parent.width * (bar.analysisFragment.endFrameExclusive - 1
                                                       - bar.analysisFragment.startFrame) / parent.lastFrame)
                    height: parent.height
                    radius: parent.radius
                    color: Theme.region
                }
            }
        }
        Label {
            text: qsTr("Frame %1 / %2").arg(bar.playback.frameCount > 0
                                             ? bar.playback.currentFrameIndex + 1 : 0)
                                       .arg(bar.playback.frameCount)
            color: Theme.text
        }
        Label {
            // Time in the file, as a player shows it.
            text: qsTr("%1 s").arg(numbers.fixed(bar.playback.positionUs / 1e6, 3))
            color: Theme.textMuted
        }
        Rectangle { Layout.preferredWidth: 1; Layout.preferredHeight: 24; color: Theme.border }
        Label {
            text: qsTr("Selected: %1 frames").arg(bar.analysisFragment.selectedFrameCount)
            color: Theme.text
        }
        Label {
            visible: bar.analysisFragment.autoStartAdjusted
            Layout.maximumWidth: 260
            text: qsTr("Start moved to frame %1: irregular timing at the beginning.")
                      .arg(bar.analysisFragment.startFrame + 1)
            color: Theme.warning
            elide: Text.ElideRight
            ToolTip.visible: startHint.hovered
            ToolTip.text: text
            HoverHandler { id: startHint }
        }
        Button {
            text: qsTr("Start here")
            enabled: bar.analysisFragment.available && bar.playback.canNavigate
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: qsTr("Begin the selection at the current frame")
            onClicked: bar.analysisFragment.setStartFrame(bar.playback.currentFrameIndex)
        }
        Button {
            text: qsTr("End here")
            enabled: bar.analysisFragment.available && bar.playback.canNavigate
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: qsTr("End the selection at the current frame")
            onClicked: bar.analysisFragment.setEndFrameInclusive(bar.playback.currentFrameIndex)
        }
    }
}
