import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui

// The open video's metadata, its timing and the capture frame rate the analysis relies on.
ColumnLayout {
    id: panel

    required property VideoSessionController videoSession

    NumberFormatter { id: numbers }
    function rate(value) {
        return value > 0 ? qsTr("%1 FPS").arg(numbers.fixed(value, 3))
                         : qsTr("unknown")
    }
    function duration(us) {
        return us > 0 ? qsTr("%1 s").arg(numbers.fixed(us / 1e6, 3))
                      : qsTr("unknown")
    }

    // Physical time follows the capture rate, also where the file plays in slow motion.
    readonly property real recordingDurationUs: videoSession.captureFrameRate > 0
        ? videoSession.frameCount * 1e6 / videoSession.captureFrameRate : 0
    readonly property real slowMotionFactor: videoSession.captureFrameRate > 0
        && videoSession.playbackFrameRate > 0
        ? videoSession.captureFrameRate / videoSession.playbackFrameRate : 0

    // The rate the file itself states: the detected capture rate, else its playback rate.
    readonly property real fileRate: videoSession.detectedCaptureFrameRate > 0
        ? videoSession.detectedCaptureFrameRate : videoSession.playbackFrameRate
    readonly property string rateOrigin: videoSession.captureFrameRateOrigin === "entered" ? qsTr("entered")
        : videoSession.captureFrameRateOrigin === "assumed" ? qsTr("assumed")
        : videoSession.captureFrameRateOrigin === "detected" ? qsTr("detected") : ""

    readonly property var rows: [
        [qsTr("File"), panel.videoSession.filePath],
        [qsTr("Container"), panel.videoSession.containerDisplayName],
        [qsTr("Codec"), panel.videoSession.codecName],
        [qsTr("Frame size"), qsTr("%1 × %2 px").arg(panel.videoSession.frameWidth)
                                     .arg(panel.videoSession.frameHeight)],
        [qsTr("Frames"), String(panel.videoSession.frameCount)],
        [qsTr("Playback duration"), panel.duration(panel.videoSession.durationUs)],
        [qsTr("Nominal frame rate"), panel.rate(panel.videoSession.nominalFrameRate)],
        [qsTr("Playback frame rate"), panel.rate(panel.videoSession.playbackFrameRate)],
        [qsTr("Capture frame rate"), panel.rate(panel.videoSession.captureFrameRate)
             + (panel.rateOrigin.length > 0 ? " · " + panel.rateOrigin : ""),
         panel.videoSession.captureFrameRateAssumed],
        [qsTr("Slow-motion factor"), panel.slowMotionFactor > 0
             ? numbers.fixed(panel.slowMotionFactor, 2) + "×"
             : qsTr("unknown")],
        [qsTr("Recording duration"), panel.duration(panel.recordingDurationUs)],
        [qsTr("Frame timing"), panel.videoSession.variableFrameRate
             ? qsTr("Irregular: frames are not evenly spaced.") : qsTr("Regular"),
         panel.videoSession.variableFrameRate]
    ]

    spacing: Theme.spacing

    Label {
        visible: !panel.videoSession.ready
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        text: panel.videoSession.hasError ? panel.videoSession.errorMessage
              : panel.videoSession.busy ? qsTr("The video is being read…")
              : panel.videoSession.hasSource ? qsTr("The video is not ready yet.")
              : qsTr("No video selected")
        color: panel.videoSession.hasError ? Theme.error : Theme.textMuted
    }
    GridLayout {
        visible: panel.videoSession.ready
        Layout.fillWidth: true
        columns: 2
        columnSpacing: Theme.spacing
        rowSpacing: Theme.smallSpacing

        Repeater {
            model: panel.rows
            delegate: Label {
                required property var modelData
                required property int index
                Layout.row: index
                Layout.column: 0
                Layout.alignment: Qt.AlignTop
                text: modelData[0]
                color: Theme.textMuted
            }
        }
        Repeater {
            model: panel.rows
            delegate: Label {
                required property var modelData
                required property int index
                Layout.row: index
                Layout.column: 1
                Layout.fillWidth: true
                wrapMode: Text.WrapAnywhere
                text: modelData[1]
                color: modelData.length > 2 && modelData[2] ? Theme.warning : Theme.text
            }
        }
    }
    Label {
        visible: panel.videoSession.ready && panel.videoSession.captureTimingMapRequired
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        color: Theme.textMuted
        text: qsTr("Slow motion: the capture rate differs from the playback rate, so every time and frequency is measured at the capture rate.")
    }
    // The starting rate is only an assumption: nothing is measured until the user settles it.
    Rectangle {
        objectName: "captureRatePrompt"
        visible: panel.videoSession.ready && panel.videoSession.captureFrameRateAssumed
        Layout.fillWidth: true
        implicitHeight: prompt.implicitHeight + 2 * Theme.smallSpacing
        color: Theme.surface
        border.color: Theme.warning
        radius: Theme.radius
        ColumnLayout {
            id: prompt
            anchors.fill: parent
            anchors.margins: Theme.smallSpacing
            spacing: Theme.smallSpacing
            Label {
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                color: Theme.warning
                font.bold: true
                text: qsTr("Confirm the capture frame rate")
            }
            Label {
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                color: Theme.text
                text: (panel.fileRate > 0
                       ? qsTr("%1 is assumed, as high-speed cameras often record at it; the file itself states %2.")
                             .arg(panel.rate(panel.videoSession.captureFrameRate)).arg(panel.rate(panel.fileRate))
                       : qsTr("%1 is assumed, as high-speed cameras often record at it.")
                             .arg(panel.rate(panel.videoSession.captureFrameRate)))
                      + " " + qsTr("Nothing is analysed or amplified until you confirm it or enter the camera's rate below.")
            }
            Flow {
                Layout.fillWidth: true
                spacing: Theme.smallSpacing
                Button {
                    objectName: "confirmCaptureRateButton"
                    text: qsTr("Confirm %1").arg(panel.rate(panel.videoSession.captureFrameRate))
                    highlighted: true
                    onClicked: panel.videoSession.setCaptureFrameRate(panel.videoSession.captureFrameRate)
                }
                Button {
                    visible: panel.fileRate > 0 && panel.fileRate !== panel.videoSession.captureFrameRate
                    text: qsTr("Use the file's %1").arg(panel.rate(panel.fileRate))
                    onClicked: {
                        if (panel.videoSession.detectedCaptureFrameRate > 0)
                            panel.videoSession.clearCaptureFrameRateOverride()
                        else
                            panel.videoSession.setCaptureFrameRate(panel.fileRate)
                    }
                }
            }
        }
    }
    NumberField {
        Layout.fillWidth: true
        visible: panel.videoSession.ready
        label: qsTr("Capture frame rate")
        unit: qsTr("FPS")
        decimals: 3
        from: 0.001
        to: panel.videoSession.maximumCaptureFrameRate
        value: panel.videoSession.captureFrameRate
        editable: panel.videoSession.ready
        onCommitted: (value) => panel.videoSession.setCaptureFrameRate(value)
    }
    Label {
        visible: panel.videoSession.ready
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        color: Theme.textMuted
        font.pixelSize: Theme.smallFontSize
        text: qsTr("Enter the rate at which the camera recorded. Slow-motion videos play slower than they were recorded; every frequency depends on this rate.")
    }
}
