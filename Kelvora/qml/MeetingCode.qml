// A code block, verbatim, on a `raised` panel framed in `line`.
import QtQuick
import Kelvora

Item {
    id: root

    required property string styledText

    implicitHeight: 8 + panel.height + 8

    Rectangle {
        id: panel
        objectName: "codePanel"
        y: 8
        width: root.width
        height: text.height + 24
        color: Theme.raised
        border.width: 2
        border.color: Theme.line

        ReadingText {
            id: text
            objectName: "codeText"
            x: 12
            y: 12
            width: panel.width - 24
            styled: root.styledText
            lineSpacing: 3
            wrapMode: TextEdit.WrapAnywhere
            font: Theme.code
            color: Theme.ink
        }
    }
}
