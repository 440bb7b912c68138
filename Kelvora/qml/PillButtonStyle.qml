// The pill: a rectangular face with a 2-wide border on a hard offset shadow. While pressed the
// face slides onto its shadow; disabled, the whole shows at 40 %. Drawn from the state it is
// given, so a button (PillButton) or a review sheet can show any state.
//
// The shadow is drawn as the two strips that show beside the face, never under it, so the
// faded pill needs no layer: a layer drawn at a fractional device pixel ratio (1.5× text on
// X11) shifts its picture and cuts the label.
import QtQuick
import Kelvora

Item {
    id: root
    objectName: "pillStyle"

    property color tint: Theme.accent
    property bool filled: false
    property bool wide: false
    property bool hovered: false
    property bool pressed: false
    property string text: ""
    // Content that replaces the plain label; it should colour itself with labelColor.
    default property alias content: custom.data

    readonly property bool hoverShown: hovered && enabled
    readonly property bool moved: pressed && enabled
    readonly property color labelColor: filled ? (hoverShown ? Theme.onHighlight : Theme.onFill)
                                               : Theme.ink
    readonly property font labelFont: Theme.caps(Theme.uiStrong, 0.6)

    // 34 high at the standard text size; a larger text makes the pill taller.
    implicitHeight: Math.max(34, Math.ceil(label.implicitHeight) + 18)
    implicitWidth: (custom.children.length > 0 ? custom.childrenRect.width : label.implicitWidth) + 32
    opacity: enabled ? 1 : 0.4

    Rectangle {
        objectName: "pillShadow"
        x: root.width
        y: 3
        width: 3
        height: root.height
        color: Theme.line
    }
    Rectangle {
        objectName: "pillShadowBelow"
        x: 3
        y: root.height
        width: root.width - 3
        height: 3
        color: Theme.line
    }

    Rectangle {
        id: face
        objectName: "pillFace"
        x: root.moved ? 3 : 0
        y: root.moved ? 3 : 0
        width: root.width
        height: root.height
        color: root.hoverShown ? Theme.highlight : (root.filled ? root.tint : Theme.raised)
        border.width: 2
        border.color: Theme.line

        Behavior on color { ColorAnimation { duration: Theme.fadeDuration } }
        Behavior on x { NumberAnimation { duration: Theme.pressDuration; easing.type: Theme.pressEasing } }
        Behavior on y { NumberAnimation { duration: Theme.pressDuration; easing.type: Theme.pressEasing } }

        Text {
            id: label
            objectName: "pillLabel"
            visible: custom.children.length === 0
            anchors.centerIn: parent
            text: root.text
            font: root.labelFont
            color: root.labelColor
            Behavior on color { ColorAnimation { duration: Theme.fadeDuration } }
        }

        Item {
            id: custom
            anchors.fill: parent
            anchors.leftMargin: 16
            anchors.rightMargin: 16
        }
    }
}
