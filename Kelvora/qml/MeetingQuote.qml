// A quote line: italic `ink2` text 16 from the edge with an `accent` bar along it.
import QtQuick
import Kelvora

Item {
    id: root

    required property string styledText

    implicitHeight: 8 + text.height + 8

    Rectangle {
        objectName: "quoteBar"
        y: 8
        width: 6
        height: text.height
        color: Theme.accent
    }
    ReadingText {
        id: text
        objectName: "quoteText"
        x: 16
        y: 8
        width: root.width - 16
        styled: root.styledText
        font: Theme.readingItalic
        color: Theme.ink2
    }
}
