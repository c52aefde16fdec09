import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme
import OrviMotion.Ui
import OrviMotion.Ui.Items

// Representation 0: the spectrum chart. A drag marks a band and zooms to it, a click picks
// the one-bin band under the pointer, a double click shows the whole range, the wheel zooms
// about the pointer and a right click on the selected band offers to apply it.
Item {
    id: chart

    required property var spectrum
    property bool interactionEnabled: true

    readonly property bool canApply: !!spectrum && !spectrum.busy && !spectrum.phaseBusy
                                     && !spectrum.reportBusy && !spectrum.stale
                                     && spectrum.canApplyBand

    // Automation contract shared by the representations.
    function viewState() { return { lower: plot.viewLower, upper: plot.viewUpper } }
    function resetView() { plot.resetView() }
    // False when the chart cannot show that range.
    function setRange(lower, upper) { return plot.setView(lower, upper) }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.smallSpacing
        spacing: Theme.smallSpacing

        SpectrumChartItem {
            id: plot
            objectName: "spectrumChart"
            Layout.fillWidth: true
            Layout.fillHeight: true
            points: chart.spectrum ? chart.spectrum.spectrumPoints : []
            candidates: chart.spectrum ? chart.spectrum.candidates : []
            minimumFrequencyHz: chart.spectrum ? chart.spectrum.minimumFrequencyHz : 0
            maximumFrequencyHz: chart.spectrum ? chart.spectrum.maximumFrequencyHz : 0
            frequencyStepHz: chart.spectrum ? chart.spectrum.frequencyStepHz : 0.1
            selectedLowerHz: chart.spectrum ? chart.spectrum.selectedLowerFrequencyHz : 0
            selectedUpperHz: chart.spectrum ? chart.spectrum.selectedUpperFrequencyHz : 0
            frequencyTitle: qsTr("Frequency, Hz")
            powerTitle: qsTr("Relative power")
            plotColor: Theme.surface
            curveColor: Theme.accent
            bandColor: Theme.region
            draftColor: Theme.textMuted
            markerColor: Theme.text

            MouseArea {
                id: pointer
                anchors.fill: parent
                enabled: chart.interactionEnabled
                hoverEnabled: true
                acceptedButtons: Qt.LeftButton | Qt.RightButton

                property point pressPoint
                property bool drafting: false
                property bool dragged: false
                property real clickedHz: 0

                function cancelDraft() {
                    drafting = false
                    plot.endDraft()
                }

                onPressed: mouse => {
                    if (!plot.inPlot(mouse.x, mouse.y))
                        return
                    if (mouse.button === Qt.RightButton) {
                        if (plot.inSelectedBand(mouse.x))
                            bandMenu.popup()
                        return
                    }
                    pressPoint = Qt.point(mouse.x, mouse.y)
                    drafting = true
                    dragged = false
                    plot.beginDraft(mouse.x)
                }
                onPositionChanged: mouse => {
                    if (plot.inPlot(mouse.x, mouse.y))
                        plot.hoverAt(mouse.x)
                    else
                        plot.clearHover()
                    if (!drafting)
                        return
                    if (Math.hypot(mouse.x - pressPoint.x, mouse.y - pressPoint.y) > 3)
                        dragged = true
                    plot.updateDraft(mouse.x)
                }
                onReleased: mouse => {
                    if (mouse.button !== Qt.LeftButton || !drafting)
                        return
                    if (dragged) {
                        plot.updateDraft(mouse.x)
                        chart.spectrum.setSelectedBand(plot.draftLower, plot.draftUpper)
                        plot.zoomToDraft()
                    } else {
                        // Wait: this may be the first half of a double click.
                        clickedHz = plot.frequencyAtX(pressPoint.x)
                        singleClick.restart()
                    }
                    cancelDraft()
                }
                // Comes after the second press, so its draft and release are dropped too.
                onDoubleClicked: mouse => {
                    if (mouse.button !== Qt.LeftButton)
                        return
                    singleClick.stop()
                    cancelDraft()
                    plot.resetView()
                }
                onWheel: wheel => {
                    if (wheel.angleDelta.y !== 0 && plot.inPlot(wheel.x, wheel.y))
                        plot.zoomAt(wheel.x, wheel.angleDelta.y > 0)
                }
                onExited: plot.clearHover()
                onCanceled: cancelDraft()
                onEnabledChanged: if (!enabled) {
                    singleClick.stop()
                    cancelDraft()
                    plot.clearHover()
                }
            }
        }

        Label {
            id: footer
            objectName: "spectrumChartReadout"
            Layout.fillWidth: true
            Layout.leftMargin: plot.plotRect.x
            color: Theme.textMuted
            font.pixelSize: Theme.smallFontSize
            elide: Text.ElideRight
            text: {
                const s = chart.spectrum
                if (!s)
                    return ""
                // Read the step here so that the texts follow a new result's decimals.
                const step = plot.frequencyStepHz
                if (plot.hoverIndex >= 0)
                    return qsTr("%1 Hz · relative power %2")
                        .arg(plot.frequencyText(plot.hoverFrequencyHz)).arg(plot.powerText(plot.hoverPower))
                // A cleared selection is 0–0 Hz, which would read as a band at zero.
                if (!(s.selectedUpperFrequencyHz > s.selectedLowerFrequencyHz))
                    return qsTr("No band selected · grid: %1 Hz").arg(plot.frequencyText(step))
                return qsTr("Band: %1–%2 Hz · grid: %3 Hz")
                    .arg(plot.frequencyText(s.selectedLowerFrequencyHz))
                    .arg(plot.frequencyText(s.selectedUpperFrequencyHz)).arg(plot.frequencyText(step))
            }
        }
    }

    Timer {
        id: singleClick
        interval: Qt.styleHints.mouseDoubleClickInterval
        onTriggered: {
            if (!chart.spectrum || !chart.spectrum.ready || chart.spectrum.stale)
                return
            const band = plot.oneBinBand(pointer.clickedHz)
            chart.spectrum.setSelectedBand(band.lower, band.upper)
        }
    }

    Menu {
        id: bandMenu
        // Wide enough for the whole text in every language.
        width: Math.max(implicitWidth, applyItem.implicitWidth + leftPadding + rightPadding)
        MenuItem {
            id: applyItem
            text: qsTr("Apply in vibration amplifier")
            enabled: chart.canApply
            onTriggered: Qt.callLater(() => chart.spectrum.applyBandToAmplification())
        }
    }
}
