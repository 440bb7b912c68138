// The actions on one meeting, as the context menu of its row and as "Más acciones" in the
// detail toolbar. Entries the meeting's state rules out are disabled; "Reintentar" is there only
// for a meeting that needs attention.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

Menu {
    id: menu
    objectName: "actionMenu"

    required property var meetings
    property string meetingId
    property string state
    property bool busy
    property bool hasFile
    property bool hasAudio
    property bool canReprocess

    // Takes the meeting from anything with the list model's role names (a row, the detail).
    function openFor(meeting, parent, x, y) {
        meetingId = meeting.meetingId
        state = meeting.state
        busy = meeting.busy
        hasFile = meeting.hasFile
        hasAudio = meeting.hasAudio
        canReprocess = meeting.canReprocess
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
        enabled: !menu.busy
        onTriggered: menu.meetings.beginRename(menu.meetingId)
    }
    Entry {
        objectName: "actionCopy"
        text: "Copiar"
        enabled: menu.hasFile
        onTriggered: menu.meetings.copyNotes(menu.meetingId)
    }
    Entry {
        objectName: "actionOpen"
        text: "Abrir en el editor"
        enabled: menu.hasFile
        onTriggered: menu.meetings.openInEditor(menu.meetingId)
    }
    Entry {
        objectName: "actionReveal"
        text: "Mostrar en la carpeta"
        enabled: menu.hasFile
        onTriggered: menu.meetings.reveal(menu.meetingId)
    }
    Entry {
        objectName: "actionRevealAudio"
        text: "Mostrar audio en la carpeta"
        enabled: menu.hasAudio
        onTriggered: menu.meetings.revealAudio(menu.meetingId)
    }
    Line {}
    Entry {
        objectName: "actionRetry"
        text: "Reintentar"
        visible: menu.state === "needs-attention"
        onTriggered: menu.meetings.retry(menu.meetingId)
    }
    Entry {
        objectName: "actionReprocess"
        text: "Reprocesar"
        enabled: menu.canReprocess
        onTriggered: menu.meetings.reprocess(menu.meetingId)
    }
    Line {}
    Entry {
        objectName: "actionDelete"
        text: "Borrar…"
        destructive: true
        enabled: !menu.busy
        onTriggered: menu.meetings.askDelete(menu.meetingId)
    }
}
