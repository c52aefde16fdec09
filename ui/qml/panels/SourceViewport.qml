import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui
import OrviMotion.Ui.Items

// The source frame with the analysis region editor and the known length on top; also where a
// video is dropped.
Panel {
    id: viewport

    NumberFormatter { id: numbers }

    required property VideoSessionController videoSession
    required property PlaybackController playback
    required property ProcessingSettingsController processingSettings
    required property bool regionEditing
    required property bool regionEditPending
    required property bool busy
    required property var spectrum
    readonly property alias regionEditor: editor
    // Drawing the known length that turns pixel amplitudes into physical units.
    property bool measuring: false
    readonly property bool lengthSet: !!spectrum && spectrum.hasLengthScale
    readonly property bool measureAvailable: !busy && videoSession.ready && !!spectrum
                                             && !regionEditing && !regionEditPending && !referenceEditing
    readonly property alias frameItem: frame
    // Drawing the still region on which the camera's own motion is measured.
    property bool referenceEditing: false
    readonly property bool referenceAvailable: !busy && videoSession.ready && !regionEditing
                                               && !regionEditPending && !measuring
    signal regionEditRequested(bool enabled)
    signal fileDropped(url url)

    title: qsTr("Source video")

    function startMeasuring() {
        playback.pause()
        lengthLine.first = spectrum.hasLengthScale ? spectrum.lengthScaleFirst : Qt.point(0, 0)
        lengthLine.second = spectrum.hasLengthScale ? spectrum.lengthScaleSecond : Qt.point(0, 0)
        lengthField.value = spectrum.hasLengthScale ? spectrum.lengthScaleMillimetres : lengthField.value
        lengthBar.failed = false
        measuring = true
    }
    // Outside measuring the overlay shows the length in force again.
    function finishMeasuring() {
        measuring = false
        coordinates.close()
        lengthLine.first = Qt.binding(() => lengthSet ? spectrum.lengthScaleFirst : Qt.point(0, 0))
        lengthLine.second = Qt.binding(() => lengthSet ? spectrum.lengthScaleSecond : Qt.point(0, 0))
    }
    function applyLength() {
        lengthBar.failed = !spectrum.setLengthScale(lengthLine.first, lengthLine.second, lengthField.value)
        if (!lengthBar.failed)
            finishMeasuring()
    }
    onMeasureAvailableChanged: if (!measureAvailable) finishMeasuring()
    onReferenceAvailableChanged: if (!referenceAvailable) referenceEditing = false
    Connections {
        target: viewport.videoSession
        function onSourceChanged() { viewport.finishMeasuring() }
    }
    tools: [
        ToolTextButton {
            // Short labels keep the title whole at 960 pixels; the tips say the rest.
            text: viewport.regionEditing || viewport.regionEditPending ? qsTr("Done")
                                                                       : qsTr("Region")
            checkable: true
            checked: viewport.regionEditing || viewport.regionEditPending
            enabled: !viewport.busy && viewport.videoSession.ready
            tip: qsTr("Draw, move or resize the analysis region on the frame")
            onClicked: viewport.regionEditRequested(!(viewport.regionEditing || viewport.regionEditPending))
        },
        ToolTextButton {
            text: qsTr("Scale")
            checkable: true
            checked: viewport.measuring
            enabled: viewport.measuring || viewport.measureAvailable
            tip: qsTr("Draw a line along a part of known size to give amplitudes in µm, mm/s and m/s²")
            onClicked: viewport.measuring ? viewport.finishMeasuring() : viewport.startMeasuring()
        },
        ToolTextButton {
            text: viewport.referenceEditing ? qsTr("Done") : qsTr("Reference")
            checkable: true
            checked: viewport.referenceEditing
            enabled: viewport.referenceEditing || viewport.referenceAvailable
            tip: qsTr("Draw a region over a still part of the scene (a wall, the floor, a fixed frame) on which the camera's own motion is measured and removed")
            onClicked: {
                if (!viewport.referenceEditing)
                    viewport.playback.pause()
                viewport.referenceEditing = !viewport.referenceEditing
            }
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
        RegionOverlay {
            id: referenceEditor
            anchors.fill: frame
            frameRect: frame.paintedRect
            settings: viewport.processingSettings
            videoSession: viewport.videoSession
            playback: viewport.playback
            cameraReference: true
            editingActive: viewport.referenceEditing
            // Idle, it leaves the pointer and its cursor to the analysis region editor below.
            enabled: viewport.referenceEditing
            onEditingFinished: viewport.referenceEditing = false
            onEditingCancelled: viewport.referenceEditing = false
        }
        LengthOverlay {
            id: lengthLine
            anchors.fill: frame
            frameRect: frame.paintedRect
            frameSize: Qt.size(viewport.videoSession.frameWidth, viewport.videoSession.frameHeight)
            active: viewport.measuring
            // Outside measuring, the length in force.
            first: viewport.lengthSet ? viewport.spectrum.lengthScaleFirst : Qt.point(0, 0)
            second: viewport.lengthSet ? viewport.spectrum.lengthScaleSecond : Qt.point(0, 0)
            caption: viewport.lengthSet
                     ? qsTr("%1 mm").arg(numbers.fixed(viewport.spectrum.lengthScaleMillimetres, 3))
                     : ""
            visible: viewport.measuring || (viewport.videoSession.ready && hasLine)
        }
        // While measuring: the drawn length, the known distance and what to do with them.
        Rectangle {
            id: lengthBar
            property bool failed: false
            visible: viewport.measuring
            anchors { left: parent.left; right: parent.right; bottom: parent.bottom; margins: 8 }
            height: lengthColumn.implicitHeight + 2 * Theme.smallSpacing
            radius: Theme.radius
            color: Theme.surface
            border.color: failed ? Theme.error : Theme.border
            Column {
                id: lengthColumn
                anchors { left: parent.left; right: parent.right; top: parent.top
                          margins: Theme.smallSpacing }
                spacing: Theme.smallSpacing
                Label {
                    width: parent.width
                    wrapMode: Text.Wrap
                    font.pixelSize: Theme.smallFontSize
                    color: lengthBar.failed ? Theme.error : Theme.textMuted
                    text: lengthBar.failed ? viewport.spectrum.lengthScaleMessage
                          : lengthLine.hasLine
                            ? qsTr("Line: %1 px. Enter its real length; drag an end to adjust it.")
                                  .arg(numbers.fixed(lengthLine.lengthPx, 1))
                            : qsTr("Drag along a part of known size on the frame.")
                }
                Flow {
                    width: parent.width
                    spacing: Theme.smallSpacing
                    NumberField {
                        id: lengthField
                        label: qsTr("Real length")
                        unit: qsTr("mm")
                        decimals: 3
                        from: 0.001
                        to: 1e6
                        fieldWidth: 90
                        value: 100
                        onCommitted: v => value = v
                    }
                    ToolTextButton {
                        text: qsTr("Set")
                        highlighted: true
                        enabled: lengthLine.hasLine
                        tip: qsTr("Use this length to give amplitudes in µm, mm/s and m/s²")
                        onClicked: viewport.applyLength()
                    }
                    ToolTextButton {
                        text: qsTr("Clear")
                        enabled: viewport.lengthSet
                        tip: qsTr("Show amplitudes in pixels only")
                        onClicked: {
                            viewport.spectrum.clearLengthScale()
                            viewport.finishMeasuring()
                        }
                    }
                    ToolTextButton {
                        text: qsTr("Coordinates…")
                        tip: qsTr("Type the two points as fractions of the frame width and height")
                        onClicked: coordinates.open()
                    }
                    ToolTextButton {
                        text: qsTr("Cancel")
                        onClicked: viewport.finishMeasuring()
                    }
                }
            }
        }
        // The precise fallback: the two points typed as fractions of the frame.
        Popup {
            id: coordinates
            x: lengthBar.x
            y: lengthBar.y - height - Theme.smallSpacing
            width: lengthBar.width
            padding: Theme.smallSpacing
            Flow {
                width: parent.width
                spacing: Theme.smallSpacing
                Repeater {
                    model: [qsTr("x1"), qsTr("y1"), qsTr("x2"), qsTr("y2")]
                    delegate: NumberField {
                        required property string modelData
                        required property int index
                        readonly property point end: index < 2 ? lengthLine.first : lengthLine.second
                        label: modelData
                        decimals: 4
                        from: 0
                        to: 1
                        fieldWidth: 72
                        value: index % 2 ? end.y : end.x
                        onCommitted: v => {
                            const p = index % 2 ? Qt.point(end.x, v) : Qt.point(v, end.y)
                            if (index < 2)
                                lengthLine.first = p
                            else
                                lengthLine.second = p
                        }
                    }
                }
            }
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
