import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Ui

ApplicationWindow {
    id: window

    required property var applicationController
    readonly property var mediaRuntime: applicationController.mediaRuntime

    objectName: "orviMainWindow"
    title: applicationController.applicationDisplayName
    width: 1440
    height: 900
    visible: true

    ColumnLayout {
        anchors.centerIn: parent
        spacing: 12

        Label {
            objectName: "mediaRuntimeState"
            Layout.alignment: Qt.AlignHCenter
            font.pixelSize: 20
            text: window.mediaRuntime.available ? qsTr("Media libraries are ready.")
                                                : qsTr("Media libraries are unavailable.")
        }
        Label {
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: window.width * 0.8
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            color: window.mediaRuntime.available ? palette.windowText : "#b3261e"
            text: window.mediaRuntime.available ? window.mediaRuntime.versionSummary
                                                : window.mediaRuntime.errorMessage
        }
    }
}
