// A button drawn in the quiet style. Not square, it is as wide as its layout offers.
import QtQuick
import QtQuick.Templates as T
import Kelvora

T.AbstractButton {
    id: control

    property bool square: false
    default property alias content: style.content
    readonly property color labelColor: style.labelColor
    readonly property font labelFont: style.labelFont

    hoverEnabled: true
    implicitWidth: style.implicitWidth
    implicitHeight: style.implicitHeight
    Accessible.role: Accessible.Button
    Accessible.name: text
    // A screen reader's press does what a click does.
    Accessible.onPressAction: if (enabled) clicked()

    background: QuietButtonStyle {
        id: style
        square: control.square
        hovered: control.hovered
        pressed: control.down
        enabled: control.enabled
        text: control.text
    }
    contentItem: Item {}
}
