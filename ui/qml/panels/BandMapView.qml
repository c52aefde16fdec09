import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui
import OrviMotion.Ui.Items

// Representation 1: the band power map. The first frame with one coloured cell per accepted
// point, coloured by its power in the selected band. A click selects nothing here.
Item {
    id: map

    required property var spectrum
    property bool interactionEnabled: true
    property bool logarithmicColors: true

    readonly property bool available: !!spectrum && spectrum.mapAvailable
    readonly property var samples: visible && spectrum ? spectrum.mapSamples : []
    readonly property var hovered: hover.hovered && hover.cell >= 0 ? samples[hover.cell] : null

    // Automation contract shared by the representations.
    function viewState() { return viewport.viewState() }
    function resetView() { return viewport.resetView() }
    function setFrameView(zoom, panX, panY) { return viewport.setFrameView(zoom, panX, panY) }

    NumberFormatter { id: numbers }
    function fixed(value, decimals) { return numbers.fixed(value, decimals) }
    function hoverText(sample) {
        if (!sample.valid)
            return qsTr("This point has no reliable signal in the selected band.")
        const percent = sample.value * 100
        return qsTr("%1 % of the strongest point · local peak at %2 Hz")
            .arg(fixed(percent, percent >= 10 ? 1 : 2)).arg(fixed(sample.frequencyHz, 2))
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.smallSpacing
        spacing: Theme.smallSpacing

        FrameViewport {
            id: viewport
            objectName: "bandMapViewport"
            Layout.fillWidth: true
            Layout.fillHeight: true
            image: map.spectrum.mapFrame

            MapCellsItem {
                id: cells
                // Spans the visible view rather than the zoomed frame: the texture never grows
                // with the zoom.
                x: -parent.x
                y: -parent.y
                width: viewport.width
                height: viewport.height
                frameRect: Qt.rect(parent.x, parent.y, parent.width, parent.height)
                mode: MapCellsItem.BandPower
                samples: map.available ? map.samples : []
                logarithmicColors: map.logarithmicColors
                region: map.spectrum.mapRegion

                HoverHandler {
                    id: hover
                    readonly property int cell: {
                        const f = cells.frameRect
                        return f.width > 0 ? cells.cellAt((point.position.x - f.x) / f.width,
                                                          (point.position.y - f.y) / f.height) : -1
                    }
                }
            }
        }
        MapColorBarItem {
            Layout.fillWidth: true
            Layout.preferredHeight: implicitHeight
            visible: map.available
            mode: MapCellsItem.BandPower
            logarithmicColors: map.logarithmicColors
            title: map.logarithmicColors
                   ? qsTr("Band power, % of the strongest point · logarithmic scale")
                   : qsTr("Band power, % of the strongest point · linear scale")
        }
        Label {
            Layout.fillWidth: true
            // One line on a short view leaves the map its room; the whole text is the tooltip.
            readonly property int lines: map.height < 320 ? 1 : 2
            Layout.preferredHeight: Math.max(implicitHeight, lines * fontMetrics.height)
            wrapMode: Text.Wrap
            maximumLineCount: lines
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
            color: map.hovered ? Theme.text : Theme.textMuted
            font.pixelSize: Theme.smallFontSize
            text: map.hovered ? map.hoverText(map.hovered) : map.available ? map.spectrum.mapMessage : ""
            FontMetrics { id: fontMetrics; font.pixelSize: Theme.smallFontSize }
        }
    }
    // Without a map the reason stands over the frame, where the cells would be.
    Rectangle {
        visible: !map.available && !!map.spectrum
        anchors.centerIn: parent
        width: Math.min(parent.width - 2 * Theme.spacing, reason.implicitWidth + 2 * Theme.spacing)
        height: reason.implicitHeight + 2 * Theme.smallSpacing
        radius: Theme.radius
        color: Theme.hintBackground
        Label {
            id: reason
            anchors.fill: parent
            anchors.margins: Theme.smallSpacing
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            wrapMode: Text.Wrap
            color: Theme.textOnDark
            text: map.spectrum ? map.spectrum.mapMessage : ""
        }
    }
}
