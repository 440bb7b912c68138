// One of the pop-over's three rows: a symbol, the title and its shortcut, in the quiet style.
import QtQuick
import QtQuick.Layouts
import Kelvora

QuietButton {
    id: row

    property string symbol
    property string shortcut

    Layout.fillWidth: true
    Accessible.name: text

    RowLayout {
        anchors.fill: parent
        spacing: 6

        Symbol {
            Layout.preferredWidth: 16
            Layout.alignment: Qt.AlignVCenter
            name: row.symbol
            color: row.hovered || row.down ? row.labelColor : Theme.ink2
        }
        Text {
            text: row.text
            font: row.labelFont
            color: row.labelColor
            Layout.fillWidth: true
        }
        Text {
            text: row.shortcut
            font: Theme.meta
            color: row.hovered || row.down ? row.labelColor : Theme.ink3
        }
    }
}
