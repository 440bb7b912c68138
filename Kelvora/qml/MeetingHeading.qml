// A heading: levels 1 and 2 upper-cased on a `highlight` plate framed in `line`; deeper
// levels in `uiStrong`.
import QtQuick
import Kelvora

Item {
    id: root

    required property int level
    required property bool first
    required property string text
    required property string styledText
    readonly property bool large: level <= 2
    readonly property int above: first ? 0 : (large ? 32 : 24)

    implicitHeight: above + (large ? label.height + 4 : label.height) + 8

    Rectangle {
        objectName: "headingPlate"
        visible: root.large
        y: root.above
        width: label.width + 12
        height: label.height + 4
        color: Theme.highlight
        border.width: 2
        border.color: Theme.line
    }

    ReadingText {
        id: label
        objectName: "headingText"
        x: root.large ? 6 : 0
        y: root.above + (root.large ? 2 : 0)
        width: Math.min(implicitWidth, root.width - (root.large ? 12 : 0))
        styled: root.styledText
        lineSpacing: 0
        font: root.large ? Theme.caps(Theme.heading, 0.4) : Theme.uiStrong
        color: root.large ? Theme.onHighlight : Theme.ink
        Accessible.role: Accessible.Heading
        Accessible.name: root.text
    }
}
