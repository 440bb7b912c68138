// The quiet button: no face at rest, `highlight` while hovered, `ink` while pressed; square
// (28 × 28) or a full-width row 28 high with its content at the leading edge.
import QtQuick
import Kelvora

Item {
    id: root
    objectName: "quietStyle"

    property bool square: false
    property bool hovered: false
    property bool pressed: false
    property string text: ""
    default property alias content: custom.data

    readonly property bool hoverShown: hovered && enabled
    readonly property color labelColor: pressed ? Theme.canvas
                                                : (hoverShown ? Theme.onHighlight : Theme.ink)
    readonly property font labelFont: Theme.ui

    // 28 high (and wide, when square) at the standard text size; a larger text makes it taller.
    implicitHeight: Math.max(28, Math.ceil(label.implicitHeight) + 12)
    implicitWidth: square ? implicitHeight : (custom.children.length > 0 ? custom.childrenRect.width : label.implicitWidth) + 16
    opacity: enabled ? 1 : 0.4

    Rectangle {
        objectName: "quietFace"
        anchors.fill: parent
        color: root.pressed ? Theme.ink : (root.hoverShown ? Theme.highlight : "transparent")
        border.width: root.square && root.hoverShown ? 2 : 0
        border.color: Theme.line
        Behavior on color { ColorAnimation { duration: Theme.fadeDuration } }
    }

    Text {
        id: label
        objectName: "quietLabel"
        visible: custom.children.length === 0
        anchors.verticalCenter: parent.verticalCenter
        x: root.square ? (root.width - implicitWidth) / 2 : 8
        text: root.text
        font: root.labelFont
        color: root.labelColor
    }

    Item {
        id: custom
        anchors.fill: parent
        anchors.leftMargin: root.square ? 0 : 8
        anchors.rightMargin: root.square ? 0 : 8
    }
}
