import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme

// The frequency candidates as a table: one row per candidate, a click selects its band, and
// the selected band can be applied to the amplification. Below, a known length on the frame
// gives the amplitudes in physical units.
Item {
    id: table

    required property var spectrum
    property bool interactionEnabled: true

    readonly property var candidates: spectrum ? spectrum.candidates : []
    readonly property bool scaled: !!(spectrum && spectrum.hasLengthScale)
    readonly property int selectedIndex: {
        for (let i = 0; i < candidates.length; ++i) {
            if (Math.abs(candidates[i].lowerFrequencyHz - spectrum.selectedLowerFrequencyHz) <= 1e-9
                    && Math.abs(candidates[i].upperFrequencyHz - spectrum.selectedUpperFrequencyHz) <= 1e-9)
                return i
        }
        return -1
    }
    readonly property bool canApply: interactionEnabled && !!spectrum && !spectrum.busy
                                     && !spectrum.stale && spectrum.canApplyBand
    readonly property int frequencyDecimals: {
        const step = Math.max(1e-6, spectrum ? spectrum.frequencyStepHz : 1)
        return Math.min(5, Math.max(0, Math.ceil(-Math.log10(step)) + 1))
    }
    // Column widths as fractions of the row; the amplitude column takes the rest.
    readonly property var columnFractions: [0.12, 0.16, 0.09, 0.10, 0.11, 0.09, 0.10]
    readonly property real fixedFraction: columnFractions.reduce((sum, f) => sum + f, 0)
    readonly property int noteWidth: 28

    function fixed(value, decimals) {
        return Number(value).toLocaleString(Qt.locale(), "f", decimals)
    }
    function percent(fraction, significant) {
        const value = fraction * 100
        const decimals = significant === undefined ? 1
                       : Math.max(0, significant - 1 - Math.floor(Math.log10(Math.max(Math.abs(value), 1e-12))))
        return qsTr("%1 %").arg(fixed(value, Math.min(decimals, 6)))
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
             : qsTr("%1 px peak (%2–%3)").arg(fixed(c.amplitudePx, 3))
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

        // Header row.
        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 42
            color: Theme.surface
            border.color: Theme.border
            radius: Theme.radius
            Row {
                id: header
                anchors.fill: parent
                anchors.leftMargin: Theme.smallSpacing
                anchors.rightMargin: Theme.smallSpacing
                readonly property var titles: [
                    [qsTr("Frequency"), qsTr("Frequency of the line, refined between the spectrum's bins")],
                    [qsTr("Band"), qsTr("Frequency band selected by this candidate")],
                    [qsTr("Peak power"), qsTr("Relative peak power, normalised within the analysis")],
                    [qsTr("Band power"), qsTr("Share of the total power that lies inside the band")],
                    [qsTr("Contrast"), qsTr("How far the line stands above the neighbouring bins, each point judged against its own noise")],
                    [qsTr("Support"), qsTr("Share of accepted points at which the frequency stands out")],
                    [qsTr("Stability"), qsTr("Fragment halves in which the peak is found again; — when the fragment is too short or has gaps")],
                    [qsTr("Amplitude"), table.scaled
                        ? qsTr("Displacement amplitude: median over the reliable points that carry the line, with its quartiles; px and µm peak, velocity RMS, acceleration peak")
                        : qsTr("Displacement amplitude: median over the reliable points that carry the line, with its quartiles, px peak. Set a known length for physical units.")]
                ]
                Repeater {
                    model: header.titles
                    delegate: Label {
                        required property var modelData
                        required property int index
                        width: index < table.columnFractions.length
                               ? header.width * table.columnFractions[index]
                               : header.width * (1 - table.fixedFraction) - table.noteWidth
                        height: header.height
                        verticalAlignment: Text.AlignVCenter
                        text: modelData[0]
                        font.bold: true
                        font.pixelSize: Theme.smallFontSize
                        color: Theme.text
                        wrapMode: Text.Wrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
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
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            model: table.candidates
            ScrollBar.vertical: ScrollBar {}
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
                            width: cells.width * table.columnFractions[index]
                            height: cells.height
                            verticalAlignment: Text.AlignVCenter
                            text: modelData
                            font.bold: index === 0
                            color: Theme.text
                            elide: Text.ElideRight
                            rightPadding: 4
                        }
                    }
                    Column {
                        id: amplitudeCell
                        width: cells.width * (1 - table.fixedFraction) - table.noteWidth
                        anchors.verticalCenter: parent.verticalCenter
                        Label {
                            width: parent.width
                            text: table.amplitudeText(row.modelData)
                            color: Theme.text
                            elide: Text.ElideRight
                        }
                        Label {
                            width: parent.width
                            visible: text.length > 0
                            text: table.physicalText(row.modelData)
                            font.pixelSize: Theme.smallFontSize
                            color: Theme.textMuted
                            elide: Text.ElideRight
                        }
                    }
                    Label {
                        width: table.noteWidth
                        height: cells.height
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        visible: !!row.modelData.possibleCompressionArtefact
                        text: "⚠"
                        color: Theme.warning
                        font.pixelSize: Theme.titleFontSize
                        Accessible.name: qsTr("Possible compression artefact (key-frame cadence)")
                        ToolTip.visible: noteMouse.containsMouse
                        ToolTip.delay: 300
                        ToolTip.text: qsTr("Possible compression artefact (key-frame cadence): the frequency lies on a multiple of the video's key-frame rate, so the line may come from the encoder rather than from the equipment.")
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
            Label {
                anchors.centerIn: parent
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

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacing
            Button {
                text: qsTr("Apply band to amplification")
                enabled: table.canApply
                onClicked: table.apply()
            }
            Label {
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
                text: !table.spectrum ? ""
                      : table.spectrum.bandValidationMessage || table.spectrum.bandApplicationMessage
                color: table.spectrum && table.spectrum.bandValidationMessage ? Theme.warning
                                                                              : Theme.textMuted
            }
        }

        // Known length: two points on the frame (0…1 of its width and height) and their distance.
        Rectangle {
            Layout.fillWidth: true
            implicitHeight: lengthColumn.implicitHeight + 2 * Theme.smallSpacing
            color: Theme.surface
            border.color: Theme.border
            radius: Theme.radius
            ColumnLayout {
                id: lengthColumn
                anchors.fill: parent
                anchors.margins: Theme.smallSpacing
                spacing: Theme.smallSpacing
                Flow {
                    Layout.fillWidth: true
                    spacing: Theme.spacing
                    Label {
                        height: 32
                        verticalAlignment: Text.AlignVCenter
                        text: qsTr("Known length")
                        font.bold: true
                        color: Theme.text
                    }
                    Repeater {
                        id: coordinates
                        model: [qsTr("x1"), qsTr("y1"), qsTr("x2"), qsTr("y2")]
                        property var values: [0.25, 0.5, 0.75, 0.5]
                        delegate: NumberField {
                            required property string modelData
                            required property int index
                            label: modelData
                            decimals: 3
                            from: 0
                            to: 1
                            fieldWidth: 64
                            value: coordinates.values[index]
                            onCommitted: v => {
                                const values = coordinates.values.slice()
                                values[index] = v
                                coordinates.values = values
                            }
                        }
                    }
                    NumberField {
                        id: lengthField
                        label: qsTr("Distance")
                        unit: qsTr("mm")
                        decimals: 3
                        from: 0.001
                        to: 1e6
                        fieldWidth: 80
                        value: 100
                        onCommitted: v => value = v
                    }
                    ToolTextButton {
                        text: qsTr("Set")
                        tip: qsTr("Use this length to give amplitudes in µm, mm/s and m/s²")
                        enabled: !!table.spectrum
                        onClicked: {
                            const v = coordinates.values
                            lengthMessage.failed = !table.spectrum.setLengthScale(
                                Qt.point(v[0], v[1]), Qt.point(v[2], v[3]), lengthField.value)
                        }
                    }
                    ToolTextButton {
                        text: qsTr("Clear")
                        tip: qsTr("Show amplitudes in pixels only")
                        enabled: table.scaled
                        onClicked: {
                            lengthMessage.failed = false
                            table.spectrum.clearLengthScale()
                        }
                    }
                }
                Label {
                    id: lengthMessage
                    property bool failed: false
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    font.pixelSize: Theme.smallFontSize
                    color: failed ? Theme.error : Theme.textMuted
                    text: failed && table.spectrum ? table.spectrum.lengthScaleMessage
                          : table.scaled ? qsTr("Scale: 1 px = %1 mm. Amplitudes are also given in physical units.")
                                               .arg(table.fixed(table.spectrum.millimetresPerPixel, 4))
                          : qsTr("Points are fractions of the frame width and height. Without a known length, amplitudes are given in pixels only.")
                }
            }
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
