import QtQuick
import Kelvora

Item {
    id: root

    required property string styledText

    implicitHeight: 8 + text.height + 8

    ReadingText {
        id: text
        objectName: "paragraphText"
        y: 8
        width: root.width
        styled: root.styledText
    }
}
