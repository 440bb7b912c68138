// The program's check box: a square in `raised` with a `line` border and the check mark in
// `ink`, followed by the label in `ui`, wrapping. The square is named after the control
// ("<objectName>Box").
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

CheckBox {
    id: control

    // What a click does, for a screen reader's press or toggle.
    function activate() {
        if (!enabled)
            return
        toggle()
        toggled()
        clicked()
    }

    Accessible.role: Accessible.CheckBox
    Accessible.name: text
    Accessible.checkable: true
    Accessible.checked: checked
    Accessible.onPressAction: activate()
    Accessible.onToggleAction: activate()

    palette.highlight: Theme.accent
    palette.base: Theme.raised
    palette.text: Theme.ink
    palette.windowText: Theme.ink
    // Drawn here: the style's own check image is never freed by the software renderer.
    indicator: Rectangle {
        objectName: control.objectName + "Box"
        x: control.leftPadding
        y: (control.height - height) / 2
        implicitWidth: 20
        implicitHeight: 20
        color: Theme.raised
        border.width: 2
        border.color: Theme.line
        Symbol {
            anchors.centerIn: parent
            width: 14
            height: 14
            visible: control.checked
            name: "checkmark"
            color: Theme.ink
        }
    }
    // The label starts after the indicator, so the indicator sits at the start of the row.
    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font: Theme.ui
        color: Theme.ink
        wrapMode: Text.Wrap
        verticalAlignment: Text.AlignVCenter
    }
}
