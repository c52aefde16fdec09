import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Panels
import OrviMotion.Theme
import OrviMotion.Ui

// The one page: top bar, the source beside the amplified result or the spectrum view,
// transport and status bars, and the page's dialogs.
Page {
    id: page

    required property var mediaRuntime
    required property VideoSessionController videoSession
    required property AnalysisFragmentController analysisFragment
    required property ProcessingSettingsController processingSettings
    required property PlaybackController playback
    required property PreviewController preview
    required property var exporter
    required property var spectrum

    signal openRequested()
    signal fileDropped(url url)
    signal saveRequested()
    signal analysisRequested()
    signal aboutRequested()

    property int resultTab: 0
    property bool regionEditing: false
    property bool regionEditPending: false
    readonly property bool spectrumWorkBusy: !!(spectrum && (spectrum.busy || spectrum.phaseBusy
                                                             || spectrum.reportBusy))
    readonly property bool operationBusy: videoSession.busy || preview.busy
                                          || !!(exporter && exporter.busy) || spectrumWorkBusy
    readonly property bool playbackActive: playback.playing || playback.playPending
                                           || playback.pausePending || playback.busy
    readonly property bool settingsAllowed: !operationBusy && videoSession.ready
    readonly property alias sourceViewport: source

    background: Rectangle { color: Theme.window }

    onResultTabChanged: if (resultTab === 1) playback.pause()
    onOperationBusyChanged: if (operationBusy) endRegionEditing()

    function endRegionEditing() {
        regionEditing = false
        regionEditPending = false
    }
    // Editing waits for playback to stop.
    function requestRegionEditing(enabled) {
        regionEditPending = false
        if (!enabled) {
            regionEditing = false
            return
        }
        if (playbackActive) {
            regionEditPending = true
            playback.pause()
        } else {
            regionEditing = true
        }
    }
    function openSettings(dialog) {
        endRegionEditing()
        playback.pause()
        dialog.open()
    }

    // Keyboard. A focused text field takes its own keys first, so these never type into one,
    // and they win over a focused button, so Space never presses one by accident.
    readonly property bool transportEnabled: !operationBusy && !regionEditing && !regionEditPending
    Shortcut {
        sequence: "Space"
        enabled: page.transportEnabled && (page.playback.playing || page.playback.canPlay)
        onActivated: page.playback.togglePlayback()
    }
    Shortcut {
        sequence: "Left"
        enabled: page.transportEnabled
        onActivated: page.playback.stepBackward()
    }
    Shortcut {
        sequence: "Right"
        enabled: page.transportEnabled
        onActivated: page.playback.stepForward()
    }
    Shortcut {
        sequence: "Shift+Left"
        enabled: page.transportEnabled
        onActivated: page.playback.stepSeconds(-1)
    }
    Shortcut {
        sequence: "Shift+Right"
        enabled: page.transportEnabled
        onActivated: page.playback.stepSeconds(1)
    }
    Shortcut {
        sequence: "Home"
        enabled: page.transportEnabled && page.analysisFragment.available
        onActivated: page.playback.seekToFrame(page.analysisFragment.startFrame)
    }
    Shortcut {
        sequence: "End"
        enabled: page.transportEnabled && page.analysisFragment.available
        onActivated: page.playback.seekToFrame(page.analysisFragment.endFrameExclusive - 1)
    }
    Shortcut {
        sequence: "Ctrl+E"
        enabled: !page.operationBusy && !!page.spectrum && page.spectrum.canExportReport
        onActivated: {
            page.resultTab = 1
            resultView.openExportDialog()
        }
    }

    Connections {
        target: page.playback
        function onStateChanged() {
            if (page.regionEditPending && !page.playbackActive) {
                page.regionEditPending = false
                page.regionEditing = true
            }
        }
    }
    Connections {
        target: source.regionEditor
        function onEditingFinished() { page.endRegionEditing() }
        function onEditingCancelled() { page.endRegionEditing() }
    }
    Connections {
        target: page.preview
        function onStateChanged() { if (page.preview.busy) page.resultTab = 0 }
    }
    Connections {
        target: page.spectrum
        ignoreUnknownSignals: true
        function onAnalysisStarted() { page.resultTab = 1 }
    }

    // Automation: the workspace level of the contract.
    function anyDialogOpen(state) {
        for (const name in state.dialogs) {
            if (state.dialogs[name])
                return true
        }
        return false
    }
    function diagnosticState() {
        const state = resultView.diagnosticState()
        state.section = resultTab === 1 ? "spectrum" : "amplification"
        state.regionEditing = regionEditing
        state.regionEditPending = regionEditPending
        state.dialogs.amplification_settings = amplificationSettings.visible
        state.dialogs.frequency_filter_helper = amplificationSettings.helperVisible
        state.dialogs.spectrum_settings = spectrumSettings.visible
        state.dialogs.video_parameters = videoParameters.visible
        state.dialogs.help = state.dialogs.help || spectrumSettings.helpVisible
        state.amplificationSections = amplificationSettings.diagnosticSections()
        state.spectrumDraft = {
            captureFrameRate: spectrumSettings.draftCaptureFrameRate,
            gridDensityIndex: spectrumSettings.draftGridDensityIndex,
            workerThreadCount: spectrumSettings.draftWorkerThreadCount
        }
        return state
    }
    function ok() { return { ok: true } }
    function fail(code) { return { ok: false, error: code } }
    function finite(value) { return typeof value === "number" && isFinite(value) }
    function wholeIn(value, low, high) {
        return finite(value) && Number.isInteger(value) && value >= low && value <= high
    }
    function setSpectrumParameters(parameters) {
        const allowed = ["captureFrameRate", "gridDensityIndex", "workerThreadCount"]
        for (const key in parameters) {
            if (allowed.indexOf(key) < 0 || !finite(parameters[key]))
                return fail("invalid_parameters")
        }
        const rate = parameters.captureFrameRate ?? spectrumSettings.draftCaptureFrameRate
        const density = parameters.gridDensityIndex ?? spectrumSettings.draftGridDensityIndex
        const workers = parameters.workerThreadCount ?? spectrumSettings.draftWorkerThreadCount
        if (!(rate > 0 && rate <= 10000) || !wholeIn(density, 0, 2)
                || !wholeIn(workers, 0, spectrumSettings.maximumWorkerThreadCount))
            return fail("invalid_parameters")
        // A rate the client states is an entry, also when it repeats the assumed one.
        if (parameters.captureFrameRate !== undefined && videoSession.captureFrameRateAssumed
                && rate === videoSession.captureFrameRate)
            videoSession.setCaptureFrameRate(rate)
        spectrumSettings.draftCaptureFrameRate = rate
        spectrumSettings.draftGridDensityIndex = density
        spectrumSettings.draftWorkerThreadCount = workers
        if (parameters.workerThreadCount !== undefined)
            spectrumSettings.diagnosticRevealResources()
        return ok()
    }
    function setAmplificationParameters(parameters) {
        const allowed = ["captureFrameRate", "lowerFrequencyHz", "upperFrequencyHz",
                         "amplificationFactor", "workerThreadCount"]
        for (const key in parameters) {
            if (allowed.indexOf(key) < 0 || !finite(parameters[key]))
                return fail("invalid_parameters")
        }
        const settings = processingSettings
        const rate = parameters.captureFrameRate ?? videoSession.captureFrameRate
        const lower = parameters.lowerFrequencyHz ?? settings.lowerFrequencyHz
        const upper = parameters.upperFrequencyHz ?? settings.upperFrequencyHz
        const factor = parameters.amplificationFactor ?? settings.amplificationFactor
        const workers = parameters.workerThreadCount ?? settings.workerThreadCount
        if (!(rate > 0 && rate <= 10000) || !(lower >= 0) || !(upper > lower) || !(upper < rate / 2)
                || factor < settings.minimumAmplificationFactor
                || factor > settings.maximumAmplificationFactor
                || !wholeIn(workers, 0, settings.maximumWorkerThreadCount))
            return fail("invalid_parameters")
        if (parameters.captureFrameRate !== undefined)
            videoSession.setCaptureFrameRate(rate)
        if (parameters.lowerFrequencyHz !== undefined || parameters.upperFrequencyHz !== undefined)
            settings.setFrequencyBand(lower, upper)
        if (parameters.amplificationFactor !== undefined)
            settings.setAmplificationFactor(factor)
        if (parameters.workerThreadCount !== undefined)
            settings.setWorkerThreadCount(workers)
        amplificationSettings.diagnosticRevealParameters(parameters)
        return ok()
    }
    function diagnosticAction(request) {
        const action = request.action
        const dialog = request.dialog
        if (action === "close_dialog") {
            if (dialog === "frequency_filter_helper")
                amplificationSettings.diagnosticCloseFilterHelper()
            else if (dialog === "amplification_settings")
                amplificationSettings.close()
            else if (dialog === "spectrum_settings") {
                spectrumSettings.closeHelp()
                spectrumSettings.reject()
            } else if (dialog === "video_parameters")
                videoParameters.close()
            else if (dialog === "help" && spectrumSettings.helpVisible)
                spectrumSettings.closeHelp()
            else
                return resultView.diagnosticAction(request)
            return ok()
        }
        if (action === "open_dialog" && dialog === "help" && spectrumSettings.visible) {
            spectrumSettings.openHelp()
            return ok()
        }
        if (action === "accept_dialog") {
            if (operationBusy)
                return fail("busy")
            if (dialog === "spectrum_settings")
                return spectrumSettings.diagnosticAccept() ? ok() : fail("unavailable")
            if (dialog === "amplification_settings")
                return amplificationSettings.diagnosticAccept() ? ok() : fail("unavailable")
            return fail("unsupported_dialog")
        }
        if (action === "set_dialog_section" || action === "scroll_dialog") {
            if (dialog !== "amplification_settings")
                return fail("unsupported_dialog")
            if (operationBusy)
                return fail("busy")
            const done = action === "set_dialog_section"
                ? amplificationSettings.diagnosticSetSection(request.section, request.expanded)
                : amplificationSettings.diagnosticScrollSection(request.section)
            return done ? ok() : fail("invalid_section_or_unavailable")
        }
        if (action === "open_dialog" && dialog === "frequency_filter_helper") {
            if (operationBusy)
                return fail("busy")
            return amplificationSettings.visible && amplificationSettings.diagnosticOpenFilterHelper()
                   ? ok() : fail("unavailable")
        }
        if (action === "set_dialog_parameters") {
            if (operationBusy)
                return fail("busy")
            if (amplificationSettings.helperVisible || spectrumSettings.helpVisible)
                return fail("modal_dialog_open")
            const parameters = request.parameters
            if (parameters === null || typeof parameters !== "object" || Array.isArray(parameters))
                return fail("invalid_parameters")
            if (dialog === "spectrum_settings" && spectrumSettings.visible)
                return setSpectrumParameters(parameters)
            if (dialog === "amplification_settings" && amplificationSettings.visible)
                return setAmplificationParameters(parameters)
            return fail("dialog_not_open")
        }
        if (anyDialogOpen(diagnosticState())) {
            if ((action === "open_dialog" && (dialog === "help" || dialog === "export_destination"))
                    || action === "set_export_format")
                return resultView.diagnosticAction(request)
            return fail("modal_dialog_open")
        }
        if (action === "select_section") {
            if (request.section === "amplification")
                resultTab = 0
            else if (request.section === "spectrum")
                resultTab = 1
            else
                return fail("invalid_section")
            return ok()
        }
        if (action === "set_region_editing") {
            if (typeof request.enabled !== "boolean")
                return fail("invalid_parameters")
            if (operationBusy || !videoSession.ready)
                return fail("unavailable")
            requestRegionEditing(request.enabled)
            return ok()
        }
        if (action === "open_dialog" && dialog === "video_parameters") {
            videoParameters.open()
            return ok()
        }
        if (action === "open_dialog" && (dialog === "amplification_settings"
                                         || dialog === "spectrum_settings")) {
            if (!settingsAllowed)
                return fail("unavailable")
            openSettings(dialog === "amplification_settings" ? amplificationSettings : spectrumSettings)
            return ok()
        }
        if (resultTab !== 1)
            return fail("wrong_section")
        return resultView.diagnosticAction(request)
    }

    header: TopBar {
        videoSession: page.videoSession
        section: page.resultTab
        busy: page.operationBusy
        onOpenRequested: if (!page.operationBusy) page.openRequested()
        onSectionSelected: (section) => page.resultTab = section
        onAboutRequested: page.aboutRequested()
        onVideoParametersRequested: videoParameters.open()
    }

    RowLayout {
        anchors.fill: parent
        anchors.margins: Theme.spacing
        spacing: Theme.spacing

        SourceViewport {
            id: source
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumWidth: Theme.panelMinimumWidth
            Layout.preferredWidth: 1
            videoSession: page.videoSession
            playback: page.playback
            processingSettings: page.processingSettings
            regionEditing: page.regionEditing
            regionEditPending: page.regionEditPending
            busy: page.operationBusy
            spectrum: page.spectrum
            onRegionEditRequested: (enabled) => page.requestRegionEditing(enabled)
            onFileDropped: (url) => { if (!page.operationBusy) page.fileDropped(url) }
        }
        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumWidth: Theme.panelMinimumWidth
            Layout.preferredWidth: 1
            currentIndex: page.resultTab

            ProcessedViewport {
                playback: page.playback
                preview: page.preview
                busy: page.operationBusy
                settingsAvailable: page.settingsAllowed
                onSaveRequested: page.saveRequested()
                onSettingsRequested: page.openSettings(amplificationSettings)
            }
            SpectrumResultView {
                id: resultView
                spectrum: page.spectrum
                configureAllowed: page.settingsAllowed && !!page.spectrum
                onConfigureRequested: page.openSettings(spectrumSettings)
            }
        }
    }

    footer: ColumnLayout {
        spacing: 0
        TransportBar {
            Layout.fillWidth: true
            playback: page.playback
            analysisFragment: page.analysisFragment
            enabled: page.transportEnabled
        }
        StatusBar {
            Layout.fillWidth: true
            mediaRuntime: page.mediaRuntime
            videoSession: page.videoSession
            playback: page.playback
            preview: page.preview
            exporter: page.exporter
            spectrum: page.spectrum
        }
    }

    AmplificationSettingsDialog {
        id: amplificationSettings
        parent: Overlay.overlay
        videoSession: page.videoSession
        processingSettings: page.processingSettings
        preview: page.preview
        otherWorkBusy: !!(page.exporter && page.exporter.busy) || page.spectrumWorkBusy
        onStartRequested: page.analysisRequested()
    }
    SpectrumSettingsDialog {
        id: spectrumSettings
        parent: Overlay.overlay
        videoSession: page.videoSession
        spectrum: page.spectrum
    }
    Dialog {
        id: videoParameters
        title: qsTr("Video parameters")
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        closePolicy: Popup.CloseOnEscape
        width: Math.min(620, (parent ? parent.width : 640) - 32)
        height: Math.min(640, (parent ? parent.height : 660) - 32)
        contentItem: ColumnLayout {
            ScrollView {
                id: parametersScroll
                Layout.fillWidth: true
                Layout.fillHeight: true
                clip: true
                contentWidth: availableWidth
                VideoParametersPanel {
                    width: parametersScroll.availableWidth - 8
                    videoSession: page.videoSession
                }
            }
            Button {
                Layout.alignment: Qt.AlignRight
                text: qsTr("Close")
                onClicked: videoParameters.close()
            }
        }
    }
}
