// The label of a day group in the meetings list, pinned to the top while its rows scroll by.
import QtQuick
import Kelvora

Rectangle {
    id: header
    objectName: "dayHeader"

    required property string section

    width: ListView.view ? ListView.view.width : implicitWidth
    implicitHeight: label.implicitHeight + 12 + 6
    color: Theme.sidebar
    Accessible.role: Accessible.Heading
    Accessible.name: section

    Text {
        id: label
        objectName: "dayHeaderText"
        x: 12
        y: 12
        width: header.width - 24
        elide: Text.ElideRight
        text: header.section.toUpperCase()
        font: Theme.caps(Theme.eyebrow, 0.6)
        color: Theme.ink3
    }
}
