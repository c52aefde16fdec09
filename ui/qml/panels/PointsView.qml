import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui
import OrviMotion.Ui.Items

// Representation 2: the analysis points, and the signal and local spectrum of the selected one.
Item {
    id: points

    required property var spectrum
    property bool interactionEnabled: true
    // 0 points, 1 signal trace, 2 local spectrum; owned by the result view.
    property int displayMode: 0
    signal displayModeRequested(int mode)

    readonly property int selectedSite: spectrum ? spectrum.selectedDiagnosticSite : -1
    // One entry, not the whole list: a result has up to a few thousand points.
    readonly property var selectedEntry: spectrum && selectedSite >= 0
                                         && selectedSite < spectrum.diagnosticSiteCount
                                         ? spectrum.diagnosticSite(selectedSite) : null
    readonly property var amplitudes: spectrum && selectedSite >= 0 ? spectrum.selectedPointAmplitudes : []
    readonly property bool scaled: !!(spectrum && spectrum.hasLengthScale)
    readonly property int markerRadius: 10

    // Without a selected point there is no signal or spectrum to show.
    function returnToPointsIfNeeded() {
        if (selectedSite < 0 && displayMode !== 0)
            displayModeRequested(0)
    }
    onSelectedSiteChanged: returnToPointsIfNeeded()
    onDisplayModeChanged: returnToPointsIfNeeded()

    // Automation contract shared by the representations.
    function viewState() {
        if (displayMode === 0)
            return viewport.viewState()
        if (displayMode === 1)
            return { lower: signalPlot.viewLower, upper: signalPlot.viewUpper }
        return {}
    }
    function resetView() {
        if (displayMode === 0)
            viewport.resetView()
        else if (displayMode === 1)
            signalPlot.resetRange()
    }
    function setFrameView(zoom, panX, panY) { return viewport.setFrameView(zoom, panX, panY) }
    // The signal's time range; false when the plot cannot show it.
    function setRange(lower, upper) { return signalPlot.setRange(lower, upper) }

    // Selects the marker nearest to a frame point (fractions), if one is close enough.
    function pick(u, v) {
        if (!interactionEnabled || !spectrum)
            return
        const frame = markers.frameRect
        const index = markers.markerAt(Qt.point(frame.x + u * frame.width, frame.y + v * frame.height))
        if (index >= 0)
            spectrum.selectDiagnosticSite(index)
    }
    NumberFormatter { id: numbers }
    function fixed(value, decimals) { return numbers.fixed(value, decimals) }
    // Four significant digits, as the other amplitude texts.
    function significant(value, digits) {
        return numbers.significant(value === undefined ? NaN : value, digits === undefined ? 4 : digits)
    }
    function frequencyText(value, step) { return numbers.frequency(value, step) }
    // "0.2134 ± 0.011"; an unreliable estimate shows its noise only, never as a value.
    function displacementText(a) {
        const error = a.standardErrorPx === undefined ? "" : significant(a.standardErrorPx, 2)
        if (a.reliable)
            return qsTr("%1 ± %2").arg(significant(a.amplitudePx)).arg(error)
        return error.length > 0 ? qsTr("not reliable (± %1)").arg(error) : "—"
    }
    // "12.50 Hz: 0.213 ± 0.011 px · 37.50 Hz: not reliable (± 0.2) px" for the one-line summary.
    function amplitudeSummary() {
        const step = spectrum ? spectrum.frequencyStepHz : 0.1
        return amplitudes.map(a => qsTr("%1 Hz: %2 px").arg(frequencyText(a.frequencyHz, step))
                                                       .arg(displacementText(a))).join(" · ")
    }
    function statusText(entry) {
        return entry.accepted ? qsTr("Accepted") : qsTr("Excluded")
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.smallSpacing
        spacing: Theme.smallSpacing

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.smallSpacing
            Repeater {
                model: [qsTr("Points"), qsTr("Signal"), qsTr("Local spectrum")]
                delegate: ToolTextButton {
                    id: modeButton
                    required property string modelData
                    required property int index
                    text: modelData
                    checkable: true
                    checked: points.displayMode === index
                    enabled: index === 0 || points.selectedSite >= 0
                    onClicked: {
                        // The click toggled `checked`; the owner's mode decides it again.
                        checked = Qt.binding(() => points.displayMode === modeButton.index)
                        points.displayModeRequested(index)
                    }
                }
            }
            Label {
                Layout.fillWidth: true
                leftPadding: Theme.smallSpacing
                elide: Text.ElideRight
                color: points.selectedEntry && !points.selectedEntry.accepted ? Theme.error : Theme.text
                font.bold: true
                text: points.selectedEntry
                      ? qsTr("Point %1: %2").arg(points.selectedSite + 1).arg(points.statusText(points.selectedEntry))
                      : qsTr("No point selected")
            }
            CheckBox {
                id: detrend
                visible: points.displayMode === 1
                // Gives way (its text elides) before the row overflows a narrow view.
                Layout.fillWidth: true
                Layout.minimumWidth: 48
                Layout.maximumWidth: implicitWidth
                checked: true
                text: qsTr("Remove linear trend")
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: qsTr("Subtract each continuous run's mean and linear trend, as the local spectrum does")
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.fillHeight: true
            color: points.displayMode === 0 ? Theme.viewport : Theme.surface
            border.color: Theme.border
            radius: Theme.radius
            clip: true

            FrameViewport {
                id: viewport
                objectName: "pointsFrame"
                anchors.fill: parent
                anchors.margins: 1
                visible: points.displayMode === 0
                image: points.spectrum ? points.spectrum.diagnosticFrame : undefined
                onFrameClicked: (u, v) => points.pick(u, v)

                Rectangle {
                    readonly property rect region: points.spectrum ? points.spectrum.diagnosticRegion
                                                                   : Qt.rect(0, 0, 0, 0)
                    x: region.x * viewport.overlay.width
                    y: region.y * viewport.overlay.height
                    width: region.width * viewport.overlay.width
                    height: region.height * viewport.overlay.height
                    color: "transparent"
                    border.color: Theme.region
                    border.width: 2
                }
SiteMarkersItem {
                    id: markers
                    // Spans the visible view rather than the zoomed frame: the texture never
                    // grows with the zoom.
                    x: -parent.x
                    y: -parent.y
                    width: viewport.width
                    height: viewport.height
                    frameRect: Qt.rect(parent.x, parent.y, parent.width, parent.height)
                    spectrum: points.spectrum
                    selectedIndex: points.selectedSite
                    acceptedColor: Theme.success
                    excludedColor: Theme.error
                    outlineColor: Theme.viewport
                    selectionColor: Theme.textOnDark

                    HoverHandler {
                        id: markerHover
                        readonly property int index: hovered ? markers.markerAt(point.position) : -1
                        cursorShape: index >= 0 ? Qt.PointingHandCursor : Qt.ArrowCursor
                    }
                    ToolTip {
                        readonly property point centre: markers.markerCenter(markerHover.index)
                        x: centre.x + points.markerRadius
                        y: centre.y + points.markerRadius
                        visible: markerHover.index >= 0
                        delay: 300
                        text: visible ? qsTr("Point %1: %2").arg(markerHover.index + 1)
                                        .arg(points.statusText({ accepted: markers.markerAccepted(markerHover.index) }))
                                      : ""
                    }
                }
            }

            LinePlotItem {
                id: signalPlot
                objectName: "signalPlot"
                anchors.fill: parent
                anchors.margins: 1
                visible: points.displayMode === 1
                backgroundColor: Theme.surface
                xKey: "timeSeconds"
                validKey: "valid"
                curves: [{ lowKey: "xMin", highKey: "xMax", color: Theme.accent, label: qsTr("X component") },
                         { lowKey: "yMin", highKey: "yMax", color: Theme.warning, label: qsTr("Y component") }]
                xTitle: qsTr("Time, s")
                yTitle: qsTr("Local phase shift, rad")
                fullLower: 0
                fullUpper: points.spectrum ? points.spectrum.diagnosticDurationSeconds : 1
                // At least 32 samples stay visible when zooming in.
                minimumSpan: points.spectrum && points.spectrum.diagnosticSampleRate > 0
                             ? 32 / points.spectrum.diagnosticSampleRate : 0
                spanLower: points.spectrum ? points.spectrum.diagnosticSegmentStartSeconds : 0
                spanUpper: points.spectrum ? points.spectrum.diagnosticSegmentEndSeconds : 0
                spanColor: Qt.rgba(Theme.success.r, Theme.success.g, Theme.success.b, 0.12)
                samples: points.spectrum && points.selectedSite >= 0 && visible
                         ? points.spectrum.diagnosticTraceWindow(viewLower, viewUpper,
                                                                 Math.max(32, Math.round(width)),
                                                                 detrend.checked).samples
                         : []

                MouseArea {
                    anchors.fill: parent
                    property real lastX: 0
                    onPressed: mouse => lastX = mouse.x
                    onPositionChanged: mouse => {
                        signalPlot.panBy(mouse.x - lastX)
                        lastX = mouse.x
                    }
                    onDoubleClicked: signalPlot.resetRange()
                    onWheel: wheel => signalPlot.zoomAt(wheel.x, wheel.angleDelta.y > 0 ? 0.8 : 1.25)
                }
            }

            Label {
                anchors.centerIn: parent
                width: parent.width - 48
                visible: signalPlot.visible && signalPlot.samples.length === 0
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                color: Theme.textMuted
                font.pixelSize: Theme.titleFontSize
                text: qsTr("No signal was recorded at this point.")
            }
            LinePlotItem {
                id: localPlot
                anchors.fill: parent
                anchors.margins: 1
                visible: points.displayMode === 2 && !!points.spectrum && points.spectrum.localSpectrumAvailable
                backgroundColor: Theme.surface
                xKey: "frequencyHz"
                curves: [{ lowKey: "relativePower", highKey: "relativePower", color: Theme.accent, label: "" }]
                zeroBased: true
                xTitle: qsTr("Frequency, Hz")
                yTitle: qsTr("Relative power")
                markerColor: Theme.error
                fullLower: 0
                fullUpper: points.spectrum && points.spectrum.diagnosticSampleRate > 0
                           ? points.spectrum.diagnosticSampleRate / 2 : 1
                samples: points.spectrum ? points.spectrum.localSpectrumPoints : []
                markers: {
                    if (!points.spectrum)
                        return []
                    // Candidates muted, the largest bin named.
                    const list = points.spectrum.localSpectrumCandidates.map(c => ({ x: c.frequencyHz,
                                                                                    color: Theme.textMuted }))
                    list.push({ x: points.spectrum.localSpectrumPeakHz,
                                label: qsTr("Peak %1 Hz").arg(points.frequencyText(
                                    points.spectrum.localSpectrumPeakHz, points.spectrum.localSpectrumStepHz)) })
                    return list
                }
            }
            Label {
                anchors.centerIn: parent
                width: parent.width - 48
                visible: points.displayMode === 2 && !localPlot.visible
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                color: Theme.textMuted
                font.pixelSize: Theme.titleFontSize
                text: points.spectrum ? points.spectrum.localSpectrumMessage : ""
            }
        }

        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            maximumLineCount: points.height < 320 ? 1 : points.height < 420 ? 2 : 4
            elide: Text.ElideRight
            font.pixelSize: Theme.smallFontSize
            color: Theme.textMuted
            text: !points.spectrum ? ""
                  : points.displayMode === 0 ? points.spectrum.diagnosticText
                  : points.displayMode === 1 && points.selectedEntry
                    ? [points.selectedEntry.reason,
                       points.selectedEntry.accepted ? qsTr("The shaded span is the segment of the local spectrum.") : "",
                       signalPlot.samples.length > 0 ? qsTr("Wheel: zoom; drag: move; double click: whole fragment.") : ""]
                      .filter(t => t.length > 0).join(" ")
                  : points.displayMode === 2 && points.spectrum.localSpectrumAvailable
                    ? points.spectrum.localSpectrumMessage : ""
        }

        // The selected point's vibration at each candidate frequency of the spectrum. Its height
        // does not depend on the selection, so the frame above keeps its size; more candidates
        // than fit scroll.
        Rectangle {
            id: amplitudeBox
            Layout.fillWidth: true
            visible: !!points.spectrum && points.spectrum.ready
            readonly property int candidateCount: points.spectrum ? points.spectrum.candidates.length : 0
            // A short view shows one summary line; the table opens on request.
            readonly property bool compact: points.height < 420
            property bool expanded: false
            readonly property bool tableShown: !compact || expanded
            readonly property int shownRows: Math.max(1, Math.min(candidateCount, compact ? 3 : 5))
            implicitHeight: titleRow.implicitHeight + 2 * Theme.smallSpacing
                            + (tableShown ? 2 * cellMetrics.height + shownRows * cellMetrics.lineSpacing
                                            + Theme.smallSpacing : 0)
                            + (noteLabel.visible ? noteLabel.implicitHeight + 4 : 0)
                            + (strongestRow.visible ? strongestRow.implicitHeight + 4 : 0)
            color: Theme.surface
            border.color: Theme.border
            radius: Theme.radius
            FontMetrics { id: cellMetrics; font.pixelSize: Theme.smallFontSize }

            ColumnLayout {
                id: amplitudeColumn
                anchors.fill: parent
                anchors.margins: Theme.smallSpacing
                spacing: 4
                RowLayout {
                    id: titleRow
                    Layout.fillWidth: true
                    Label {
                        Layout.fillWidth: true
                        elide: Text.ElideRight
                        text: points.selectedSite < 0
                              ? qsTr("Select a point to see its vibration at each candidate frequency.")
                              : amplitudeBox.tableShown || points.amplitudes.length === 0
                                ? qsTr("Vibration at point %1").arg(points.selectedSite + 1)
                                : qsTr("Point %1: %2").arg(points.selectedSite + 1).arg(points.amplitudeSummary())
                        font.bold: points.selectedSite >= 0
                        color: points.selectedSite >= 0 ? Theme.text : Theme.textMuted
                        ToolTip.visible: titleHover.hovered && truncated
                        ToolTip.text: text
                        HoverHandler { id: titleHover }
                    }
                    ToolTextButton {
                        visible: amplitudeBox.compact && points.amplitudes.length > 0
                        topPadding: 2
                        bottomPadding: 2
                        text: amplitudeBox.expanded ? qsTr("Less") : qsTr("Table")
                        tip: qsTr("The vibration at this point at every candidate frequency")
                        onClicked: amplitudeBox.expanded = !amplitudeBox.expanded
                    }
                }
                ScrollView {
                    id: amplitudeScroll
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    visible: amplitudeBox.tableShown && points.amplitudes.length > 0
                    clip: true
                    contentWidth: amplitudeTable.width
                    // Plain rows of fixed columns: no layout to rearrange while the rows change.
                    Column {
                        id: amplitudeTable
                        // Quantity above unit keeps six columns narrow enough for the panel.
                        readonly property var headers: {
                            const pixels = [qsTr("Frequency\nHz"), qsTr("Displacement\npx, peak"), qsTr("Phase\n°")]
                            return points.scaled ? pixels.concat([qsTr("Displacement\nµm, peak"),
                                                                  qsTr("Velocity\nmm/s, RMS"),
                                                                  qsTr("Acceleration\nm/s², peak")])
                                                 : pixels
                        }
                        readonly property var rows: {
                            const step = points.spectrum ? points.spectrum.frequencyStepHz : 0.1
                            return points.amplitudes.map(a => {
                                const row = [points.frequencyText(a.frequencyHz, step),
                                             points.displacementText(a),
                                             a.phaseDegrees === undefined ? "—" : points.fixed(a.phaseDegrees, 1)]
                                return points.scaled ? row.concat([points.significant(a.displacementUm),
                                                                   points.significant(a.velocityMmPerSecondRms),
                                                                   points.significant(a.accelerationMetresPerSecond2)])
                                                     : row
                            })
                        }
                        readonly property var columnWidths: headers.map((header, column) => {
                            let widest = 0
                            for (const line of header.split("\n"))
                                widest = Math.max(widest, headerMetrics.advanceWidth(line))
                            for (const row of rows)
                                widest = Math.max(widest, cellMetrics.advanceWidth(row[column]))
                            return widest + 2 * Theme.spacing
                        })
                        width: columnWidths.reduce((sum, w) => sum + w, 0)
                        spacing: 2
                        FontMetrics { id: headerMetrics; font.pixelSize: Theme.smallFontSize; font.bold: true }
                        Repeater {
                            model: [amplitudeTable.headers].concat(amplitudeTable.rows)
                            delegate: Row {
                                required property var modelData
                                required property int index
                                Repeater {
                                    model: parent.modelData
                                    delegate: Label {
                                        required property string modelData
                                        required property int index
                                        width: amplitudeTable.columnWidths[index] ?? 0
                                        text: modelData
                                        font.bold: parent.index === 0
                                        font.pixelSize: Theme.smallFontSize
                                        color: parent.index === 0 ? Theme.textMuted : Theme.text
                                    }
                                }
                            }
                        }
                    }
                }
                // The line's strongest reliable point, one click away.
                RowLayout {
                    id: strongestRow
                    readonly property var line: {
                        const list = points.spectrum ? points.spectrum.candidates : []
                        for (const c of list) {
                            if (Math.abs(c.lowerFrequencyHz - points.spectrum.selectedLowerFrequencyHz) <= 1e-9
                                    && Math.abs(c.upperFrequencyHz - points.spectrum.selectedUpperFrequencyHz) <= 1e-9)
                                return c
                        }
                        return null
                    }
                    visible: amplitudeBox.tableShown && !!line && line.amplitudePoint >= 0
                    Layout.fillWidth: true
                    Label {
                        Layout.fillWidth: true
                        elide: Text.ElideRight
                        font.pixelSize: Theme.smallFontSize
                        color: Theme.textMuted
                        text: parent.line && parent.line.amplitudePoint >= 0
                              ? qsTr("Strongest reliable point at %1 Hz: point %2, %3 px.")
                                    .arg(points.frequencyText(parent.line.frequencyHz, points.spectrum.frequencyStepHz))
                                    .arg(parent.line.amplitudePoint + 1)
                                    .arg(points.significant(parent.line.strongestAmplitudePx))
                              : ""
                    }
                    ToolTextButton {
                        objectName: "strongestPointButton"
                        visible: !!parent.line && parent.line.amplitudePoint !== points.selectedSite
                        enabled: points.interactionEnabled
                        text: qsTr("Show it")
                        tip: qsTr("Select the strongest reliable point of this line")
                        onClicked: points.spectrum.selectDiagnosticSite(parent.line.amplitudePoint)
                    }
                }
                Label {
                    id: noteLabel
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                    font.pixelSize: Theme.smallFontSize
                    color: Theme.textMuted
                    text: points.selectedSite < 0 || amplitudeBox.compact ? ""
                          : points.amplitudes.length === 0
                          ? qsTr("Amplitudes are measured only at accepted points of the current spectrum.")
                          : (points.scaled ? "" : qsTr("Without a known length amplitudes are given in pixels only; draw one on the source video.") + " ")
                            + qsTr("± is the standard error.")
                    visible: text.length > 0
                }
                Item { Layout.fillHeight: true; visible: points.amplitudes.length === 0 }
            }
        }
    }
}
