// A list item: its marker (bullet square, number, or task box), the styled text, and the
// field chips under it; indented 24 per level.
import QtQuick
import Kelvora

Item {
    id: root

    property var block
    readonly property real indent: 24 * block.level
    readonly property real markerWidth: block.marker === "number" ? Math.max(12, number.implicitWidth) : 12

    implicitHeight: 5 + body.height + (chips.visible ? 6 + chips.height : 0) + 5

    Item {
        id: markerBox
        objectName: "itemMarker"
        x: root.indent
        y: 5
        width: root.markerWidth
        height: body.height
        Accessible.role: root.block.marker === "task" ? Accessible.CheckBox : Accessible.StaticText
        Accessible.name: root.block.marker === "task" ? (root.block.ticked ? "Hecho" : "Pendiente") : ""
        Accessible.ignored: root.block.marker === "bullet"

        Rectangle {
            objectName: "bulletSquare"
            visible: root.block.marker === "bullet"
            x: 3
            y: body.baselineOffset - 6 - 3
            width: 6
            height: 6
            color: Theme.ink
        }
        Text {
            id: number
            objectName: "itemNumber"
            visible: root.block.marker === "number"
            anchors.right: parent.right
            y: body.baselineOffset - baselineOffset
            text: root.block.markerText
            font: Theme.reading
            color: Theme.ink2
        }
        TaskBox {
            objectName: "taskBox"
            visible: root.block.marker === "task"
            ticked: root.block.ticked
            y: body.baselineOffset - baselineOffset
        }
    }

    ReadingText {
        id: body
        objectName: "itemText"
        x: root.indent + root.markerWidth + 12
        y: 5
        width: root.width - x
        styled: root.block.styledText
    }

    Flow {
        id: chips
        x: body.x
        y: body.y + body.height + 6
        width: body.width
        spacing: 6
        visible: root.block.fields.length > 0
        Repeater {
            model: root.block.fields
            delegate: Card {
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
                    text: parent.parent.modelData
                    font: Theme.caption
                    color: Theme.ink2
                }
            }
        }
    }
}
