// A button drawn in the pill style; `tint`, `filled` and `wide` as the style has them. A wide
// pill fills the width its layout offers (Layout.fillWidth or an explicit width).
import QtQuick
import QtQuick.Templates as T
import Kelvora

T.AbstractButton {
    id: control

    property color tint: Theme.accent
    property bool filled: false
    property bool wide: false
    default property alias content: style.content
    readonly property color labelColor: style.labelColor
    readonly property font labelFont: style.labelFont

    hoverEnabled: true
    focusPolicy: Qt.StrongFocus
    implicitWidth: style.implicitWidth
    implicitHeight: style.implicitHeight
    Accessible.role: Accessible.Button
    Accessible.name: text
    // A screen reader's press does what a click does.
    Accessible.onPressAction: if (enabled) clicked()

    background: PillButtonStyle {
        id: style
        tint: control.tint
        filled: control.filled
        wide: control.wide
        hovered: control.hovered
        pressed: control.down
        enabled: control.enabled
        text: control.text
    }
    contentItem: Item {}
}
