import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui

// Configures a spectrum analysis from drafts that the spectrum controller validates as they
// change; only a successful start hands them over.
Dialog {
    id: dialog

    required property VideoSessionController videoSession
    required property var spectrum
    required property ProcessingSettingsController processingSettings

    property real draftCaptureFrameRate: 0
    property int draftGridDensityIndex: 1
    property int draftWorkerThreadCount: 0
    property string draftGridPlan: ""
    property string draftValidationMessage: ""
    property string startErrorMessage: ""
    readonly property bool spectrumBusy: !!(spectrum && spectrum.busy)
    readonly property int maximumWorkerThreadCount: spectrum ? spectrum.maximumWorkerThreadCount : 0
    readonly property int draftEffectiveWorkerThreadCount:
        Math.max(1, Math.min(maximumWorkerThreadCount, draftWorkerThreadCount === 0
                                                       ? maximumWorkerThreadCount
                                                       : draftWorkerThreadCount))
    readonly property bool helpVisible: help.visible

    title: qsTr("Zazira spectrum analysis")
    modal: true
    closePolicy: Popup.CloseOnEscape
    anchors.centerIn: parent
    width: Math.min(620, (parent ? parent.width : 640) - 32)
    height: Math.min(540, (parent ? parent.height : 560) - 32)
    padding: Theme.spacing

    function validateDraft() {
        if (!spectrum) {
            draftValidationMessage = qsTr("Spectral analysis is not available.")
            draftGridPlan = ""
            return
        }
        draftValidationMessage = spectrum.validateAnalysis(draftCaptureFrameRate,
                                                           draftGridDensityIndex,
                                                           draftWorkerThreadCount)
        draftGridPlan = spectrum.gridPlan(draftCaptureFrameRate, draftGridDensityIndex)
    }
    function draftChanged() {
        startErrorMessage = ""
        validateDraft()
    }
    onDraftCaptureFrameRateChanged: if (visible) draftChanged()
    onDraftGridDensityIndexChanged: if (visible) draftChanged()
    onDraftWorkerThreadCountChanged: if (visible) draftChanged()

    onAboutToShow: {
        startErrorMessage = ""
        draftCaptureFrameRate = videoSession.captureFrameRate
        draftGridDensityIndex = spectrum ? spectrum.gridDensityIndex : 1
        draftWorkerThreadCount = spectrum ? spectrum.workerThreadCount : 0
        resourcesCard.expanded = false
        validateDraft()
    }
    onAboutToHide: help.close()

    Connections {
        target: dialog.spectrum
        enabled: dialog.visible && !!dialog.spectrum
        ignoreUnknownSignals: true
        function onStateChanged() { dialog.validateDraft() }
    }

    // The automation's actions, accepted by the window's automation object.
    function confirm() {
        calculateButton.clicked()
    }
    function revealResources() {
        resourcesCard.expanded = true
    }
    function openHelp() {
        help.open()
    }
    function closeHelp() {
        help.close()
    }

    contentItem: ColumnLayout {
        spacing: Theme.smallSpacing

        Flickable {
            id: list
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentHeight: body.implicitHeight
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            ColumnLayout {
                id: body
                width: list.width - 12
                spacing: Theme.smallSpacing

                Label {
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    visible: text.length > 0
                    text: dialog.spectrum ? dialog.spectrum.inputSummary : ""
                    color: Theme.textMuted
                }
                RowLayout {
                    Layout.fillWidth: true
                    NumberField {
                        Layout.fillWidth: true
                        label: qsTr("Capture frame rate")
                        unit: qsTr("FPS")
                        decimals: 3
                        from: 0.001
                        to: dialog.videoSession.maximumCaptureFrameRate
                        value: dialog.draftCaptureFrameRate
                        editable: !dialog.spectrumBusy
                        invalid: !(dialog.draftCaptureFrameRate > 0)
                        onCommitted: (value) => dialog.draftCaptureFrameRate = value
                        // An empty field is no rate, never the previous one.
                        onCleared: dialog.draftCaptureFrameRate = NaN
                    }
                    Button {
                        objectName: "confirmDraftCaptureRateButton"
                        visible: !!dialog.videoSession && dialog.videoSession.captureFrameRateAssumed
                                 && dialog.draftCaptureFrameRate === dialog.videoSession.captureFrameRate
                        enabled: !dialog.spectrumBusy
                        text: qsTr("Confirm")
                        ToolTip.visible: hovered
                        ToolTip.delay: 600
                        ToolTip.text: qsTr("The rate is only assumed; confirm it as the camera's capture rate")
                        onClicked: dialog.videoSession.setCaptureFrameRate(dialog.draftCaptureFrameRate)
                    }
                    Button {
                        text: "?"
                        Accessible.name: qsTr("Spectrum parameters")
                        ToolTip.visible: hovered
                        ToolTip.delay: 600
                        ToolTip.text: qsTr("Spectrum parameters")
                        onClicked: help.open()
                    }
                }
                Label {
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    color: Theme.warning
                    text: dialog.startErrorMessage.length > 0 ? dialog.startErrorMessage
                          : dialog.draftValidationMessage.length > 0 ? dialog.draftValidationMessage
                          : dialog.spectrum ? dialog.spectrum.warningMessage : ""
                    visible: text.length > 0
                }
                RowLayout {
                    Layout.fillWidth: true
                    Label { Layout.fillWidth: true; text: qsTr("Point density") }
                    ComboBox {
                        Layout.preferredWidth: 260
                        enabled: !dialog.spectrumBusy
                        model: [[16, 8], [32, 16], [64, 32]].map(
                                   (grid) => qsTr("%1 × %2 (%3 points)").arg(grid[0]).arg(grid[1])
                                                                        .arg(grid[0] * grid[1]))
                        currentIndex: dialog.draftGridDensityIndex
                        Accessible.name: qsTr("Point density")
                        onActivated: (index) => dialog.draftGridDensityIndex = index
                    }
                }
                Label {
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    visible: text.length > 0
                    text: dialog.draftGridPlan
                    color: Theme.textMuted
                }
                CameraMotionSection {
                    Layout.fillWidth: true
                    processingSettings: dialog.processingSettings
                    editable: !dialog.spectrumBusy
                    onToggledByUser: dialog.draftChanged()
                    onReferenceClearedByUser: dialog.draftChanged()
                }
                SettingsSection {
                    id: resourcesCard
                    Layout.fillWidth: true
                    name: "resources"
                    title: qsTr("Computing resources")
                    summary: (dialog.draftWorkerThreadCount === 0 ? qsTr("Automatic · %1 threads")
                                                                  : qsTr("Manual · %1 threads"))
                                 .arg(dialog.draftEffectiveWorkerThreadCount)
                    Label {
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        color: Theme.textMuted
                        text: qsTr("Choose how many worker threads spectral analysis may use.")
                    }
                    Switch {
                        text: qsTr("Automatic (recommended)")
                        checked: dialog.draftWorkerThreadCount === 0
                        enabled: !dialog.spectrumBusy && dialog.maximumWorkerThreadCount > 0
                        ToolTip.visible: hovered
                        ToolTip.delay: 600
                        ToolTip.text: qsTr("Let the application select the worker count for this computer")
                        onToggled: dialog.draftWorkerThreadCount =
                                   checked ? 0 : dialog.draftEffectiveWorkerThreadCount
                    }
                    NumberField {
                        Layout.fillWidth: true
                        label: qsTr("Manual worker count")
                        unit: qsTr("threads")
                        decimals: 0
                        from: 1
                        to: Math.max(1, dialog.maximumWorkerThreadCount)
                        value: dialog.draftEffectiveWorkerThreadCount
                        editable: !dialog.spectrumBusy && dialog.draftWorkerThreadCount !== 0
                        onCommitted: (value) => dialog.draftWorkerThreadCount = Math.round(value)
                    }
                    Label {
                        text: qsTr("Available logical processors: %1")
                                  .arg(dialog.spectrum ? dialog.spectrum.availableLogicalProcessorCount : 0)
                        color: Theme.textMuted
                    }
                    Label {
                        text: qsTr("Worker thread budget: %1")
                                  .arg(qsTr("%1 threads").arg(dialog.draftEffectiveWorkerThreadCount))
                        color: Theme.textMuted
                    }
                }
            }
        }
        RowLayout {
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            Button {
                text: qsTr("Cancel")
                onClicked: dialog.reject()
            }
            Button {
                id: calculateButton
                text: qsTr("Calculate spectrum")
                highlighted: true
                enabled: !!(dialog.spectrum && dialog.spectrum.available)
                onClicked: Qt.callLater(() => {
                    dialog.validateDraft()
                    if (dialog.spectrum.startAnalysis(dialog.draftCaptureFrameRate,
                                                      dialog.draftGridDensityIndex,
                                                      dialog.draftWorkerThreadCount))
                        dialog.accept()
                    else
                        dialog.startErrorMessage = dialog.spectrum.errorMessage
                })
            }
        }
    }

    Dialog {
        id: help
        title: qsTr("Spectrum parameters")
        modal: true
        closePolicy: Popup.CloseOnEscape
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(560, (parent ? parent.width : 600) - 64)
        height: Math.min(480, (parent ? parent.height : 520) - 64)
        standardButtons: Dialog.Close
        ScrollView {
            anchors.fill: parent
            clip: true
            Label {
                width: help.width - help.leftPadding - help.rightPadding - 16
                wrapMode: Text.Wrap
                text: qsTr("The analysis follows the motion of a grid of points inside the analysis region and calculates which frequencies they share.\n\nSet the capture frame rate at which the camera recorded, then choose the point density: more points show finer detail but take longer.\n\nThe grid is limited by the region's size in pixels, by memory and by the fragment length; the plan below the density shows what will be used.\n\nSettings take effect when the calculation starts; the previous result stays until then.\n\nThe worker count limits how many processor threads the analysis may use.")
                      + (dialog.spectrum ? "\n\n" + dialog.spectrum.analysisHelp : "")
            }
        }
    }
}
