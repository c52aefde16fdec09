import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui
import OrviMotion.Ui.Items

// Representation 4: the relative phase map. Every analysis point is a cell on the first frame;
// a click on a cell makes it the phase reference, and after a calculation each cell shows the
// phase of its motion against the reference on a cyclic colour scale.
Item {
    id: phase

    required property var spectrum
    property bool interactionEnabled: true

    readonly property var samples: visible && spectrum ? spectrum.phaseSamples : []
    readonly property var sites: visible && spectrum ? spectrum.diagnosticSites : []
    readonly property bool available: !!spectrum && spectrum.phaseAvailable
    readonly property int hoveredIndex: hover.hovered ? hover.cell : -1

    // Automation contract shared by the representations.
    function viewState() { return viewport.viewState() }
    function resetView() { return viewport.resetView() }
    function setFrameView(zoom, panX, panY) { return viewport.setFrameView(zoom, panX, panY) }

    NumberFormatter { id: numbers }
    function hoverText(index) {
        const sample = samples[index]
        const point = index + 1
        if (index < sites.length && !sites[index].accepted)
            return qsTr("Point %1: excluded from the analysis, cannot be a reference").arg(point)
        if (sample.valid)
            return qsTr("Point %1: %2° relative to the reference")
                .arg(point).arg(numbers.fixed(sample.phaseDegrees, 1))
        return sample.reason.length > 0 ? qsTr("Point %1: %2").arg(point).arg(sample.reason)
                                        : qsTr("Point %1").arg(point)
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.smallSpacing
        spacing: Theme.smallSpacing

        FrameViewport {
            id: viewport
            objectName: "phaseMapViewport"
            Layout.fillWidth: true
            Layout.fillHeight: true
            image: phase.spectrum.mapFrame
            // Edges belong to the cell: the first cell in order that contains the point wins.
            onFrameClicked: (u, v) => {
                if (!phase.interactionEnabled)
                    return
                const cell = cells.cellAt(u, v)
                if (cell >= 0)
                    phase.spectrum.setPhaseReferenceSite(phase.samples[cell].index)
            }

            MapCellsItem {
                id: cells
                // Spans the visible view rather than the zoomed frame: the texture never grows
                // with the zoom.
                x: -parent.x
                y: -parent.y
                width: viewport.width
                height: viewport.height
                frameRect: Qt.rect(parent.x, parent.y, parent.width, parent.height)
                mode: MapCellsItem.Phase
                samples: phase.samples
                sites: phase.sites
                region: phase.spectrum.mapRegion
                markedIndex: phase.spectrum.phaseReferenceSite

                HoverHandler {
                    id: hover
                    readonly property int cell: {
                        const f = cells.frameRect
                        return f.width > 0 ? cells.cellAt((point.position.x - f.x) / f.width,
                                                          (point.position.y - f.y) / f.height) : -1
                    }
                    cursorShape: cell >= 0 && phase.interactionEnabled ? Qt.PointingHandCursor
                                                                       : Qt.ArrowCursor
                }
            }
        }
        MapColorBarItem {
            Layout.fillWidth: true
            Layout.preferredHeight: implicitHeight
            visible: phase.available
            mode: MapCellsItem.Phase
            title: qsTr("Phase relative to the reference point, degrees (cyclic scale)")
        }
        Label {
            Layout.fillWidth: true
            Layout.preferredHeight: Math.max(implicitHeight, 2 * fontMetrics.height)
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
            // Before a phase map exists the message is the next step to take.
            color: phase.hoveredIndex >= 0 || !phase.available ? Theme.text : Theme.textMuted
            font.pixelSize: Theme.smallFontSize
            text: phase.hoveredIndex >= 0 ? phase.hoverText(phase.hoveredIndex)
                                          : phase.spectrum ? phase.spectrum.phaseMessage : ""
            FontMetrics { id: fontMetrics; font.pixelSize: Theme.smallFontSize }
        }
    }
}
