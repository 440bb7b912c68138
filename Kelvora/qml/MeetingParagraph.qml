import QtQuick
import Kelvora

Item {
    id: root

    property var block

    implicitHeight: 8 + text.height + 8

    ReadingText {
        id: text
        objectName: "paragraphText"
        y: 8
        width: root.width
        styled: root.block.styledText
    }
}
