import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme

// A labelled number field with its unit; commits a valid number when editing finishes.
RowLayout {
    id: field

    required property string label
    property string unit: ""
    property real value: 0
    property real from: 0
    property real to: 1e9
    property int decimals: 2
    property bool invalid: false
    property bool editable: true
    property int fieldWidth: 110
    signal committed(real value)

    spacing: Theme.smallSpacing

    function displayText(number) {
        return Number(number).toLocaleString(Qt.locale(), "f", field.decimals)
    }

    Label {
        Layout.fillWidth: true
        text: field.label
        color: field.editable ? Theme.text : Theme.textMuted
        wrapMode: Text.Wrap
    }
    TextField {
        id: input
        Layout.preferredWidth: field.fieldWidth
        enabled: field.editable
        horizontalAlignment: Text.AlignRight
        selectByMouse: true
        Accessible.name: field.label
        validator: DoubleValidator {
            bottom: field.from
            top: field.to
            decimals: field.decimals
            notation: DoubleValidator.StandardNotation
        }
        text: field.displayText(field.value)
        color: field.invalid || !acceptableInput ? Theme.error : Theme.text
        onEditingFinished: {
            const number = Number.fromLocaleString(Qt.locale(), text)
            if (acceptableInput && isFinite(number))
                field.committed(number)
            text = Qt.binding(() => field.displayText(field.value))
        }
    }
    Label {
        visible: field.unit.length > 0
        Layout.preferredWidth: 44
        text: field.unit
        color: Theme.textMuted
    }
}
