import QtQuick
import Kelvora

Row {
    id: root

    property string label
    property color tone

    spacing: 6
    baselineOffset: text.baselineOffset

    Rectangle {
        y: text.baselineOffset - 6 - 2
        width: 6
        height: 6
        color: root.tone
    }
    Text {
        id: text
        text: root.label
        font: Theme.meta
        color: Theme.ink2
    }
}
