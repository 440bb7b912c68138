// The program's picker: the style's combo box in the `ui` font, with the chevron drawn in
// `ink2`.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

ComboBox {
    id: control

    font: Theme.ui
    Accessible.role: Accessible.ComboBox
    // A screen reader's press opens the list, as a click does.
    Accessible.onPressAction: if (enabled) popup.open()
    // Drawn here: the style's own arrow image is never freed by the software renderer.
    indicator: Symbol {
        x: control.width - width - 10
        y: (control.height - height) / 2
        width: 12
        height: 12
        name: "chevron.down"
        color: Theme.ink2
    }
}
