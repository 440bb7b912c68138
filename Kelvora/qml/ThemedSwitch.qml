// The program's toggle: the style's switch with its label in `ui` and `ink`, which a screen
// reader toggles as a click does.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

Switch {
    id: control

    function activate() {
        if (!enabled)
            return
        toggle()
        toggled()
        clicked()
    }

    font: Theme.ui
    palette.windowText: Theme.ink
    Accessible.role: Accessible.CheckBox
    Accessible.name: text
    Accessible.checkable: true
    Accessible.checked: checked
    Accessible.onPressAction: activate()
    Accessible.onToggleAction: activate()
}
