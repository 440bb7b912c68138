// The sidebar of the meetings window: the search field, "Clases" with the number of meetings,
// then the meetings grouped by day under pinned day headers, or the search results while the
// field holds text. The list takes the keyboard: Up and Down move the selection, Return
// renames, Delete asks to delete. Ctrl+F goes to the search field.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

FocusScope {
    id: sidebar
    objectName: "meetings.list"

    required property MeetingsWindowModel meetings
    readonly property alias list: list
    readonly property alias searchField: search
    readonly property bool searching: sidebar.meetings.search.active

    Accessible.role: Accessible.Pane
    Accessible.name: "Clases"

    Rectangle {
        anchors.fill: parent
        color: Theme.sidebar
    }

    SearchField {
        id: search
        x: 12
        y: 12
        width: sidebar.width - 24
        results: sidebar.meetings.search
        // Escape gives the keyboard back to the list.
        onFinished: list.forceActiveFocus()
    }

    Shortcut {
        sequence: "Ctrl+F"
        onActivated: {
            search.input.forceActiveFocus()
            search.input.selectAll()
        }
    }

    Item {
        id: header
        y: search.y + search.height + 4
        width: sidebar.width
        height: 52

        Text {
            objectName: "sidebarTitle"
            x: 24
            anchors.verticalCenter: parent.verticalCenter
            text: "Clases"
            font: Theme.heading
            color: Theme.ink
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
        Text {
            objectName: "sidebarCount"
            anchors.right: parent.right
            anchors.rightMargin: 24
            anchors.verticalCenter: parent.verticalCenter
            // While searching, the classes the results list.
            visible: sidebar.searching ? sidebar.meetings.search.classCount > 0 : list.count > 0
            text: sidebar.searching ? sidebar.meetings.search.classCount : list.count
            font: Theme.meta
            color: Theme.ink3
        }
    }

    ListView {
        id: list
        objectName: "meetingList"
        y: header.y + header.height
        width: sidebar.width
        height: sidebar.height - y
        visible: !sidebar.searching
        clip: true
        focus: true
        activeFocusOnTab: true
        boundsBehavior: Flickable.StopAtBounds
        model: sidebar.meetings.list
        currentIndex: sidebar.meetings.selectedIndex
        keyNavigationEnabled: false
        Accessible.role: Accessible.List
        Accessible.name: "Clases"
        ScrollBar.vertical: ScrollBar {}

        section.property: "day"
        section.criteria: ViewSection.FullString
        section.labelPositioning: ViewSection.InlineLabels | ViewSection.CurrentLabelAtStart
        section.delegate: DayHeader {}

        highlightFollowsCurrentItem: true
        highlightMoveDuration: Theme.pressDuration
        highlightMoveVelocity: -1
        highlightResizeDuration: 0
        highlight: Item {
            Rectangle {
                objectName: "selectionMarker"
                x: 12
                // These components live only inside this file, where its ids are in scope; Qt 6.4's
                // lint can't see that, and the pragma that would tell it breaks Loader in 6.4.
                // qmllint disable unqualified
                width: list.width - 24
                // A row's implicit height is its face's, without the gap after a day.
                height: list.currentItem ? list.currentItem.implicitHeight : 0
                color: Theme.highlight
                border.width: 2
                border.color: Theme.line
            }
        }

        delegate: MeetingRow {
            meetings: sidebar.meetings
            menu: rowMenu
            // qmllint enable unqualified
        }

        add: Transition {
            NumberAnimation {
                property: "opacity"
                from: 0
                to: 1
                duration: Theme.appearDuration
            }
            NumberAnimation {
                property: "x"
                from: Theme.reduceMotion ? 0 : -8
                to: 0
                duration: Theme.appearDuration
                easing.type: Theme.appearEasing
            }
        }
        displaced: Transition {
            NumberAnimation { properties: "y"; duration: Theme.displaceDuration }
        }

        onCurrentIndexChanged: if (currentIndex >= 0) positionViewAtIndex(currentIndex, ListView.Contain)

        Keys.onUpPressed: (event) => { event.accepted = sidebar.meetings.moveSelection(-1) }
        Keys.onDownPressed: (event) => { event.accepted = sidebar.meetings.moveSelection(1) }
        Keys.onReturnPressed: (event) => { event.accepted = sidebar.meetings.renameSelected() }
        Keys.onEnterPressed: (event) => { event.accepted = sidebar.meetings.renameSelected() }
        Keys.onDeletePressed: (event) => { event.accepted = sidebar.meetings.deleteSelected() }

        Text {
            objectName: "emptyList"
            visible: sidebar.meetings.content === MeetingsWindowModel.Empty
            x: 24
            y: 24
            width: list.width - 48
            wrapMode: Text.Wrap
            text: "Tus clases aparecerán aquí."
            font: Theme.meta
            color: Theme.ink3
        }
    }

    SearchResults {
        id: results
        y: list.y
        width: sidebar.width
        height: list.height
        visible: sidebar.searching
        results: sidebar.meetings.search
        Keys.onEscapePressed: search.clear()
    }

    MeetingActionMenu {
        id: rowMenu
        meetings: sidebar.meetings
    }
}
