import QtQuick
import QtQuick.Controls
import OrviMotion.Theme

// Representation 0: the spectrum chart.
Item {
    id: chart

    required property var spectrum
    property bool interactionEnabled: true

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
