// Covers the meetings window while a file is dragged over it: the window fades under the
// canvas colour, framed in accent, with what a drop will do.
import QtQuick
import Kelvora

Item {
    id: target
    objectName: "dropTarget"

    property bool shown: false

    visible: opacity > 0
    opacity: shown ? 1 : 0
    scale: shown || Theme.reduceMotion ? 1 : 0.98
    Behavior on opacity {
        NumberAnimation { duration: Theme.appearDuration; easing.type: Theme.appearEasing }
    }
    Behavior on scale {
        NumberAnimation { duration: Theme.appearDuration; easing.type: Theme.appearEasing }
    }

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(Theme.canvas.r, Theme.canvas.g, Theme.canvas.b, 0.8)
    }
    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.04)
        border.width: 2
        border.color: Theme.accent
    }
    Column {
        anchors.centerIn: parent
        spacing: 12

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 64
            height: 64
            color: Theme.card(Theme.accent, 0.1)
            border.width: 2
            border.color: Theme.accent
            Symbol {
                anchors.centerIn: parent
                width: 28
                height: 28
                name: "arrow.down.to.line"
                color: Theme.accent
            }
        }
        Text {
            objectName: "dropTitle"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Drop to import"
            font: Theme.display
            color: Theme.ink
        }
        Text {
            objectName: "dropHint"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Suelta un audio: se convierte en una clase nueva."
            font: Theme.ui
            color: Theme.ink2
        }
    }
}
