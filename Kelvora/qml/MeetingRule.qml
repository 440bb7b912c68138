import QtQuick
import Kelvora

Item {
    id: root

    implicitHeight: 16 + 2 + 16

    Rectangle {
        objectName: "rule"
        y: 16
        width: root.width
        height: 2
        color: Theme.line
    }
}
