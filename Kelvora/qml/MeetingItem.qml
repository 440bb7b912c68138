// A list item: its marker (bullet square, number, or task box), the styled text, and the
// field chips under it; indented 24 per level.
import QtQuick
import Kelvora

Item {
    id: root

    required property int level
    // "bullet", "number" or "task".
    required property string marker
    required property string markerText
    required property bool ticked
    required property string styledText
    required property list<string> fields
    readonly property real indent: 24 * level
    readonly property real markerWidth: marker === "number" ? Math.max(12, number.implicitWidth) : 12

    implicitHeight: 5 + body.height + (chips.visible ? 6 + chips.height : 0) + 5

    Item {
        id: markerBox
        objectName: "itemMarker"
        x: root.indent
        y: 5
        width: root.markerWidth
        height: body.height
        Accessible.role: root.marker === "task" ? Accessible.CheckBox : Accessible.StaticText
        Accessible.name: root.marker === "task" ? (root.ticked ? "Hecho" : "Pendiente") : ""
        Accessible.ignored: root.marker === "bullet"

        Rectangle {
            objectName: "bulletSquare"
            visible: root.marker === "bullet"
            x: 3
            y: body.baselineOffset - 6 - 3
            width: 6
            height: 6
            color: Theme.ink
        }
        Text {
            id: number
            objectName: "itemNumber"
            visible: root.marker === "number"
            anchors.right: parent.right
            y: body.baselineOffset - baselineOffset
            text: root.markerText
            font: Theme.reading
            color: Theme.ink2
        }
        TaskBox {
            objectName: "taskBox"
            visible: root.marker === "task"
            ticked: root.ticked
            y: body.baselineOffset - baselineOffset
        }
    }

    ReadingText {
        id: body
        objectName: "itemText"
        x: root.indent + root.markerWidth + 12
        y: 5
        width: root.width - x
        styled: root.styledText
    }

    Flow {
        id: chips
        x: body.x
        y: body.y + body.height + 6
        width: body.width
        spacing: 6
        visible: root.fields.length > 0
        Repeater {
            model: root.fields
            delegate: Card {
                id: chip
                required property string modelData
                objectName: "fieldChip"
                color: Theme.ink2
                fill: 0.06
                Text {
                    objectName: "fieldChipText"
                    leftPadding: 6
                    rightPadding: 6
                    topPadding: 2
                    bottomPadding: 2
                    text: chip.modelData
                    font: Theme.caption
                    color: Theme.ink2
                }
            }
        }
    }
}
