import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Window
import OrviMotion.Components
import OrviMotion.Pages
import OrviMotion.Theme
import OrviMotion.Ui

ApplicationWindow {
    id: window

    required property var applicationController
    readonly property var mediaRuntime: applicationController.mediaRuntime
    readonly property VideoSessionController videoSession: applicationController.videoSession
    readonly property AnalysisFragmentController analysisFragment: applicationController.analysisFragment
    readonly property ProcessingSettingsController processingSettings: applicationController.processingSettings
    readonly property PlaybackController playback: applicationController.playback
    readonly property PreviewController preview: applicationController.preview
    readonly property ExportController exporter: applicationController.exporter
    readonly property SpectrumController spectrum: applicationController.spectrum

    // A phase calculation or a report export is as busy as an analysis: opening another
    // video or closing under them would lose their work.
    readonly property bool operationBusy: videoSession.busy || preview.busy
                                          || !!(exporter && exporter.busy)
                                          || !!(spectrum && (spectrum.busy || spectrum.phaseBusy
                                                             || spectrum.reportBusy))

    property var pendingAction: null
    property bool continueAfterSave: false
    property bool saveStarted: false
    property bool saveAfterPause: false
    property bool closeAfterCancel: false
    property bool allowClose: false

    objectName: "orviMainWindow"
    title: applicationController.applicationDisplayName
    // The designed size, on a screen that holds it.
    width: Math.max(minimumWidth, Math.min(1440, Screen.desktopAvailableWidth))
    height: Math.max(minimumHeight, Math.min(900, Screen.desktopAvailableHeight))
    minimumWidth: 960
    minimumHeight: 600
    visible: true
    color: Theme.window

    // Window flows.
    function requestAction(action) {
        if (operationBusy)
            return
        if (preview.unsaved) {
            pendingAction = action
            unsavedDialog.open()
            return
        }
        action()
    }
    function openVideo(url) {
        requestAction(() => videoSession.openSource(url))
    }
    function requestSave() {
        if (!preview.ready || operationBusy || !exporter)
            return
        if (!exporter.available) {
            saveAfterPause = true
            playback.pause()
            return
        }
        saveDialog.folder = exporter.preferredDirectoryUrl
        saveDialog.currentFile = exporter.suggestedFileUrl
        saveDialog.open()
    }
    // The dialog starts in the open video's folder.
    function chooseVideo() {
        openDialog.folder = videoSession.folderUrl
        openDialog.open()
    }
    function dropParkedAction() {
        continueAfterSave = false
        pendingAction = null
    }
    function cancelEverything() {
        if (exporter)
            exporter.cancel()
        preview.cancel()
        if (spectrum)
            spectrum.cancel()
        videoSession.cancelAnalysis()
    }

    onClosing: (close) => {
        if (allowClose || (!operationBusy && !preview.unsaved))
            return
        close.accepted = false
        if (operationBusy) {
            busyCloseDialog.open()
            return
        }
        requestAction(() => {
            allowClose = true
            Qt.callLater(window.close)
        })
    }
    onOperationBusyChanged: {
        if (!operationBusy && closeAfterCancel) {
            closeAfterCancel = false
            Qt.callLater(window.close)
        }
    }

    Connections {
        target: window.exporter
        ignoreUnknownSignals: true
        function onStateChanged() {
            if (window.saveAfterPause && window.exporter.available) {
                window.saveAfterPause = false
                window.requestSave()
            }
            if (window.exporter.busy) {
                window.saveStarted = true
            } else if (window.saveStarted) {
                window.saveStarted = false
                const action = window.continueAfterSave && window.exporter.completed
                               ? window.pendingAction : null
                window.dropParkedAction()
                if (action)
                    action()
            }
        }
    }

    function windowDialogOpen() {
        return openDialog.visible || saveDialog.visible || aboutDialog.visible
               || unsavedDialog.visible || busyCloseDialog.visible
    }

    // Automation: the object judges each named action against what the window shows; the
    // window performs what it accepted.
    WindowAutomation {
        id: automation
        videoSession: window.videoSession
        processingSettings: window.processingSettings
        preview: window.preview
        spectrum: window.spectrum
        operationBusy: window.operationBusy
        windowDialogs: ({
            open_video: openDialog.visible, save_video: saveDialog.visible,
            about: aboutDialog.visible, unsaved: unsavedDialog.visible,
            busy_close: busyCloseDialog.visible
        })
        workspaceState: workspace.automationState
        spectrumSettingsHelpVisible: workspace.spectrumSettingsHelpVisible
        onDialogOpenRequested: (dialog) => {
            if (dialog === WindowAutomation.About)
                aboutDialog.open()
            else if (dialog === WindowAutomation.OpenVideo)
                window.chooseVideo()
            else if (dialog === WindowAutomation.SaveVideo)
                window.requestSave()
        }
        onDialogCloseRequested: (dialog) => {
            if (dialog === WindowAutomation.About)
                aboutDialog.close()
            else if (dialog === WindowAutomation.OpenVideo)
                openDialog.close()
            else if (dialog === WindowAutomation.SaveVideo)
                saveDialog.close()
        }
    }

    Shortcut {
        sequence: StandardKey.Open
        enabled: !window.operationBusy && !window.windowDialogOpen()
        onActivated: window.chooseVideo()
    }
    Shortcut {
        sequence: StandardKey.Save
        enabled: !window.operationBusy && window.preview.ready && !window.windowDialogOpen()
        onActivated: window.requestSave()
    }

    WorkspacePage {
        id: workspace
        anchors.fill: parent
        mediaRuntime: window.mediaRuntime
        videoSession: window.videoSession
        analysisFragment: window.analysisFragment
        processingSettings: window.processingSettings
        playback: window.playback
        preview: window.preview
        exporter: window.exporter
        spectrum: window.spectrum
        automation: automation
        onOpenRequested: if (!window.operationBusy) window.chooseVideo()
        onFileDropped: (url) => window.openVideo(url)
        onSaveRequested: window.requestSave()
        onAnalysisRequested: window.requestAction(() => window.preview.createPreview())
        onAboutRequested: aboutDialog.open()
    }

    FileChooser {
        id: openDialog
        title: qsTr("Open source video")
        nameFilters: window.videoSession.openFileFilters
        onAccepted: (file) => window.openVideo(file)
    }
    FileChooser {
        id: saveDialog
        title: qsTr("Save analysis result")
        saving: true
        defaultSuffix: "mp4"
        nameFilters: [qsTr("MP4 video (*.mp4)")]
        onAccepted: (file) => {
            if (window.exporter.setDestination(file) && window.exporter.canStart)
                Qt.callLater(window.exporter.startExport)
            else
                window.dropParkedAction()
        }
        onRejected: window.dropParkedAction()
    }
    Dialog {
        id: unsavedDialog
        title: qsTr("Unsaved analysis result")
        modal: true
        anchors.centerIn: parent
        width: Math.min(480, window.width - 64)
        closePolicy: Popup.CloseOnEscape
        Label {
            width: unsavedDialog.width - unsavedDialog.leftPadding - unsavedDialog.rightPadding
            wrapMode: Text.Wrap
            text: qsTr("The analysis result has not been saved. Save it before continuing?")
        }
        footer: DialogButtonBox {
            Button {
                text: qsTr("Save")
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
                onClicked: {
                    unsavedDialog.close()
                    window.continueAfterSave = true
                    window.requestSave()
                }
            }
            Button {
                text: qsTr("Discard")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: {
                    unsavedDialog.close()
                    const action = window.pendingAction
                    window.pendingAction = null
                    window.preview.acknowledgeDiscard()
                    if (action)
                        action()
                }
            }
            Button {
                text: qsTr("Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
                onClicked: {
                    unsavedDialog.close()
                    window.pendingAction = null
                }
            }
        }
        onRejected: window.pendingAction = null
    }
    Dialog {
        id: busyCloseDialog
        title: qsTr("Operation in progress")
        modal: true
        anchors.centerIn: parent
        width: Math.min(480, window.width - 64)
        standardButtons: Dialog.Yes | Dialog.No
        Label {
            width: busyCloseDialog.width - busyCloseDialog.leftPadding - busyCloseDialog.rightPadding
            wrapMode: Text.Wrap
            text: qsTr("Cancel the current operation and close the application after it stops?")
        }
        onAccepted: {
            window.closeAfterCancel = true
            window.cancelEverything()
        }
    }
    Dialog {
        id: aboutDialog
        title: qsTr("About")
        modal: true
        anchors.centerIn: parent
        standardButtons: Dialog.Close
        // The licences are long: they open below the summary on request.
        property bool licencesShown: false
        onClosed: licencesShown = false
        RowLayout {
            spacing: Theme.spacing
            Image {
                Layout.alignment: Qt.AlignTop
                source: "qrc:/ui/icons/application.png"
                sourceSize: Qt.size(64, 64)
                Layout.preferredWidth: 64
                Layout.preferredHeight: 64
            }
            ColumnLayout {
                Label {
                    text: window.applicationController.applicationDisplayName
                    font.pixelSize: 20
                }
                Label {
                    text: qsTr("Zazira analysis application")
                }
                Label {
                    text: qsTr("Makes small mechanical vibrations visible and measurable.")
                    color: Theme.textMuted
                }
                Label {
                    text: qsTr("Free software under the GNU GPL, version 3 or later.")
                    color: Theme.textMuted
                }
                Button {
                    text: aboutDialog.licencesShown ? qsTr("Hide licences") : qsTr("Licences")
                    onClicked: aboutDialog.licencesShown = !aboutDialog.licencesShown
                }
                ScrollView {
                    visible: aboutDialog.licencesShown
                    Layout.preferredWidth: Math.min(640, window.width - 180)
                    Layout.preferredHeight: Math.min(380, window.height - 300)
                    TextArea {
                        readOnly: true
                        selectByMouse: true
                        wrapMode: TextEdit.Wrap
                        text: aboutDialog.licencesShown ? window.applicationController.licenceNotice
                                                        : ""
                    }
                }
            }
        }
    }
}
