// A banner above a meeting's notes: the state's symbol and title in its colour, the detail in
// ink, and an optional control at the trailing edge, on a card tinted with the colour.
import QtQuick
import Kelvora

Card {
    id: notice
    objectName: "notice"

    property color tint: Theme.accent
    property string symbol
    property string title
    property string detail
    default property alias trailing: trailingHolder.data

    color: tint
    fill: 0.1
    implicitHeight: content.height + 32
    Accessible.role: Accessible.AlertMessage
    Accessible.name: title

    Item {
        id: content
        x: 16
        y: 16
        width: notice.width - 32
        height: Math.max(texts.height, trailingHolder.childrenRect.height)

        Symbol {
            id: icon
            width: 16
            height: 16
            y: 1
            name: notice.symbol
            color: notice.tint
        }
        Column {
            id: texts
            x: icon.width + 12
            width: content.width - x - (trailingHolder.childrenRect.width > 0
                                        ? trailingHolder.childrenRect.width + 12 : 0)
            spacing: 2
            Text {
                objectName: "noticeTitle"
                width: texts.width
                text: notice.title
                wrapMode: Text.Wrap
                font: Theme.uiStrong
                color: notice.tint
            }
            TextEdit {
                objectName: "noticeDetail"
                width: texts.width
                text: notice.detail
                visible: text !== ""
                wrapMode: TextEdit.Wrap
                readOnly: true
                selectByMouse: true
                font: Theme.ui
                color: Theme.ink
                selectionColor: Theme.highlight
                selectedTextColor: Theme.onHighlight
            }
        }
        Item {
            id: trailingHolder
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            width: childrenRect.width
            height: childrenRect.height
        }
    }
}
