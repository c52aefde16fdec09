import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme

// The spectrum section's right side: the analysis header, the representation switch and the
// container of the five representations, with the analysis export dialog.
Panel {
    id: view

    required property var spectrum
    required property bool configureAllowed
    signal configureRequested()

    property int representation: 0
    property int displayMode: 0
    property bool logarithmicColors: true
    readonly property bool ready: !!(spectrum && spectrum.ready)
    readonly property bool busy: !!(spectrum && spectrum.busy)
    readonly property bool interactionEnabled: !(spectrum && (spectrum.phaseBusy || spectrum.reportBusy))
    readonly property var viewNames: ["spectrum", "map", "points", "bands", "phase"]
    readonly property string viewName: representation === 2 ? ["points", "signal", "local"][displayMode]
                                                              : viewNames[representation]
    readonly property bool anyDialogOpen: exportDialog.visible || mapSettings.visible || help.visible
                                          || exportDialog.helpVisible || mapSettings.helpVisible

    title: qsTr("Spectral analysis")
    tools: [
        ToolTextButton {
            text: view.busy ? qsTr("Stop") : qsTr("Start analysis")
            enabled: view.busy ? !!view.spectrum && !view.spectrum.cancelling : view.configureAllowed
            tip: view.busy ? qsTr("Cancel spectral analysis")
                           : qsTr("Configure and start spectral analysis")
            onClicked: view.busy ? view.spectrum.cancel() : view.configureRequested()
        },
        ToolTextButton {
            text: qsTr("Export…")
            visible: view.ready
            enabled: view.interactionEnabled && !!view.spectrum && view.spectrum.canExportReport
            onClicked: exportDialog.open()
        }
    ]

    // The representations in their numbering; each answers viewState(), resetView() and setView().
    readonly property var representationItems: [chartView, mapView, pointsView, bandsTable, phaseView]
    readonly property var currentView: representationItems[representation]
    readonly property bool resultShown: ready && !busy

    onRepresentationChanged: if (representation !== 2) displayMode = 0

    // Automation: state and actions of the result view level.
    function diagnosticState() {
        return {
            view: viewName,
            dialogs: {
                analysis_export: exportDialog.visible,
                export_destination: exportDialog.destinationVisible,
                map_settings: mapSettings.visible,
                help: help.visible || mapSettings.helpVisible || exportDialog.helpVisible
            },
            exportFormat: exportDialog.formatIndex,
            logarithmicColors: logarithmicColors,
            viewState: representation === 3 ? {} : currentView.viewState()
        }
    }
    function diagnosticAction(request) {
        const action = request.action
        const dialog = request.dialog
        if (action === "close_dialog") {
            if (dialog === "analysis_export") {
                exportDialog.closeDestinationChooser()
                exportDialog.closeHelp()
                exportDialog.reject()
            } else if (dialog === "export_destination") {
                exportDialog.closeDestinationChooser()
            } else if (dialog === "map_settings") {
                mapSettings.close()
            } else if (dialog === "help") {
                help.close()
                mapSettings.closeHelp()
                exportDialog.closeHelp()
            } else {
                return { ok: false, error: "unsupported_dialog" }
            }
            return { ok: true }
        }
        if (action === "open_dialog" && dialog === "export_destination")
            return exportDialog.openDestinationChooser() ? { ok: true }
                                                         : { ok: false, error: "unavailable" }
        if (action === "open_dialog" && dialog === "help") {
            if (exportDialog.visible)
                exportDialog.openHelp()
            else if (mapSettings.visible)
                mapSettings.openHelp()
            else if (ready && !busy)
                help.open()
            else
                return { ok: false, error: "no_result" }
            return { ok: true }
        }
        if (action === "set_export_format") {
            if (!exportDialog.visible)
                return { ok: false, error: "dialog_not_open" }
            const format = request.format
            if (typeof format !== "number" || !Number.isInteger(format) || format < 0 || format > 7)
                return { ok: false, error: "invalid_format" }
            exportDialog.formatIndex = format
            return { ok: true }
        }
        if (exportDialog.visible || mapSettings.visible || help.visible)
            return { ok: false, error: "modal_dialog_open" }
        if (!ready)
            return { ok: false, error: "no_result" }
        if (busy)
            return { ok: false, error: "busy" }
        if (action === "select_view") {
            const modes = { points: 0, signal: 1, local: 2 }
            const index = request.view === "signal" || request.view === "local" ? 2
                                                                                 : viewNames.indexOf(request.view)
            if (typeof request.view !== "string" || index < 0)
                return { ok: false, error: "invalid_view" }
            if (index === 2 && request.view !== "points" && spectrum.selectedDiagnosticSite < 0)
                return { ok: false, error: "no_selected_point" }
            representation = index
            displayMode = index === 2 ? modes[request.view] : 0
            return { ok: true }
        }
        if (action === "open_dialog") {
            if (dialog === "analysis_export") {
                if (!interactionEnabled || !spectrum.canExportReport)
                    return { ok: false, error: "unavailable" }
                exportDialog.open()
                return { ok: true }
            }
            if (dialog === "map_settings" && representation === 1) {
                mapSettings.open()
                return { ok: true }
            }
            return { ok: false, error: "unsupported_dialog" }
        }
        if (action === "set_map_colors") {
            if (typeof request.logarithmic !== "boolean")
                return { ok: false, error: "invalid_parameters" }
            logarithmicColors = request.logarithmic
            return { ok: true }
        }
        if (action === "reset_view")
            return representation === 3 ? { ok: false, error: "unsupported_view" } : currentView.resetView()
        if (action === "set_view")
            return representation === 3 ? { ok: false, error: "unsupported_view" } : currentView.setView(request)
        return { ok: false, error: "unsupported_action" }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.spacing
        spacing: Theme.smallSpacing

        // Wraps onto a second line rather than pushing anything out of a narrow panel.
        Flow {
            Layout.fillWidth: true
            visible: view.ready && !view.busy
            spacing: Theme.smallSpacing
            ButtonGroup { id: representations }
            Repeater {
                model: [qsTr("Spectrum"), qsTr("Bands"), qsTr("Points"), qsTr("Map"), qsTr("Phase")]
                delegate: ToolTextButton {
                    required property string modelData
                    required property int index
                    // Button order differs from the representation numbers.
                    readonly property int target: [0, 3, 2, 1, 4][index]
                    text: modelData
                    checkable: true
                    checked: view.representation === target
                    ButtonGroup.group: representations
                    onClicked: {
                        view.representation = target
                        view.displayMode = 0
                    }
                }
            }
            ToolTextButton {
                text: qsTr("Power map settings")
                visible: view.representation === 1
                onClicked: mapSettings.open()
            }
            ToolTextButton {
                text: "?"
                tip: qsTr("Reading the spectrum")
                Accessible.name: qsTr("Reading the spectrum")
                onClicked: help.open()
            }
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.fillHeight: true
            color: Theme.surfaceAlt
            radius: Theme.radius

            SpectrumChartView {
                id: chartView
                anchors.fill: parent
                visible: view.representation === 0 && view.resultShown
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
            }
            BandMapView {
                id: mapView
                anchors.fill: parent
                visible: view.representation === 1 && view.resultShown
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
                logarithmicColors: view.logarithmicColors
            }
            PointsView {
                id: pointsView
                anchors.fill: parent
                // Shown also without a result, so that rejected points can be seen.
                visible: view.representation === 2 && !view.busy
                         && (view.ready || (!!view.spectrum && view.spectrum.diagnosticSites.length > 0))
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
                displayMode: view.displayMode
                onDisplayModeRequested: mode => view.displayMode = mode
            }
            BandsTable {
                id: bandsTable
                anchors.fill: parent
                visible: view.representation === 3 && view.resultShown
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
            }
            PhaseMapView {
                id: phaseView
                anchors.fill: parent
                visible: view.representation === 4 && view.resultShown
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
            }
            Label {
                visible: !view.currentView.visible
                anchors.centerIn: parent
                width: parent.width - 48
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                color: view.spectrum && view.spectrum.hasError && !view.busy ? Theme.error : Theme.textMuted
                font.pixelSize: Theme.titleFontSize
                text: !view.spectrum ? qsTr("Spectral analysis is not available.")
                      : view.busy ? qsTr("%1 · %2 %").arg(view.spectrum.stageName)
                                                     .arg(Math.round(view.spectrum.progress * 100))
                      : view.spectrum.hasError ? view.spectrum.errorMessage
                      : !view.ready ? qsTr("No spectrum yet. Choose Start analysis to calculate one.")
                      : view.spectrum.stale ? qsTr("Spectrum is outdated. Recalculate before applying a band.")
                      : view.spectrum.resultSummary
            }
        }
    }

    AnalysisExportDialog {
        id: exportDialog
        parent: Overlay.overlay
        spectrum: view.spectrum
        logarithmicColors: view.logarithmicColors
    }
    Dialog {
        id: mapSettings
        readonly property bool helpVisible: mapHelp.visible
        function openHelp() { mapHelp.open() }
        function closeHelp() { mapHelp.close() }
        title: qsTr("Power map settings")
        modal: true
        parent: Overlay.overlay
        anchors.centerIn: parent
        standardButtons: Dialog.Close
        onAboutToHide: mapHelp.close()
        CheckBox {
            text: qsTr("Logarithmic colour scale")
            checked: view.logarithmicColors
            onToggled: view.logarithmicColors = checked
        }
        Dialog {
            id: mapHelp
            title: qsTr("Power map settings")
            modal: true
            parent: Overlay.overlay
            anchors.centerIn: parent
            standardButtons: Dialog.Close
            Label {
                text: qsTr("A logarithmic scale shows weak regions beside strong ones.")
            }
        }
    }
    Dialog {
        id: help
        title: qsTr("Reading the spectrum")
        modal: true
        parent: Overlay.overlay
        anchors.centerIn: parent
        standardButtons: Dialog.Close
        Label {
            width: 460
            wrapMode: Text.Wrap
            text: view.spectrum ? view.spectrum.analysisHelp : ""
        }
    }
}
