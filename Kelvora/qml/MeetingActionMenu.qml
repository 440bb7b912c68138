// The actions on one meeting, as the context menu of its row and as "Más acciones" in the
// detail toolbar. Which entries are enabled, and whether "Reintentar" is there at all, the
// menu's MeetingActions decide from the meeting.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

Menu {
    id: menu
    objectName: "actionMenu"

    required property MeetingsWindowModel meetings
    readonly property MeetingActions actions: MeetingActions {
        meetings: menu.meetings
    }
    readonly property string meetingId: actions.meetingId

    function openFor(meetingId: string, parent: Item, x: real, y: real) {
        actions.meetingId = meetingId
        popup(parent, x, y)
    }

    padding: 4
    background: Rectangle {
        implicitWidth: 240
        color: Theme.raised
        border.width: 2
        border.color: Theme.line
    }

    component Entry: MenuItem {
        id: entry
        property bool destructive: false
        height: visible ? implicitHeight : 0
        implicitHeight: 28
        Accessible.role: Accessible.MenuItem
        Accessible.name: text
        // A screen reader's press runs the entry and closes the menu, as a click does.
        Accessible.onPressAction: if (enabled) triggered()
        contentItem: Text {
            leftPadding: 8
            text: entry.text
            font: Theme.ui
            color: entry.highlighted ? Theme.onHighlight
                                     : (entry.destructive ? Theme.attention : Theme.ink)
            opacity: entry.enabled ? 1 : 0.4
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            color: entry.highlighted ? Theme.highlight : "transparent"
        }
    }
    component Line: MenuSeparator {
        contentItem: Rectangle {
            implicitHeight: 2
            color: Theme.line
        }
    }

    Entry {
        objectName: "actionRename"
        text: "Renombrar…"
        enabled: menu.actions.canRename
        onTriggered: menu.meetings.beginRename(menu.meetingId)
    }
    Entry {
        objectName: "actionCopy"
        text: "Copiar"
        enabled: menu.actions.canCopy
        onTriggered: menu.meetings.copyNotes(menu.meetingId)
    }
    Entry {
        objectName: "actionOpen"
        text: "Abrir en el editor"
        enabled: menu.actions.canOpen
        onTriggered: menu.meetings.openInEditor(menu.meetingId)
    }
    Entry {
        objectName: "actionReveal"
        text: "Mostrar en la carpeta"
        enabled: menu.actions.canReveal
        onTriggered: menu.meetings.reveal(menu.meetingId)
    }
    Entry {
        objectName: "actionRevealAudio"
        text: "Mostrar audio en la carpeta"
        enabled: menu.actions.canRevealAudio
        onTriggered: menu.meetings.revealAudio(menu.meetingId)
    }
    Entry {
        objectName: "actionExport"
        text: "Exportar…"
        enabled: menu.actions.canExport
        onTriggered: menu.meetings.exportMeeting(menu.meetingId)
    }
    Entry {
        objectName: "actionCards"
        text: "Crear tarjetas de estudio"
        enabled: menu.actions.canMakeCards
        onTriggered: menu.meetings.makeCards(menu.meetingId)
    }
    Line {}
    Entry {
        objectName: "actionRetry"
        text: "Reintentar"
        visible: menu.actions.canRetry
        onTriggered: menu.meetings.retry(menu.meetingId)
    }
    Entry {
        objectName: "actionReprocess"
        text: "Reprocesar"
        enabled: menu.actions.canReprocess
        onTriggered: menu.meetings.reprocess(menu.meetingId)
    }
    Line {}
    Entry {
        objectName: "actionDelete"
        text: "Borrar…"
        destructive: true
        enabled: menu.actions.canDelete
        onTriggered: menu.meetings.askDelete(menu.meetingId)
    }
}
