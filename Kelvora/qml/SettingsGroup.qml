// One rounded group of a settings form: an optional heading, the rows, an optional footer in
// the secondary style.
import QtQuick
import QtQuick.Layouts
import Kelvora

ColumnLayout {
    id: group

    property string title
    property string footer
    default property alias rows: body.data

    Layout.fillWidth: true
    spacing: 6

    Text {
        visible: group.title !== ""
        text: group.title
        font: Theme.uiStrong
        color: Theme.ink
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: body.implicitHeight + 20
        radius: 8
        color: Theme.raised
        border.color: Theme.line
        border.width: 1
        ColumnLayout {
            id: body
            x: 12
            y: 10
            width: parent.width - 24
            spacing: 10
        }
    }
    Text {
        Layout.fillWidth: true
        visible: group.footer !== ""
        text: group.footer
        font: Theme.meta
        color: Theme.ink2
        wrapMode: Text.Wrap
    }
}
