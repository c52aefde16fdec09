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
    required property WindowAutomation automation

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

    // Automation: what the workspace shows, and the actions the automation object accepted.
    readonly property bool spectrumSettingsHelpVisible: spectrumSettings.helpVisible
    readonly property var automationState: ({
        section: resultTab === 1 ? "spectrum" : "amplification",
        regionEditing: regionEditing,
        regionEditPending: regionEditPending,
        dialogs: Object.assign({}, resultView.automationDialogs, {
            amplification_settings: amplificationSettings.visible,
            frequency_filter_helper: amplificationSettings.helperVisible,
            spectrum_settings: spectrumSettings.visible,
            video_parameters: videoParameters.visible,
            help: resultView.automationDialogs.help || spectrumSettings.helpVisible
        }),
        amplificationSections: amplificationSettings.sectionStates,
        spectrumDraft: {
            captureFrameRate: spectrumSettings.draftCaptureFrameRate,
            gridDensityIndex: spectrumSettings.draftGridDensityIndex,
            workerThreadCount: spectrumSettings.draftWorkerThreadCount
        },
        view: resultView.viewName,
        exportFormat: resultView.exportFormat,
        logarithmicColors: resultView.logarithmicColors,
        viewState: resultView.viewState
    })
    Connections {
        target: page.automation
        function onDialogOpenRequested(dialog) {
            if (dialog === WindowAutomation.VideoParameters)
                videoParameters.open()
            else if (dialog === WindowAutomation.AmplificationSettings)
                page.openSettings(amplificationSettings)
            else if (dialog === WindowAutomation.SpectrumSettings)
                page.openSettings(spectrumSettings)
            else if (dialog === WindowAutomation.SpectrumSettingsHelp)
                spectrumSettings.openHelp()
            else if (dialog === WindowAutomation.FrequencyFilterHelper)
                amplificationSettings.openFilterHelper()
        }
        function onDialogCloseRequested(dialog) {
            if (dialog === WindowAutomation.VideoParameters) {
                videoParameters.close()
            } else if (dialog === WindowAutomation.AmplificationSettings) {
                amplificationSettings.close()
            } else if (dialog === WindowAutomation.FrequencyFilterHelper) {
                amplificationSettings.closeFilterHelper()
            } else if (dialog === WindowAutomation.SpectrumSettings) {
                spectrumSettings.closeHelp()
                spectrumSettings.reject()
            } else if (dialog === WindowAutomation.SpectrumSettingsHelp) {
                spectrumSettings.closeHelp()
            }
        }
        function onDialogAcceptRequested(dialog) {
            if (dialog === WindowAutomation.SpectrumSettings)
                spectrumSettings.confirm()
            else if (dialog === WindowAutomation.AmplificationSettings)
                amplificationSettings.confirm()
        }
        function onSectionRequested(section) { page.resultTab = section }
        function onRegionEditingRequested(enabled) { page.requestRegionEditing(enabled) }
        function onAmplificationSectionRequested(section, expanded) {
            amplificationSettings.setSectionExpanded(section, expanded)
        }
        function onAmplificationSectionScrollRequested(section) {
            amplificationSettings.scrollToSection(section)
        }
        function onAmplificationParametersShown(names) { amplificationSettings.revealParameters(names) }
        function onSpectrumDraftRequested(captureFrameRate, densityIndex, workerThreadCount,
                                          revealResources) {
            spectrumSettings.draftCaptureFrameRate = captureFrameRate
            spectrumSettings.draftGridDensityIndex = densityIndex
            spectrumSettings.draftWorkerThreadCount = workerThreadCount
            if (revealResources)
                spectrumSettings.revealResources()
        }
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
                automation: page.automation
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
        processingSettings: page.processingSettings
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
