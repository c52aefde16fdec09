import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui

// The spectrum section's right side: the analysis header, the representation switch and the
// container of the five representations, with the analysis export dialog.
Panel {
    id: view

    required property var spectrum
    required property WindowAutomation automation
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
            onClicked: view.openExportDialog()
        }
    ]

    // The export dialog, when a result can be exported and nothing else is shown over it.
    function openExportDialog() {
        if (ready && interactionEnabled && !anyDialogOpen && spectrum.canExportReport)
            exportDialog.open()
    }

    // The representations in their numbering; each but the bands table answers viewState() and
    // resetView(), the frame views setFrameView() and the plots setRange().
    readonly property var representationItems: [chartView, mapView, pointsView, bandsTable, phaseView]
    readonly property var currentView: representationItems[representation]
    readonly property bool resultShown: ready && !busy

    onRepresentationChanged: if (representation !== 2) displayMode = 0

    // The second row: candidate, phase inputs and band application on the frame-based views.
    readonly property bool secondRowShown: representation === 1 || representation === 2
                                           || representation === 4
    readonly property var candidates: spectrum ? spectrum.candidates : []
    readonly property bool onPhaseMap: representation === 4
    // The candidate of the selected band (on the phase map, also of the phase frequency).
    readonly property int selectedCandidate: !spectrum ? -1 : onPhaseMap ? spectrum.phaseCandidate
                                                                         : spectrum.selectedCandidate
    readonly property bool candidateChoiceEnabled: interactionEnabled && !busy && !!spectrum
                                                   && !spectrum.stale && candidates.length > 0
    NumberFormatter { id: numbers }
    function frequencyText(hz) { return numbers.frequency(hz, spectrum ? spectrum.frequencyStepHz : 0) }
    function percentText(fraction) {
        const value = fraction * 100
        return qsTr("%1 %").arg(numbers.fixed(value, numbers.significantDecimals(value, 4, 12)))
    }
    function candidateText(c) {
        return qsTr("%1 Hz · %2").arg(frequencyText(c.frequencyHz))
                                 .arg(c.bandPowerAvailable ? percentText(c.relativeBandPower) : "—")
    }
    readonly property string noCandidateText: {
        if (!spectrum)
            return ""
        if (onPhaseMap && !(spectrum.phaseFrequencyHz > 0))
            return qsTr("Choose a candidate for relative phase")
        if (spectrum.selectedUpperFrequencyHz > spectrum.selectedLowerFrequencyHz)
            return qsTr("Custom band: %1–%2 Hz").arg(frequencyText(spectrum.selectedLowerFrequencyHz))
                                                .arg(frequencyText(spectrum.selectedUpperFrequencyHz))
        return qsTr("No frequency band selected")
    }

    readonly property string cancelledText: qsTr("Spectrum calculation cancelled")
    readonly property string statusText: !spectrum ? ""
                                         : busy ? spectrum.stageName
                                         : spectrum.stale ? qsTr("Spectrum is outdated. Recalculate before applying a band.")
                                         : ready ? ""
                                         : spectrum.cancelled ? cancelledText : ""
    readonly property string detailsText: !spectrum ? ""
        // The camera motion first: on a short window only the first lines show.
        : [statusText, ready ? spectrum.cameraMotionSummary : "",
           ready ? spectrum.resultSummary : "", spectrum.errorMessage,
           spectrum.warningMessage, spectrum.reportMessage, spectrum.bandValidationMessage,
           spectrum.bandApplicationMessage, ready && spectrum.cancelled ? cancelledText : ""]
          .filter(text => text.length > 0).join("\n\n")

    // A run that ends without a result but with points shows the points, so that the user
    // sees why they were rejected.
    property bool wasBusy: false
    Connections {
        target: view.spectrum
        function onStateChanged() {
            const nowBusy = view.spectrum.busy
            if (view.wasBusy && !nowBusy && !view.spectrum.ready
                    && view.spectrum.diagnosticSiteCount > 0) {
                view.representation = 2
                view.displayMode = 0
            }
            view.wasBusy = nowBusy
        }
    }

    readonly property var helpTitles: [qsTr("Reading the spectrum"), qsTr("Reading the band power map"),
                                       qsTr("Reading the analysis points"), qsTr("Reading the bands table"),
                                       qsTr("Reading the phase map")]
    readonly property string helpTitle: helpTitles[representation]
    readonly property string helpText: {
        switch (representation) {
        case 1:
            return qsTr("Each coloured cell is one analysis point on the first frame of the fragment. Its colour shows how much motion in the selected frequency band this point carries, as a percentage of the strongest point in the same band (100 %). The map shows where on the equipment the selected frequency is strongest; it is a relative measure, not a displacement in millimetres.\n\nCells without a reliable signal in the band, and cells below 0.01 % on the logarithmic scale, stay transparent. The yellow frame marks the analysis region.\n\nChoose another candidate above, or select a band on the spectrum chart, to redraw the map. Power map settings switch between the logarithmic scale, which keeps weak areas visible next to strong ones, and the linear scale, which makes only the strongest areas stand out.\n\nHover over a cell to read its value and the local peak frequency. Zoom with the mouse wheel, drag to pan, double-click to see the whole frame.")
        case 2:
            return qsTr("Each marker is one analysis point of the grid on the first frame of the fragment. Green points were accepted into the spectrum; red points were excluded, for example because the image there has too little texture, the motion could not be followed, or the continuous part of the signal is too short.\n\nClick a point to select it. Its signal trace shows the measured motion over time, and its local spectrum shows the frequencies at this point alone, which tells a local vibration from one that the whole structure shares.\n\nWhen many points are excluded, choose a region with more visible texture, improve the lighting, keep the camera still or use a longer fragment.")
        case 3:
            return qsTr("Each row is a frequency candidate: a spectral peak worth investigating, not proof of a mechanical vibration.\n\nBand power is the share of the total motion power inside the candidate's band. Contrast compares the peak with its neighbouring frequencies. Support is the share of accepted points at which the frequency stands out: a vibration of the whole structure has wide support, a local one narrow support. Stability tells in how many halves of the fragment the peak is found again.\n\nA strong, high-contrast peak with wide support and full stability is the most trustworthy. Click a row to select its band; right-click to apply it to the vibration amplification.")
        case 4:
            return qsTr("The phase map compares the timing of the motion at one frequency across the analysis points. Each cell's colour is the phase of that point's motion relative to the reference point, marked with a ring, from −180° to 180°. The scale is cyclic: −180° and 180° have the same colour.\n\nPoints that move together share the reference's colour (0°). Points near ±180° move in antiphase, as in rocking, bending or torsion. A gradual change of colour along a part suggests a travelling wave or a mode shape.\n\nTo calculate: choose a candidate frequency above, click a cell to make it the reference, choose the component (X horizontal, Y vertical motion in the image) and press Calculate phase. Each pair of points uses only the interval in which both signals are continuous. Cells without a stable estimate stay uncoloured; shaded cells were excluded from the analysis and cannot be a reference.\n\nThe phase is meaningful only where the point clearly moves at the chosen frequency: check the band power map first.")
        default:
            return spectrum ? spectrum.analysisHelp : ""
        }
    }

    // Automation: what the result view shows, and the actions the automation object accepted.
    readonly property var automationDialogs: ({
        analysis_export: exportDialog.visible,
        export_destination: exportDialog.destinationVisible,
        map_settings: mapSettings.visible,
        help: help.visible || mapSettings.helpVisible || exportDialog.helpVisible
    })
    readonly property int exportFormat: exportDialog.formatIndex
    readonly property var viewState: representation === 3 ? ({}) : currentView.viewState()
    Connections {
        target: view.automation
        function onDialogOpenRequested(dialog) {
            if (dialog === WindowAutomation.AnalysisExport)
                exportDialog.open()
            else if (dialog === WindowAutomation.ExportDestination)
                exportDialog.openDestinationChooser()
            else if (dialog === WindowAutomation.AnalysisExportHelp)
                exportDialog.openHelp()
            else if (dialog === WindowAutomation.MapSettings)
                mapSettings.open()
            else if (dialog === WindowAutomation.MapSettingsHelp)
                mapSettings.openHelp()
            else if (dialog === WindowAutomation.ResultHelp)
                help.open()
        }
        function onDialogCloseRequested(dialog) {
            if (dialog === WindowAutomation.AnalysisExport) {
                exportDialog.closeDestinationChooser()
                exportDialog.closeHelp()
                exportDialog.reject()
            } else if (dialog === WindowAutomation.ExportDestination) {
                exportDialog.closeDestinationChooser()
            } else if (dialog === WindowAutomation.MapSettings) {
                mapSettings.close()
            } else if (dialog === WindowAutomation.ResultHelp) {
                help.close()
                mapSettings.closeHelp()
                exportDialog.closeHelp()
            }
        }
        function onViewRequested(representation, displayMode) {
            view.representation = representation
            view.displayMode = displayMode
        }
        function onExportFormatRequested(format) { exportDialog.formatIndex = format }
        function onMapColorsRequested(logarithmic) { view.logarithmicColors = logarithmic }
        function onViewResetRequested() { view.currentView.resetView() }
        function onFrameViewRequested(zoom, panX, panY) {
            view.automation.report(view.currentView.setFrameView(zoom, panX, panY))
        }
        function onRangeViewRequested(lower, upper) {
            if (!view.currentView.setRange(lower, upper))
                view.automation.report(WindowAutomation.InvalidView)
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.spacing
        spacing: Theme.smallSpacing

        // Wraps onto a second line rather than pushing anything out of a narrow panel.
        Flow {
            id: representationRow
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
                text: "?"
                tip: view.helpTitle
                Accessible.name: view.helpTitle
                onClicked: help.open()
            }
        }
        // Second row: what the frame-based views show and what can be done with it.
        Flow {
            Layout.fillWidth: true
            visible: view.secondRowShown && view.currentView.visible
            spacing: Theme.smallSpacing

            ComboBox {
                id: candidateChoice
                objectName: "candidateChoice"
                // As wide as its widest entry or hint, within the row: a width that followed the
                // shown text made the row jump under the pointer.
                width: Math.min(parent.width, Math.max(150, widest + 60))
                implicitHeight: 32
                font.pixelSize: Theme.smallFontSize + 1
                readonly property real widest: {
                    const texts = view.candidates.map(c => view.candidateText(c))
                                      .concat(view.selectedCandidate < 0 ? [view.noCandidateText] : [])
                    return texts.reduce((w, t) => Math.max(w, choiceMetrics.advanceWidth(t)), 0)
                }
                FontMetrics {
                    id: choiceMetrics
                    font: candidateChoice.font
                }
                Accessible.name: qsTr("Frequency candidate and band power")
                enabled: view.candidateChoiceEnabled
                model: view.candidates.map(c => view.candidateText(c))
                currentIndex: view.selectedCandidate
                displayText: view.selectedCandidate >= 0 ? view.candidateText(view.candidates[view.selectedCandidate])
                                                         : view.noCandidateText
                onActivated: index => {
                    view.spectrum.selectCandidate(index)
                    // Activation assigned the index; the controller's selection decides it.
                    currentIndex = Qt.binding(() => view.selectedCandidate)
                }
            }
            ComboBox {
                id: axisChoice
                visible: view.onPhaseMap
                implicitHeight: 32
                font.pixelSize: Theme.smallFontSize + 1
                // Wide enough for the longest translated entry.
                implicitContentWidthPolicy: ComboBox.WidestText
                Accessible.name: qsTr("Motion component for the phase")
                enabled: view.interactionEnabled && !!view.spectrum && !view.spectrum.phaseBusy
                model: [qsTr("Component X"), qsTr("Component Y")]
                currentIndex: view.spectrum ? view.spectrum.phaseAxis : 0
                onActivated: index => {
                    view.spectrum.setPhaseAxis(index)
                    currentIndex = Qt.binding(() => view.spectrum.phaseAxis)
                }
            }
            ToolTextButton {
                id: phaseButton
                objectName: "phaseButton"
                height: candidateChoice.height
                visible: view.onPhaseMap
                readonly property bool running: !!view.spectrum && view.spectrum.phaseBusy
                text: !running ? qsTr("Calculate phase")
                      : view.spectrum.phaseCancelling ? qsTr("Cancelling phase calculation…")
                      : qsTr("Cancel phase calculation")
                enabled: !!view.spectrum && (running ? !view.spectrum.phaseCancelling
                                                     : view.spectrum.phaseCanCalculate)
                onClicked: running ? view.spectrum.cancelPhaseMap() : view.spectrum.calculatePhaseMap()
            }
            BusyIndicator {
                visible: running
                running: phaseButton.running
                width: phaseButton.height
                height: phaseButton.height
            }
            ToolTextButton {
                height: candidateChoice.height
                text: qsTr("Apply to vibration amplification")
                enabled: view.interactionEnabled && !view.busy && !!view.spectrum && view.spectrum.canApplyBand
                onClicked: Qt.callLater(() => view.spectrum.applyBandToAmplification())
            }
            ToolTextButton {
                height: candidateChoice.height
                visible: view.representation === 1
                text: qsTr("Power map settings")
                onClicked: mapSettings.open()
            }
            // The help stays in the row above while that row is shown.
            ToolTextButton {
                height: candidateChoice.height
                visible: !representationRow.visible
                text: "?"
                tip: view.helpTitle
                Accessible.name: view.helpTitle
                onClicked: help.open()
            }
        }
        Rectangle {
            id: stage
            Layout.fillWidth: true
            Layout.fillHeight: true
            color: Theme.surfaceAlt
            radius: Theme.radius

            // Only the shown representation follows the stage's size: resizing a hidden one would
            // repaint its painted items too, which made every switch that moves the second row
            // cost a few tens of milliseconds.
            Repeater {
                model: view.representationItems
                delegate: Item {
                    required property Item modelData
                    Binding {
                        target: modelData
                        property: "width"
                        value: stage.width
                        when: modelData.visible
                        restoreMode: Binding.RestoreNone
                    }
                    Binding {
                        target: modelData
                        property: "height"
                        value: stage.height
                        when: modelData.visible
                        restoreMode: Binding.RestoreNone
                    }
                }
            }

            SpectrumChartView {
                id: chartView
                visible: view.representation === 0 && view.resultShown
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
            }
            BandMapView {
                id: mapView
                visible: view.representation === 1 && view.resultShown
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
                logarithmicColors: view.logarithmicColors
            }
            PointsView {
                id: pointsView
                // Shown also without a result, so that rejected points can be seen.
                visible: view.representation === 2 && !view.busy
                         && (view.ready || (!!view.spectrum && view.spectrum.diagnosticSiteCount > 0))
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
                displayMode: view.displayMode
                onDisplayModeRequested: mode => view.displayMode = mode
            }
            BandsTable {
                id: bandsTable
                visible: view.representation === 3 && view.resultShown
                spectrum: view.spectrum
                interactionEnabled: view.interactionEnabled
            }
            PhaseMapView {
                id: phaseView
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
                      : !view.ready && view.statusText.length > 0 ? view.statusText
                      : !view.ready ? qsTr("No spectrum yet. Choose Start analysis to calculate one.")
                      : view.spectrum.resultSummary
            }
        }
        // The status and details beside a shown representation: a few lines, the rest scrolls,
        // so that a new message below the summary is never cut off.
        ScrollView {
            id: detailsView
            Layout.fillWidth: true
            // Two lines on a short window leave the representation its room.
            Layout.preferredHeight: Math.min(details.implicitHeight,
                                             (view.height < 560 ? 2 : 6) * detailsMetrics.height)
            visible: view.currentView.visible && view.detailsText.length > 0
            contentWidth: availableWidth
            Label {
                id: details
                width: detailsView.availableWidth
                wrapMode: Text.Wrap
                font.pixelSize: Theme.smallFontSize
                color: view.statusText.length > 0 || (!!view.spectrum && view.spectrum.hasError)
                       ? Theme.warning : Theme.textMuted
                text: view.detailsText
            }
            FontMetrics { id: detailsMetrics; font: details.font }
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
        onAboutToHide: mapHelp.close()
        // The platform's button texts are not translated with the program's catalogue.
        standardButtons: Dialog.Help | Dialog.Close
        Component.onCompleted: {
            standardButton(Dialog.Help).text = qsTr("Help")
            standardButton(Dialog.Close).text = qsTr("Close")
        }
        onHelpRequested: mapHelp.open()
        width: Math.min(520, parent.width - 48)
        ColumnLayout {
            width: parent.width
            spacing: Theme.smallSpacing
            ButtonGroup { id: colourScales }
            Label {
                text: qsTr("Colour scale of the band power map")
                font.bold: true
            }
            Repeater {
                model: [
                    { logarithmic: true, name: qsTr("Logarithmic"),
                      detail: qsTr("Each colour step is ten times more power, from 0.01 % to 100 % of the strongest point. Weak areas stay visible next to strong ones.") },
                    { logarithmic: false, name: qsTr("Linear"),
                      detail: qsTr("Colour proportional to power. Only the strongest areas stand out; everything below a few per cent looks alike.") }
                ]
                delegate: ColumnLayout {
                    required property var modelData
                    Layout.fillWidth: true
                    spacing: 0
                    RadioButton {
                        text: modelData.name
                        checked: view.logarithmicColors === modelData.logarithmic
                        ButtonGroup.group: colourScales
                        onToggled: if (checked) view.logarithmicColors = modelData.logarithmic
                    }
                    Label {
                        Layout.fillWidth: true
                        Layout.leftMargin: 36
                        wrapMode: Text.Wrap
                        color: Theme.textMuted
                        font.pixelSize: Theme.smallFontSize
                        text: modelData.detail
                    }
                }
            }
        }
        Dialog {
            id: mapHelp
            title: qsTr("Power map colour scales")
            modal: true
            parent: Overlay.overlay
            anchors.centerIn: parent
            readonly property real textWidth: Math.min(480, parent.width - 96)
            width: textWidth + leftPadding + rightPadding
            standardButtons: Dialog.Close
            Component.onCompleted: standardButton(Dialog.Close).text = qsTr("Close")
            Label {
                width: mapHelp.textWidth
                wrapMode: Text.Wrap
                text: qsTr("The band power map colours each analysis point by the power of its motion inside the selected band, as a percentage of the strongest point in that band.\n\nThe logarithmic scale spreads the colours over four decades: 0.01 %, 0.1 %, 1 %, 10 % and 100 % are equally far apart. Use it to find every place that moves at the selected frequency, including weak ones, for example to see how far a vibration spreads from its source.\n\nThe linear scale gives 25 %, 50 % and 75 % equal steps. Use it to compare the strongest areas with each other; weak points then all look dark.\n\nPoints below 0.01 % or without a reliable signal stay transparent on both scales. The exported power map image and report use the scale chosen here.")
            }
        }
    }
    Dialog {
        id: help
        title: view.helpTitle
        modal: true
        parent: Overlay.overlay
        anchors.centerIn: parent
        // Fixed from the window, not from the dialog's own size: no layout feedback.
        readonly property real textWidth: Math.min(580, parent.width - 96)
        standardButtons: Dialog.Close
        Component.onCompleted: standardButton(Dialog.Close).text = qsTr("Close")
        // Long texts scroll inside a window-high dialog.
        // An explicit width: the title changes with the representation, and the button box
        // would otherwise take part in the dialog's implicit width.
        width: textWidth + leftPadding + rightPadding
        contentHeight: Math.min(helpLabel.implicitHeight, parent.height - 200)
        ScrollView {
            anchors.fill: parent
            contentWidth: help.textWidth
            Label {
                id: helpLabel
                width: help.textWidth
                wrapMode: Text.Wrap
                text: view.helpText
            }
        }
    }
}
