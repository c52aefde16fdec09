import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme
import OrviMotion.Ui

// Camera motion compensation in a settings dialog: the switch, where the reference region
// stands, and what the compensation does and does not remove.
SettingsSection {
    id: section

    required property ProcessingSettingsController processingSettings
    property bool editable: true
    signal toggledByUser()
    signal referenceClearedByUser()

    readonly property bool referenceSet: processingSettings.stabilizationReferenceSet

    name: "camera"
    title: qsTr("Camera motion")
    summary: processingSettings.stabilizationEnabled ? qsTr("Compensated")
             : referenceSet ? qsTr("Not compensated") : qsTr("No reference region")

    CheckBox {
        text: qsTr("Compensate camera motion")
        checked: section.processingSettings.stabilizationEnabled
        enabled: section.editable && section.processingSettings.available && section.referenceSet
        onToggled: {
            section.processingSettings.setStabilizationEnabled(checked)
            section.toggledByUser()
        }
    }
    RowLayout {
        Layout.fillWidth: true
        spacing: Theme.smallSpacing
        Label {
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            color: section.referenceSet ? Theme.textMuted : Theme.warning
            text: section.referenceSet
                  ? qsTr("Reference region: x %1 %, y %2 %, %3 % × %4 % of the frame.")
                        .arg(Math.round(section.processingSettings.stabilizationReferenceRegion.x * 100))
                        .arg(Math.round(section.processingSettings.stabilizationReferenceRegion.y * 100))
                        .arg(Math.round(section.processingSettings.stabilizationReferenceRegion.width * 100))
                        .arg(Math.round(section.processingSettings.stabilizationReferenceRegion.height * 100))
                  : qsTr("Draw a reference region first: choose “Reference” above the source video and drag over a part of the scene that does not vibrate, such as a wall, the floor or a fixed frame.")
        }
        // As "Full frame" drops the analysis region; compensation goes with the reference.
        ToolTextButton {
            objectName: "clearReferenceButton"
            visible: section.referenceSet
            text: qsTr("Clear reference")
            enabled: section.editable && section.processingSettings.available
            tip: qsTr("Remove the reference region; camera motion is then not compensated")
            onClicked: {
                section.processingSettings.clearStabilizationReferenceRegion()
                section.referenceClearedByUser()
            }
        }
    }
    Label {
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        color: Theme.textMuted
        text: qsTr("The camera's shift is measured on the reference region in every frame and removed before amplification and spectrum analysis, so that the shake of a hand-held camera or a tripod on a vibrating floor is not taken for the machine's vibration. Only the shift is removed: a rotation or zoom of the camera is not, nor parallax between parts of the scene at other distances from the camera than the reference. Spectrum lines that the camera's own motion also shows are marked “camera motion”.")
    }
}
