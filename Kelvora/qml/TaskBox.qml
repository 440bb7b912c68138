// The task marker: an empty square in `ink3`, or a filled `accent` square with a check mark.
import QtQuick
import Kelvora

Item {
    id: root

    property bool ticked: false

    width: 12
    height: 12
    baselineOffset: 11

    Rectangle {
        anchors.fill: parent
        anchors.margins: 0.5
        color: root.ticked ? Theme.accent : "transparent"
        border.width: root.ticked ? 0 : 1.5
        border.color: Theme.ink3
    }
    Text {
        visible: root.ticked
        anchors.centerIn: parent
        text: "\u2713"
        font: Theme.uiStrong
        color: Theme.onFill
    }
}
