// The content of the meetings window: the sidebar of meetings beside the selected meeting,
// the empty state before the first meeting, the drop target for audio files, the progress of
// study cards being made, and the delete confirmation and problem alert.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

FocusScope {
    id: view
    objectName: "meetingsView"

    required property MeetingsWindowModel meetings
    readonly property int content: meetings.content

    implicitWidth: 1100
    implicitHeight: 760

    Rectangle {
        anchors.fill: parent
        color: Theme.canvas
    }

    MeetingsSidebar {
        id: sidebar
        width: Math.round(296 * Theme.textScale)
        height: view.height
        meetings: view.meetings
        focus: true
    }
    Rectangle {
        x: sidebar.width
        width: 1
        height: view.height
        color: Theme.line
    }

    Item {
        id: detailArea
        x: sidebar.width + 1
        width: view.width - x
        height: view.height

        Loader {
            anchors.fill: parent
            active: view.content === MeetingsWindowModel.Meeting
            sourceComponent: MeetingDetailPane {
                // These components live only inside this file, where its ids are in scope; Qt 6.4's
                // lint can't see that, and the pragma that would tell it breaks Loader in 6.4.
                // qmllint disable unqualified
                meetings: view.meetings
                // qmllint enable unqualified
            }
        }
        Text {
            objectName: "chooseMeeting"
            anchors.centerIn: parent
            visible: view.content === MeetingsWindowModel.Unselected
            text: "Elige una clase"
            font: Theme.ui
            color: Theme.ink3
        }
        EmptyMeetings {
            anchors.centerIn: parent
            visible: view.content === MeetingsWindowModel.Empty
            hotkey: view.meetings.hotkey
            canStart: !view.meetings.recording
            onStart: view.meetings.startRecording()
        }
    }

    // The list has the keyboard from the start, and again after each rename.
    Component.onCompleted: sidebar.list.forceActiveFocus()
    Connections {
        target: view.meetings
        function onRenamingChanged() {
            if (view.meetings.renaming === "") sidebar.list.forceActiveFocus()
        }
    }

    Shortcut {
        sequence: "Ctrl+Shift+C"
        enabled: view.meetings.detail.hasFile
        onActivated: view.meetings.detail.copyNotes()
    }
    Shortcut {
        sequence: "Ctrl+Shift+O"
        enabled: view.meetings.detail.hasFile
        onActivated: view.meetings.openInEditor(view.meetings.detail.meetingId)
    }

    // Files dragged from a file manager arrive as a list of file URLs.
    DropArea {
        objectName: "dropArea"
        anchors.fill: parent
        keys: ["text/uri-list"]
        onEntered: (drag) => {
            drag.accepted = drag.hasUrls
            view.meetings.dropping = drag.hasUrls
        }
        onExited: view.meetings.dropping = false
        onDropped: (drop) => {
            view.meetings.dropping = false
            if (view.meetings.importDropped(drop.urls))
                drop.acceptProposedAction()
            else
                drop.accepted = false
        }
    }
    DropTarget {
        anchors.fill: parent
        shown: view.meetings.dropping
    }

    Dialog {
        id: deleteDialog
        objectName: "deleteDialog"
        parent: view
        anchors.centerIn: parent
        modal: true
        visible: view.meetings.deleting !== ""
        title: "¿Borrar esta Clase?"
        closePolicy: Popup.CloseOnEscape
        onClosed: view.meetings.cancelDelete()
        background: Card {}
        header: Text {
            padding: 20
            bottomPadding: 4
            text: deleteDialog.title
            font: Theme.heading
            color: Theme.ink
        }
        contentItem: Text {
            objectName: "deleteMessage"
            text: "Se borran los apuntes y el audio de la clase."
            wrapMode: Text.Wrap
            font: Theme.ui
            color: Theme.ink2
        }
        footer: Row {
            padding: 20
            topPadding: 8
            spacing: 12
            layoutDirection: Qt.RightToLeft
            PillButton {
                objectName: "confirmDelete"
                text: "Borrar"
                tint: Theme.attention
                filled: true
                onClicked: view.meetings.confirmDelete()
            }
            PillButton {
                objectName: "cancelDelete"
                text: "Cancelar"
                tint: Theme.ink2
                onClicked: deleteDialog.close()
            }
        }
    }

    // Study cards wait on the language model for a while: the window says so until the
    // notification comes.
    Notice {
        objectName: "cardsProgress"
        x: detailArea.x + 24
        y: view.height - height - 24
        width: detailArea.width - 48
        visible: view.meetings.makingCards !== ""
        tint: Theme.accent
        symbol: "sparkles"
        title: view.meetings.makingCards
        detail: "Te avisaremos cuando estén listas."
        BusyIndicator {
            objectName: "cardsBusy"
            width: 20
            height: 20
            running: parent.visible
            Accessible.name: "Creando tarjetas de estudio"
        }
    }

    Dialog {
        id: problemAlert
        objectName: "problemAlert"
        parent: view
        anchors.centerIn: parent
        modal: true
        visible: view.meetings.problem !== ""
        closePolicy: Popup.CloseOnEscape
        onClosed: view.meetings.dismissProblem()
        width: Math.min(420, view.width - 80)
        background: Card {}
        contentItem: Text {
            objectName: "problemText"
            text: view.meetings.problem
            wrapMode: Text.Wrap
            font: Theme.uiStrong
            color: Theme.ink
        }
        footer: Row {
            padding: 20
            topPadding: 8
            layoutDirection: Qt.RightToLeft
            PillButton {
                objectName: "dismissProblem"
                text: "OK"
                onClicked: problemAlert.close()
            }
        }
    }
}
