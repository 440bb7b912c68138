// The top of a meeting's pane: its title (or the field that renames it), then its date and
// length, and the banner its state calls for.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

Column {
    id: header
    objectName: "meetingHeader"

    required property MeetingsWindowModel meetings
    readonly property MeetingDetail detail: meetings.detail

    spacing: 0

    Loader {
        width: header.width
        sourceComponent: header.meetings.renamingShown ? renameField : titleText
    }
    Item { width: 1; height: 8 }
    Text {
        objectName: "meetingDate"
        width: header.width
        wrapMode: Text.Wrap
        text: header.detail.dateLine
        font: Theme.meta
        color: Theme.ink2
    }
    Item { width: 1; height: 24 }

    Notice {
        id: banner
        objectName: "meetingBanner"
        width: header.width
        visible: header.detail.banner
        opacity: visible ? 1 : 0
        tint: header.bannerLook.tone
        symbol: header.bannerLook.symbol
        title: header.bannerLook.text
        detail: header.detail.bannerDetail
        Behavior on opacity { NumberAnimation { duration: Theme.fadeDuration } }

        PillButton {
            objectName: "bannerRetry"
            visible: header.detail.bannerRetry
            text: "Reintentar"
            tint: Theme.attention
            onClicked: header.meetings.retry(header.detail.meetingId)
        }
    }
    Item { width: 1; height: banner.visible ? 32 : 0 }

    // The banner draws the state as the list's badge does.
    readonly property StateStyle bannerLook: StateStyle {
        state: header.detail.state
    }

    // These components live only inside this file, where its ids are in scope; Qt 6.4's
    // lint can't see that, and the pragma that would tell it breaks Loader in 6.4.
    // qmllint disable unqualified
    Component {
        id: titleText
        TextEdit {
            objectName: "meetingTitle"
            text: header.detail.title
            wrapMode: TextEdit.Wrap
            readOnly: true
            selectByMouse: true
            font: Theme.title
            color: Theme.ink
            selectionColor: Theme.highlight
            selectedTextColor: Theme.onHighlight
            Accessible.role: Accessible.Heading
            Accessible.name: text
        }
    }

    Component {
        id: renameField
        TextField {
            id: field
            objectName: "renameField"

            // Submitting, leaving the field and Escape each end the edit once.
            property bool ended: false
            function finish(title) {
                if (ended) return
                ended = true
                header.meetings.rename(header.detail.meetingId, title)
            }

            text: header.detail.title
            // qmllint enable unqualified
            placeholderText: "Título"
            font: Theme.title
            color: Theme.ink
            placeholderTextColor: Theme.ink3
            selectionColor: Theme.highlight
            selectedTextColor: Theme.onHighlight
            padding: 4
            background: Rectangle {
                color: Theme.raised
                border.width: 2
                border.color: Theme.accent
            }
            Accessible.role: Accessible.EditableText
            Accessible.name: "Título"
            Component.onCompleted: {
                forceActiveFocus()
                selectAll()
            }
            onAccepted: finish(text)
            onActiveFocusChanged: if (!activeFocus) finish(text)
            Keys.onEscapePressed: finish(null)
        }
    }
}
