// The buttons over the top right of a meeting's pane: copy the notes, open them in the editor,
// show them in the folder, and the action menu. Scrolled text passes under a short fade.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

Item {
    id: toolbar
    objectName: "detailToolbar"

    required property MeetingsWindowModel meetings
    readonly property MeetingDetail detail: meetings.detail

    implicitHeight: 52

    // Behind the buttons only, so the title at rest is not washed out.
    Rectangle {
        x: buttons.x - 16
        width: buttons.width + 32
        height: parent.height
        gradient: Gradient {
            GradientStop { position: 0.0; color: Theme.canvas }
            GradientStop { position: 0.6; color: Theme.canvas }
            GradientStop { position: 1.0; color: Qt.rgba(Theme.canvas.r, Theme.canvas.g, Theme.canvas.b, 0) }
        }
    }

    component ToolButton: QuietButton {
        id: button
        property string symbol
        property string help
        square: true
        Accessible.name: help
        ToolTip.visible: hovered && help !== ""
        ToolTip.delay: Theme.tooltipDelay
        ToolTip.text: help
        Symbol {
            anchors.centerIn: parent
            width: 16
            height: 16
            name: button.symbol
            color: button.hovered ? button.labelColor : Theme.ink2
        }
    }

    Row {
        id: buttons
        anchors.right: parent.right
        anchors.rightMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2

        ToolButton {
            objectName: "copyNotes"
            symbol: toolbar.detail.copySymbol
            help: toolbar.detail.copyHelp
            enabled: toolbar.detail.hasFile
            onClicked: toolbar.detail.copyNotes()
        }
        ToolButton {
            objectName: "openInEditor"
            symbol: "square.and.pencil"
            help: "Abrir en el editor"
            enabled: toolbar.detail.hasFile
            onClicked: toolbar.meetings.openInEditor(toolbar.detail.meetingId)
        }
        ToolButton {
            objectName: "revealFile"
            symbol: "folder"
            help: "Mostrar en la carpeta"
            enabled: toolbar.detail.hasFile
            onClicked: toolbar.meetings.reveal(toolbar.detail.meetingId)
        }
        ToolButton {
            id: more
            objectName: "moreActions"
            symbol: "ellipsis"
            help: "Más acciones"
            onClicked: menu.openFor(toolbar.detail.meetingId, more, 0, more.height)
        }
    }

    MeetingActionMenu {
        id: menu
        objectName: "detailActionMenu"
        meetings: toolbar.meetings
    }
}
