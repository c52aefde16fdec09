import QtQuick
import QtQuick.Controls
import OrviMotion.Theme

// Representation 1: the band power map.
Item {
    id: map

    required property var spectrum
    property bool interactionEnabled: true
    property bool logarithmicColors: true

    // Automation contract shared by the representations.
    function viewState() { return {} }
    function resetView() { return { ok: false, error: "unsupported_view" } }
    function setView(request) { return { ok: false, error: "unsupported_view" } }

    Label {
        anchors.centerIn: parent
        color: Theme.textMuted
        text: qsTr("This view is not drawn yet.")
    }
}
