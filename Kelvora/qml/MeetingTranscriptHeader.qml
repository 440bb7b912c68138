// The start of the transcript: a rule (unless first), "Transcripción" and the legend of the
// two speakers' colours.
import QtQuick
import Kelvora

Item {
    id: root

    required property bool first
    readonly property int above: first ? 0 : 32
    readonly property int lineSpace: first ? 0 : 2 + 24

    implicitHeight: above + lineSpace + Math.max(title.height, legend.height) + 4

    Rectangle {
        objectName: "transcriptRule"
        visible: !root.first
        y: root.above
        width: root.width
        height: 2
        color: Theme.line
    }

    Text {
        id: title
        objectName: "transcriptTitle"
        y: root.above + root.lineSpace
        text: "Transcripción"
        font: Theme.caps(Theme.heading, 0)
        color: Theme.ink
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }

    Row {
        id: legend
        anchors.right: parent.right
        y: title.y + title.baselineOffset - you.baselineOffset
        spacing: 12
        LegendEntry { id: you; objectName: "legendYou"; label: "Yo"; tone: Theme.accent }
        LegendEntry { objectName: "legendThem"; label: "Profe"; tone: Theme.them }
    }
}
