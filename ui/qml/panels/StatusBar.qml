import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme
import OrviMotion.Ui

// What the program is doing now, with its progress and a way to cancel it, or the latest
// problem that needs the user's attention.
Rectangle {
    id: bar

    required property var mediaRuntime
    required property VideoSessionController videoSession
    required property PlaybackController playback
    required property PreviewController preview
    required property var exporter
    required property var spectrum

    readonly property bool exportBusy: !!(exporter && exporter.busy)
    readonly property bool spectrumBusy: !!(spectrum && spectrum.busy)
    readonly property var activity: {
        if (videoSession.busy)
            return { text: videoSession.cancelling ? qsTr("Cancelling video reading…")
                                                   : qsTr("Reading video…"),
                     progress: videoSession.progressKnown ? videoSession.progress : -1,
                     cancel: () => videoSession.cancelAnalysis(), cancelling: videoSession.cancelling }
        if (preview.busy)
            return { text: preview.stageName, progress: preview.progress,
                     cancel: () => preview.cancel(), cancelling: preview.cancelling }
        if (exportBusy)
            return { text: exporter.stageName, progress: exporter.progress,
                     cancel: () => exporter.cancel(), cancelling: exporter.cancelling }
        if (spectrumBusy)
            return { text: spectrum.stageName, progress: spectrum.progress,
                     cancel: () => spectrum.cancel(), cancelling: spectrum.cancelling }
        return null
    }
    // The most pressing problem first; an idle, healthy program shows where it stands.
    readonly property var notice: {
        if (!mediaRuntime.available)
            return { text: mediaRuntime.errorMessage, error: true }
        if (videoSession.hasError)
            return { text: videoSession.errorMessage, error: true }
        if (playback.hasError)
            return { text: playback.errorMessage, error: true }
        if (preview.hasError)
            return { text: preview.errorMessage, error: true }
        if (exporter && exporter.hasError)
            return { text: exporter.errorMessage, error: true }
        if (spectrum && spectrum.hasError)
            return { text: spectrum.errorMessage, error: true }
        if (exporter && exporter.completed)
            return { text: qsTr("Saved: %1").arg(exporter.destinationFileName), error: false }
        if (!videoSession.hasSource)
            return { text: qsTr("Open a video to begin."), error: false }
        if (preview.stale)
            return { text: qsTr("The amplified result no longer matches the settings."), error: false }
        return { text: videoSession.ready ? qsTr("Ready") : "", error: false }
    }

    implicitHeight: 32
    color: Theme.surfaceAlt
    border.color: Theme.border

    RowLayout {
        anchors { fill: parent; leftMargin: Theme.spacing; rightMargin: Theme.spacing }
        spacing: Theme.spacing

        Label {
            Layout.fillWidth: true
            text: bar.activity ? bar.activity.text : bar.notice.text
            color: !bar.activity && bar.notice.error ? Theme.error : Theme.text
            elide: Text.ElideRight
            font.pixelSize: Theme.smallFontSize
            ToolTip.visible: statusHover.hovered && truncated
            ToolTip.text: text
            HoverHandler { id: statusHover }
        }
        ProgressBar {
            visible: !!bar.activity
            Layout.preferredWidth: 160
            indeterminate: !!bar.activity && bar.activity.progress < 0
            value: bar.activity ? Math.max(0, bar.activity.progress) : 0
        }
        Label {
            visible: !!bar.activity && bar.activity.progress >= 0
            text: bar.activity ? Math.round(bar.activity.progress * 100) + " %" : ""
            font.pixelSize: Theme.smallFontSize
            color: Theme.text
        }
        Button {
            visible: !!bar.activity
            enabled: !!bar.activity && !bar.activity.cancelling
            text: qsTr("Cancel")
            font.pixelSize: Theme.smallFontSize
            implicitHeight: 26
            onClicked: bar.activity.cancel()
        }
    }
}
