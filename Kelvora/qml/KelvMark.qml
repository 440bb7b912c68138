// The logo: a black square with two white square outlines centred on it. Drawn in plain black
// and white in every appearance.
import QtQuick

Rectangle {
    id: root

    property real size: 32

    width: size
    height: size
    color: "black"
    Accessible.ignored: true

    Rectangle {
        anchors.centerIn: parent
        width: root.size * 0.664
        height: width
        color: "transparent"
        border.color: "white"
        border.width: root.size * 0.081
    }
    Rectangle {
        anchors.centerIn: parent
        width: root.size * 0.344
        height: width
        color: "transparent"
        border.color: "white"
        border.width: root.size * 0.07
    }
}
