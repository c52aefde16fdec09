import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import OrviMotion.Theme
import OrviMotion.Ui

// A labelled number field with its unit; commits a valid number when editing finishes and the
// text was changed, and tells when it was emptied. A value that is not a number shows empty.
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
    signal cleared()

    spacing: Theme.smallSpacing

    NumberFormatter { id: numbers }
    function displayText(number) {
        return isFinite(number) ? numbers.fixed(number, field.decimals) : ""
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
        // Leaving a field the user has not typed in is no entry.
        property bool edited: false
        onTextEdited: edited = true
        onEditingFinished: {
            if (edited) {
                const number = Number.fromLocaleString(Qt.locale(), text)
                if (text.trim().length === 0)
                    field.cleared()
                else if (acceptableInput && isFinite(number))
                    field.committed(number)
            }
            edited = false
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
