// One line of the search results: a class's title and date, or one hit in it, its context
// with the matched words marked and, for a transcript turn, its time (which plays the class
// from there when it has audio) and speaker. The hit the keyboard is on is highlighted.
import QtQuick
import Kelvora

Item {
    id: row

    required property int index
    required property bool heading
    required property string meetingId
    required property string title
    required property string date
    required property string kind
    required property string snippet
    required property string plain
    required property string time
    required property string speaker
    required property real seconds
    required property SearchResultsModel results

    readonly property bool current: !row.heading && ListView.isCurrentItem

    objectName: row.heading ? "searchClass" : "searchHit"
    width: ListView.view.width
    implicitHeight: row.heading ? classLines.height + 20 : hitLine.height + 12
    height: implicitHeight
    Accessible.role: row.heading ? Accessible.Heading : Accessible.ListItem
    Accessible.name: row.heading ? row.title + ", " + row.date
                                 : (row.time !== "" ? "En " + row.time + ", " : "") + row.plain
    Accessible.selected: row.current
    Accessible.onPressAction: if (!row.heading) row.results.choose(row.index)

    Column {
        id: classLines
        visible: row.heading
        x: 24
        y: 14
        width: row.width - 48
        spacing: 2
        Text {
            objectName: "searchClassTitle"
            width: classLines.width
            elide: Text.ElideRight
            text: row.title
            font: Theme.uiStrong
            color: Theme.ink
        }
        Text {
            objectName: "searchClassDate"
            text: row.date
            font: Theme.meta
            color: Theme.ink3
        }
    }

    Rectangle {
        id: face
        visible: !row.heading
        x: 12
        width: row.width - 24
        height: row.height
        color: row.current ? Theme.highlight
                           : (press.containsMouse ? Theme.card(Theme.ink2, 0.05) : "transparent")
        MouseArea {
            id: press
            anchors.fill: parent
            hoverEnabled: true
            cursorShape: Qt.PointingHandCursor
            onClicked: row.results.choose(row.index)
        }
        Row {
            id: hitLine
            x: 12
            y: 6
            width: face.width - 24
            spacing: 8
            Text {
                id: timeText
                objectName: "searchHitTime"
                visible: row.time !== ""
                text: row.time
                font: Theme.mono
                color: row.current ? Theme.onHighlight
                                   : (timePress.containsMouse ? Theme.ink : Theme.accent)
                Accessible.role: Accessible.Button
                Accessible.name: "Reproducir desde " + row.time
                Accessible.onPressAction: row.results.play(row.index)
                MouseArea {
                    id: timePress
                    objectName: "searchHitPlay"
                    anchors.fill: parent
                    hoverEnabled: true
                    cursorShape: Qt.PointingHandCursor
                    onClicked: row.results.play(row.index)
                }
            }
            Text {
                objectName: "searchHitText"
                width: hitLine.width - (timeText.visible ? timeText.width + hitLine.spacing : 0)
                maximumLineCount: 2
                wrapMode: Text.Wrap
                elide: Text.ElideRight
                textFormat: Text.StyledText
                text: (row.speaker !== "" ? row.speaker + " · " : "") + row.snippet
                font: Theme.meta
                color: row.current ? Theme.onHighlight : Theme.ink2
            }
        }
    }
}
