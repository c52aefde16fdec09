import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Components
import OrviMotion.Theme
import OrviMotion.Ui

// Turns a shaft speed into a filter band around one of its first three harmonics.
Dialog {
    id: helper

    required property ProcessingSettingsController processingSettings
    signal bandApplied()
    signal shaftSpeedEdited()

    property bool lastApplicationFailed: false
    readonly property real center: [processingSettings.harmonic1FrequencyHz,
                                    processingSettings.harmonic2FrequencyHz,
                                    processingSettings.harmonic3FrequencyHz][harmonic.currentIndex]
    readonly property real lower: center * (1 - halfWidth.value / 100)
    readonly property real upper: center * (1 + halfWidth.value / 100)

    title: qsTr("Frequency filter helper")
    modal: true
    closePolicy: Popup.CloseOnEscape
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(600, (parent ? parent.width : 640) - 64)
    padding: Theme.spacing

    NumberFormatter { id: numbers }
    function number(value, decimals) { return numbers.fixed(value, decimals) }

    onAboutToShow: lastApplicationFailed = false

    contentItem: ColumnLayout {
        spacing: Theme.smallSpacing

        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: qsTr("Choose a filter band around the shaft rotation frequency: enter the speed, select a harmonic and half-width, then apply the band.")
        }
        NumberField {
            Layout.fillWidth: true
            label: qsTr("Shaft speed")
            unit: qsTr("RPM")
            decimals: 1
            to: helper.processingSettings.maximumRotationSpeedRpm
            value: helper.processingSettings.rotationSpeedRpm
            invalid: !helper.processingSettings.rotationSpeedValid
            editable: helper.processingSettings.available
            onCommitted: (value) => {
                helper.shaftSpeedEdited()
                helper.processingSettings.setRotationSpeedRpm(value)
            }
        }
        RowLayout {
            Label { Layout.fillWidth: true; text: qsTr("Filter center harmonic") }
            ComboBox {
                id: harmonic
                model: ["1×", "2×", "3×"]
                Accessible.name: qsTr("Filter center harmonic")
            }
        }
        NumberField {
            id: halfWidth
            Layout.fillWidth: true
            label: qsTr("Band half-width")
            unit: "%"
            decimals: 1
            from: 0.1
            to: 99
            value: 10
            editable: helper.processingSettings.frequencyEditingAvailable
            onCommitted: (value) => halfWidth.value = value
        }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: helper.processingSettings.rotationSpeedValid
                  ? qsTr("Calculated band: %1–%2 Hz · Center: %3 Hz").arg(helper.number(helper.lower, 2))
                        .arg(helper.number(helper.upper, 2)).arg(helper.number(helper.center, 2))
                  : qsTr("Calculated band: enter a valid shaft speed.")
        }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            color: Theme.error
            visible: helper.processingSettings.rotationSpeedValid
                     && (helper.lastApplicationFailed
                         || !helper.processingSettings.isBandValid(helper.lower, helper.upper))
            text: qsTr("The calculated band must be above zero and below the Nyquist frequency.")
        }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: qsTr("Current filter band: %1–%2 Hz")
                      .arg(helper.number(helper.processingSettings.lowerFrequencyHz, 2))
                      .arg(helper.number(helper.processingSettings.upperFrequencyHz, 2))
        }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            color: Theme.textMuted
            text: qsTr("Apply band changes the filter settings only. Close this helper, then choose Start amplification in Vibration amplification.")
        }
        RowLayout {
            Item { Layout.fillWidth: true }
            Button {
                text: qsTr("Apply band")
                enabled: helper.processingSettings.frequencyEditingAvailable
                         && helper.processingSettings.rotationSpeedValid
                onClicked: Qt.callLater(() => {
                    helper.bandApplied()
                    helper.lastApplicationFailed = !helper.processingSettings.applyRotationBand(
                        harmonic.currentIndex + 1, halfWidth.value)
                })
            }
            Button {
                text: qsTr("Close")
                onClicked: helper.close()
            }
        }
    }
}
