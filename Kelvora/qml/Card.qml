// A bordered card on a hard offset shadow: `raised` fill, the colour laid over it at
// min(fill × 2.2, 1), a 2-wide `line` border and a `line` shadow 3 right and 3 down. The
// content is padded by whoever puts it in; the card takes the content's size unless given one.
import QtQuick
import Kelvora

Item {
    id: root

    property color color: Theme.ink2
    property real fill: 0.06
    default property alias content: holder.data

    implicitWidth: holder.childrenRect.width
    implicitHeight: holder.childrenRect.height

    Rectangle {
        objectName: "cardShadow"
        x: 3
        y: 3
        width: root.width
        height: root.height
        color: Theme.line
    }
    Rectangle {
        anchors.fill: parent
        color: Theme.raised
    }
    Rectangle {
        objectName: "cardTint"
        anchors.fill: parent
        color: Theme.card(root.color, root.fill)
    }
    Rectangle {
        anchors.fill: parent
        color: "transparent"
        border.width: 2
        border.color: Theme.line
    }
    Item {
        id: holder
        anchors.fill: parent
    }
}
