import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui

// Everything an amplification run needs, edited live and restored when left without starting.
Dialog {
    id: dialog

    required property VideoSessionController videoSession
    required property ProcessingSettingsController processingSettings
    required property PreviewController preview
    required property bool otherWorkBusy // an export or spectrum work
    signal startRequested()

    readonly property var sectionNames: ["capture", "filter", "amplification", "resources", "region",
                                         "camera"]
    readonly property bool helperVisible: helper.visible
    readonly property bool contentEnabled: !preview.busy && !otherWorkBusy
    readonly property bool startEnabled: preview.available && !otherWorkBusy

    // Remembered at opening; written back when the dialog is left without starting. Only what
    // this dialog changed goes back, and only onto the same source.
    property var remembered: ({})
    property var changed: ({})
    property bool accepted: false

    title: qsTr("Vibration amplification")
    modal: true
    closePolicy: Popup.CloseOnEscape
    anchors.centerIn: parent
    width: Math.min(760, (parent ? parent.width : 800) - 32)
    height: Math.min(820, (parent ? parent.height : 800) - 32)
    padding: Theme.spacing

    NumberFormatter { id: numbers }
    function number(value, decimals) { return numbers.fixed(value, decimals) }
    function section(name) {
        return [capture, filter, amplification, resources, region, camera][sectionNames.indexOf(name)]
    }
    function markChanged(key) {
        const next = Object.assign({}, changed)
        next[key] = true
        changed = next
    }

    onAboutToShow: {
        for (const name of sectionNames)
            section(name).expanded = false
        accepted = false
        changed = {}
        remembered = {
            source: videoSession.filePath,
            captureRate: videoSession.captureFrameRate,
            captureManual: videoSession.captureFrameRateManual,
            captureAssumed: videoSession.captureFrameRateAssumed,
            lower: processingSettings.lowerFrequencyHz,
            upper: processingSettings.upperFrequencyHz,
            amplification: processingSettings.amplificationFactor,
            rotation: processingSettings.rotationSpeedRpm,
            workers: processingSettings.workerThreadCount,
            optimize: processingSettings.regionProcessingOptimizationEnabled,
            stabilization: processingSettings.stabilizationEnabled,
            // A copy: a value read from the property could follow it.
            reference: processingSettings.stabilizationReferenceSet
                       ? Qt.rect(processingSettings.stabilizationReferenceRegion.x,
                                 processingSettings.stabilizationReferenceRegion.y,
                                 processingSettings.stabilizationReferenceRegion.width,
                                 processingSettings.stabilizationReferenceRegion.height) : null
        }
        list.contentY = 0
    }
    onAboutToHide: {
        if (helper.visible)
            helper.close()
        if (accepted || remembered.source !== videoSession.filePath)
            return
        if (changed.captureRate) {
            if (remembered.captureManual)
                videoSession.setCaptureFrameRate(remembered.captureRate)
            else if (remembered.captureAssumed)
                videoSession.resetCaptureFrameRate()
            else
                videoSession.clearCaptureFrameRateOverride()
        }
        if (changed.band)
            processingSettings.setFrequencyBand(remembered.lower, remembered.upper)
        if (changed.amplification)
            processingSettings.setAmplificationFactor(remembered.amplification)
        if (changed.rotation)
            processingSettings.setRotationSpeedRpm(remembered.rotation)
        if (changed.workers)
            processingSettings.setWorkerThreadCount(remembered.workers)
        if (changed.optimize)
            processingSettings.setRegionProcessingOptimizationEnabled(remembered.optimize)
        // The reference first: compensation needs it.
        if (changed.reference && remembered.reference)
            processingSettings.setStabilizationReferenceRegion(
                remembered.reference.x, remembered.reference.y,
                remembered.reference.width, remembered.reference.height)
        if (changed.stabilization)
            processingSettings.setStabilizationEnabled(remembered.stabilization)
    }

    // The automation's actions, accepted by the window's automation object.
    readonly property var sectionStates: {
        const result = { scrollY: list.contentY }
        for (const name of sectionNames)
            result[name] = section(name).expanded
        return result
    }
    function confirm() {
        startButton.clicked()
    }
    function setSectionExpanded(name, expanded) {
        section(name).expanded = expanded
    }
    function scrollToSection(name) {
        Qt.callLater(() => {
            const top = section(name).y
            list.contentY = Math.max(0, Math.min(top, list.contentHeight - list.height))
        })
    }
    function openFilterHelper() {
        helperButton.clicked()
    }
    function closeFilterHelper() {
        helper.close()
    }
    function revealParameters(names) {
        if (names.indexOf("captureFrameRate") >= 0)
            capture.expanded = true
        if (names.indexOf("lowerFrequencyHz") >= 0 || names.indexOf("upperFrequencyHz") >= 0)
            filter.expanded = true
        if (names.indexOf("amplificationFactor") >= 0)
            amplification.expanded = true
        if (names.indexOf("workerThreadCount") >= 0)
            resources.expanded = true
    }

    contentItem: ColumnLayout {
        spacing: Theme.smallSpacing

        Flickable {
            id: list
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentHeight: sections.implicitHeight
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            ColumnLayout {
                id: sections
                width: list.width - 12
                spacing: 0
                enabled: dialog.contentEnabled

                SettingsSection {
                    id: capture
                    Layout.fillWidth: true
                    name: "capture"
                    title: qsTr("Source recording frame rate")
                    summary: qsTr("%1 FPS").arg(dialog.number(dialog.videoSession.captureFrameRate,
                                 Number.isInteger(dialog.videoSession.captureFrameRate) ? 0 : 3))
                    NumberField {
                        Layout.fillWidth: true
                        label: qsTr("Capture frame rate")
                        unit: qsTr("FPS")
                        decimals: 3
                        from: 0.001
                        to: dialog.videoSession.maximumCaptureFrameRate
                        value: dialog.videoSession.captureFrameRate
                        editable: dialog.videoSession.ready
                        onCommitted: (value) => {
                            dialog.markChanged("captureRate")
                            dialog.videoSession.setCaptureFrameRate(value)
                        }
                    }
                }
                SettingsSection {
                    id: filter
                    Layout.fillWidth: true
                    name: "filter"
                    title: qsTr("Frequency filter")
                    summary: qsTr("%1–%2 Hz").arg(dialog.number(dialog.processingSettings.lowerFrequencyHz, 2))
                                             .arg(dialog.number(dialog.processingSettings.upperFrequencyHz, 2))
                    NumberField {
                        Layout.fillWidth: true
                        label: qsTr("Lower frequency")
                        unit: qsTr("Hz")
                        value: dialog.processingSettings.lowerFrequencyHz
                        invalid: !dialog.processingSettings.lowerFrequencyValid
                        editable: dialog.processingSettings.frequencyEditingAvailable
                        onCommitted: (value) => {
                            dialog.markChanged("band")
                            dialog.processingSettings.setLowerFrequencyHz(value)
                        }
                    }
                    NumberField {
                        Layout.fillWidth: true
                        label: qsTr("Upper frequency")
                        unit: qsTr("Hz")
                        value: dialog.processingSettings.upperFrequencyHz
                        invalid: !dialog.processingSettings.upperFrequencyValid
                        editable: dialog.processingSettings.frequencyEditingAvailable
                        onCommitted: (value) => {
                            dialog.markChanged("band")
                            dialog.processingSettings.setUpperFrequencyHz(value)
                        }
                    }
                    Button {
                        id: helperButton
                        text: qsTr("Frequency filter helper…")
                        enabled: dialog.visible && dialog.contentEnabled
                                 && dialog.processingSettings.available
                        onClicked: helper.open()
                    }
                }
                SettingsSection {
                    id: amplification
                    Layout.fillWidth: true
                    name: "amplification"
                    title: qsTr("Amplification")
                    summary: qsTr("Factor: %1").arg(dialog.number(dialog.processingSettings.amplificationFactor, 1))
                    NumberField {
                        Layout.fillWidth: true
                        label: qsTr("Amplification factor")
                        decimals: 1
                        from: dialog.processingSettings.minimumAmplificationFactor
                        to: dialog.processingSettings.maximumAmplificationFactor
                        value: dialog.processingSettings.amplificationFactor
                        invalid: !dialog.processingSettings.amplificationValid
                        editable: dialog.processingSettings.available
                        onCommitted: (value) => {
                            dialog.markChanged("amplification")
                            dialog.processingSettings.setAmplificationFactor(value)
                        }
                    }
                }
                SettingsSection {
                    id: resources
                    Layout.fillWidth: true
                    name: "resources"
                    title: qsTr("Computing resources")
                    summary: dialog.processingSettings.workerThreadCount === 0
                             ? qsTr("Automatic · %1 threads").arg(dialog.processingSettings.effectiveWorkerThreadCount)
                             : qsTr("Manual · %1 threads").arg(dialog.processingSettings.effectiveWorkerThreadCount)
                    Label {
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        color: Theme.textMuted
                        text: qsTr("Choose how many worker threads the motion processor may use.")
                    }
                    CheckBox {
                        text: qsTr("Automatic (recommended)")
                        checked: dialog.processingSettings.workerThreadCount === 0
                        enabled: dialog.processingSettings.available
                        onToggled: {
                            dialog.markChanged("workers")
                            dialog.processingSettings.setWorkerThreadCount(
                                checked ? 0 : dialog.processingSettings.effectiveWorkerThreadCount)
                        }
                    }
                    NumberField {
                        Layout.fillWidth: true
                        visible: dialog.processingSettings.workerThreadCount !== 0
                        label: qsTr("Manual worker count")
                        unit: qsTr("threads")
                        decimals: 0
                        from: 1
                        to: dialog.processingSettings.maximumWorkerThreadCount
                        value: dialog.processingSettings.workerThreadCount
                        editable: dialog.processingSettings.available
                        onCommitted: (value) => {
                            dialog.markChanged("workers")
                            dialog.processingSettings.setWorkerThreadCount(Math.round(value))
                        }
                    }
                    Label {
                        text: qsTr("Available logical processors: %1")
                                  .arg(dialog.processingSettings.availableLogicalProcessorCount)
                        color: Theme.textMuted
                    }
                    Label {
                        text: qsTr("Worker threads in use: %1")
                                  .arg(dialog.processingSettings.effectiveWorkerThreadCount)
                        color: Theme.textMuted
                    }
                }
                SettingsSection {
                    id: region
                    Layout.fillWidth: true
                    name: "region"
                    title: qsTr("Frame processing")
                    expandable: dialog.processingSettings.regionCustomized
                    summary: dialog.processingSettings.regionCustomized
                             ? qsTr("Analysis region: %1 × %2 px")
                                   .arg(Math.round(dialog.processingSettings.regionOfInterest.width
                                                   * dialog.videoSession.frameWidth))
                                   .arg(Math.round(dialog.processingSettings.regionOfInterest.height
                                                   * dialog.videoSession.frameHeight))
                               + " · " + (dialog.processingSettings.regionProcessingOptimizationEnabled
                                          ? qsTr("Optimization on") : qsTr("Optimization off"))
                             : qsTr("This section is available when a frame region is selected.")
                    CheckBox {
                        text: qsTr("Optimize processing for selected region")
                        checked: dialog.processingSettings.regionProcessingOptimizationEnabled
                        enabled: dialog.processingSettings.available
                        onToggled: {
                            dialog.markChanged("optimize")
                            dialog.processingSettings.setRegionProcessingOptimizationEnabled(checked)
                        }
                    }
                    Label {
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        color: Theme.textMuted
                        text: dialog.processingSettings.regionCustomized
                              ? qsTr("The selected region uses the configured amplification; the surrounding ring uses half.")
                              : qsTr("The full frame will be processed.")
                    }
                }
                CameraMotionSection {
                    id: camera
                    Layout.fillWidth: true
                    processingSettings: dialog.processingSettings
                    onToggledByUser: dialog.markChanged("stabilization")
                    onReferenceClearedByUser: {
                        dialog.markChanged("reference")
                        dialog.markChanged("stabilization")
                    }
                }
            }
        }
        Label {
            Layout.fillWidth: true
            visible: text.length > 0
            wrapMode: Text.Wrap
            text: dialog.processingSettings.validationMessage.length > 0
                  ? dialog.processingSettings.validationMessage : dialog.processingSettings.warningMessage
            color: dialog.processingSettings.validationMessage.length > 0 ? Theme.error : Theme.warning
        }
        RowLayout {
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            Button {
                text: qsTr("Close")
                onClicked: dialog.close()
            }
            Button {
                id: startButton
                text: qsTr("Start amplification")
                highlighted: true
                enabled: dialog.startEnabled
                onClicked: Qt.callLater(() => {
                    if (!dialog.preview.available)
                        return
                    dialog.accepted = true
                    dialog.close()
                    dialog.startRequested()
                })
            }
        }
    }

    FrequencyFilterHelper {
        id: helper
        processingSettings: dialog.processingSettings
        onBandApplied: dialog.markChanged("band")
        onShaftSpeedEdited: dialog.markChanged("rotation")
    }
}
