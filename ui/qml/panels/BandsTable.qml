import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui

// The frequency candidates as a table: one row per candidate, a click selects its band, and
// the selected band can be applied to the amplification.
Item {
    id: table

    required property var spectrum
    property bool interactionEnabled: true

    readonly property var candidates: spectrum ? spectrum.candidates : []
    readonly property bool scaled: !!(spectrum && spectrum.hasLengthScale)
    readonly property int selectedIndex: spectrum ? spectrum.selectedCandidate : -1
    readonly property bool canApply: interactionEnabled && !!spectrum && !spectrum.busy
                                     && !spectrum.stale && spectrum.canApplyBand
    readonly property int frequencyDecimals: numbers.frequencyDecimals(spectrum ? spectrum.frequencyStepHz : 1)
    readonly property int noteWidth: 28
    readonly property var headerTitles: [
        [qsTr("Frequency"), qsTr("Frequency of the line, refined between the spectrum's bins")],
        [qsTr("Band"), qsTr("Frequency band selected by this candidate")],
        [qsTr("Peak power"), qsTr("Relative peak power, normalised within the analysis")],
        [qsTr("Band power"), qsTr("Share of the total power that lies inside the band")],
        [qsTr("Contrast"), qsTr("How far the line stands above the neighbouring bins, each point judged against its own noise")],
        [qsTr("Support"), qsTr("Share of accepted points at which the frequency stands out")],
        [qsTr("Stability"), qsTr("Fragment halves in which the peak is found again; — when the fragment is too short or has gaps")],
        [qsTr("Amplitude"), table.scaled
            ? qsTr("Displacement amplitude: median over the reliable points that carry the line, with its quartiles; px and µm peak, velocity RMS, acceleration peak")
            : qsTr("Displacement amplitude: median over the reliable points that carry the line, with its quartiles, px peak. Draw a known length on the source video for physical units.")]
    ]
    // Each column is at least as wide as its longest header word and its widest cell, so that
    // nothing is cut; a wider table shares out the rest, a narrower one scrolls sideways.
    readonly property var columnShares: [0.12, 0.16, 0.09, 0.10, 0.11, 0.09, 0.10, 0.23]
    readonly property var columnWidths: {
        const rows = candidates.map(c => cellTexts(c).concat([amplitudeText(c)],
                                                             physicalText(c).split("\n")))
        const available = tableArea.width - 2 * Theme.smallSpacing - noteWidth
        const widths = headerTitles.map((title, column) => {
            let least = 0
            for (const word of title[0].split(" "))
                least = Math.max(least, headerMetrics.advanceWidth(word))
            for (const row of rows) {
                const lines = column < 7 ? [row[column]] : row.slice(7)
                for (const line of lines)
                    least = Math.max(least, cellMetrics.advanceWidth(line))
            }
            return Math.max(least + 8, columnShares[column] * available)
        })
        const total = widths.reduce((sum, w) => sum + w, 0)
        if (total < available)
            widths[widths.length - 1] += available - total
        return widths
    }
    readonly property real rowWidth: columnWidths.reduce((sum, w) => sum + w, 0) + noteWidth
                                     + 2 * Theme.smallSpacing
    FontMetrics { id: headerMetrics; font.pixelSize: Theme.smallFontSize; font.bold: true }
    FontMetrics { id: cellMetrics; font.pixelSize: Theme.fontSize; font.bold: true }

    NumberFormatter { id: numbers }
    function fixed(value, decimals) { return numbers.fixed(value, decimals) }
    function percent(fraction, significant) {
        const value = fraction * 100
        const decimals = significant === undefined ? 1 : numbers.significantDecimals(value, significant, 6)
        return qsTr("%1 %").arg(fixed(value, decimals))
    }
    function hz(value) { return qsTr("%1 Hz").arg(fixed(value, frequencyDecimals)) }
    function cellTexts(c) {
        return [hz(c.frequencyHz),
                qsTr("%1–%2 Hz").arg(fixed(c.lowerFrequencyHz, frequencyDecimals))
                                .arg(fixed(c.upperFrequencyHz, frequencyDecimals)),
                fixed(c.relativePower, 3),
                c.bandPowerAvailable ? percent(c.relativeBandPower, 4) : "—",
                qsTr("%1 dB").arg(fixed(c.contrastDb, 1)),
                percent(c.spatialSupport),
                c.stabilityEvaluated ? qsTr("%1 of 2").arg(Math.round(c.stability * 2)) : "—"]
    }
    // The line's amplitude with the quartiles of its reliable points.
    function amplitudeText(c) {
        return c.amplitudePx === undefined ? "—"
             : qsTr("%1 (%2–%3) px").arg(fixed(c.amplitudePx, 3))
                                         .arg(fixed(c.amplitudeLowerPx, 3))
                                         .arg(fixed(c.amplitudeUpperPx, 3))
    }
    function physicalText(c) {
        if (!scaled || c.displacementUm === undefined)
            return ""
        return qsTr("%1 µm peak\n%2 mm/s RMS\n%3 m/s² peak").arg(fixed(c.displacementUm, 2))
                                                    .arg(fixed(c.velocityMmPerSecondRms, 3))
                                                    .arg(fixed(c.accelerationMetresPerSecond2, 3))
    }
    function apply() {
        if (canApply)
            Qt.callLater(() => table.spectrum.applyBandToAmplification())
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.smallSpacing
        spacing: Theme.smallSpacing

        Flickable {
            id: tableArea
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            contentWidth: table.rowWidth
            contentHeight: height
            flickableDirection: Flickable.HorizontalFlick
            boundsBehavior: Flickable.StopAtBounds
            // Shown whenever the columns are wider than the view, so that the rest is found.
            ScrollBar.horizontal: ScrollBar {
                policy: tableArea.contentWidth > tableArea.width + 1 ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
            }

            // Header row.
            Rectangle {
                id: headerBox
                width: table.rowWidth
                height: 42
                color: Theme.surface
                border.color: Theme.border
                radius: Theme.radius
                Row {
                    id: header
                    anchors.fill: parent
                    anchors.leftMargin: Theme.smallSpacing
                    anchors.rightMargin: Theme.smallSpacing
                    Repeater {
                        model: table.headerTitles
                        delegate: Label {
                            required property var modelData
                            required property int index
                            width: table.columnWidths[index]
                            height: header.height
                            verticalAlignment: Text.AlignVCenter
                            text: modelData[0]
                            font.bold: true
                            font.pixelSize: Theme.smallFontSize
                            color: Theme.text
                            // Between words only: a column is never narrower than its longest one.
                            wrapMode: Text.WordWrap
                            maximumLineCount: 2
                            rightPadding: 4
                            ToolTip.visible: headerMouse.containsMouse
                            ToolTip.delay: 600
                            ToolTip.text: modelData[1]
                            MouseArea { id: headerMouse; anchors.fill: parent; hoverEnabled: true }
                        }
                    }
                }
            }

            ListView {
                id: rows
                objectName: "bandsRows"
                y: headerBox.height + Theme.smallSpacing
                width: table.rowWidth
                // Above the horizontal scroll bar.
                height: tableArea.height - y - 12
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                model: table.candidates
                ScrollBar.vertical: ScrollBar {
                    policy: rows.contentHeight > rows.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
                }
                delegate: Rectangle {
                    id: row
                    required property var modelData
                    required property int index
                    readonly property bool selected: index === table.selectedIndex
                    readonly property var texts: table.cellTexts(modelData)
                    width: rows.width
                    height: Math.max(30, amplitudeCell.implicitHeight + 10)
                    color: selected ? Qt.tint(Theme.surface, "#401a5fb4")
                                    : index % 2 ? Theme.surface : Theme.window
                    border.color: selected ? Theme.accent : "transparent"
                    Accessible.role: Accessible.Row
                    Accessible.name: qsTr("Band at %1 Hz").arg(table.fixed(modelData.frequencyHz,
                                                                           table.frequencyDecimals))
                    Row {
                        id: cells
                        anchors.fill: parent
                        anchors.leftMargin: Theme.smallSpacing
                        anchors.rightMargin: Theme.smallSpacing
                        Repeater {
                            model: row.texts
                            delegate: Label {
                                required property string modelData
                                required property int index
                                width: table.columnWidths[index]
                                height: cells.height
                                verticalAlignment: Text.AlignVCenter
                                text: modelData
                                font.bold: index === 0
                                color: Theme.text
                                rightPadding: 4
                            }
                        }
                        Column {
                            id: amplitudeCell
                            width: table.columnWidths[7]
                            anchors.verticalCenter: parent.verticalCenter
                            Label {
                                width: parent.width
                                text: table.amplitudeText(row.modelData)
                                color: Theme.text
                            }
                            Label {
                                width: parent.width
                                visible: text.length > 0
                                text: table.physicalText(row.modelData)
                                font.pixelSize: Theme.smallFontSize
                                color: Theme.textMuted
                            }
                        }
                        Label {
                            width: table.noteWidth
                            height: cells.height
                            horizontalAlignment: Text.AlignHCenter
                            verticalAlignment: Text.AlignVCenter
                            readonly property bool artefact: !!row.modelData.possibleCompressionArtefact
                            readonly property bool cameraLine: !!row.modelData.cameraMotion
                            visible: artefact || cameraLine
                            text: (artefact ? "⚠" : "") + (cameraLine ? "⌖" : "")
                            color: Theme.warning
                            font.pixelSize: Theme.titleFontSize
                            Accessible.name: [artefact ? qsTr("Possible compression artefact (key-frame cadence)") : "",
                                              cameraLine ? qsTr("Camera motion") : ""].filter(t => t.length > 0).join("; ")
                            ToolTip.visible: noteMouse.containsMouse
                            ToolTip.delay: 300
                            ToolTip.text: [artefact ? qsTr("Possible compression artefact (key-frame cadence): the frequency lies on a multiple of the video's key-frame rate, so the line may come from the encoder rather than from the equipment.") : "",
                                           cameraLine ? qsTr("Camera motion: the camera's own motion, measured on the reference region, has a line at this frequency too, so the line may be what is left of camera shake rather than a vibration of the equipment.") : ""].filter(t => t.length > 0).join("\n")
                            MouseArea { id: noteMouse; anchors.fill: parent; hoverEnabled: true }
                        }
                    }
                    MouseArea {
                        anchors.fill: parent
                        z: -1
                        enabled: table.interactionEnabled
                        acceptedButtons: Qt.LeftButton | Qt.RightButton
                        onClicked: mouse => {
                            table.spectrum.selectCandidate(row.index)
                            if (mouse.button === Qt.RightButton)
                                rowMenu.popup()
                        }
                    }
                }
            }
            Label {
                x: tableArea.contentX + (tableArea.width - width) / 2
                y: headerBox.height + 2 * Theme.spacing
                width: tableArea.width - 2 * Theme.spacing
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                visible: rows.count === 0
                text: qsTr("No frequency candidates passed the detection thresholds.")
                color: Theme.textMuted
            }
        }

        Label {
            Layout.fillWidth: true
            visible: table.candidates.some(c => c.possibleCompressionArtefact)
            text: qsTr("⚠ Possible compression artefact (key-frame cadence)")
            color: Theme.warning
            font.pixelSize: Theme.smallFontSize
            wrapMode: Text.Wrap
        }

        Label {
            Layout.fillWidth: true
            visible: table.candidates.some(c => c.cameraMotion)
            text: qsTr("⌖ Camera motion: the line is also present in the reference region")
            color: Theme.warning
            font.pixelSize: Theme.smallFontSize
            wrapMode: Text.Wrap
        }

        // Band messages appear once, in the details below the view.
        Label {
            Layout.fillWidth: true
            visible: !table.scaled
            wrapMode: Text.Wrap
            font.pixelSize: Theme.smallFontSize
            text: qsTr("Amplitudes are in pixels; draw a known length on the source video for physical units.")
            color: Theme.textMuted
        }
        ToolTextButton {
            text: qsTr("Apply band to amplification")
            enabled: table.canApply
            onClicked: table.apply()
        }
    }

    Menu {
        id: rowMenu
        // Wide enough for the whole text in every language.
        width: Math.max(implicitWidth, rowApplyItem.implicitWidth + leftPadding + rightPadding)
        MenuItem {
            id: rowApplyItem
            text: qsTr("Apply in vibration amplifier")
            enabled: table.canApply
            onTriggered: table.apply()
        }
    }
}
