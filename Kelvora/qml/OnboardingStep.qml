// One numbered step of onboarding: the number (a check once done), the title and detail, and
// the step's button, or "Permitido" once done.
import QtQuick
import QtQuick.Layouts
import Kelvora

Item {
    id: step

    property int number
    property string title
    property string detail
    property bool done: false
    property string button
    // The folder's path is cut in the middle, on one line.
    property bool pathDetail: false

    signal activated()

    implicitHeight: row.implicitHeight + 24
    Accessible.role: Accessible.ListItem
    Accessible.name: title + ", " + (done ? "Permitido" : detail)

    RowLayout {
        id: row
        x: 16
        y: 12
        width: parent.width - 32
        spacing: 16

        Item {
            Layout.preferredWidth: 24
            Layout.preferredHeight: 24
            Layout.alignment: Qt.AlignTop
            Accessible.ignored: true
            Rectangle {
                anchors.fill: parent
                color: "transparent"
                border.color: Theme.line
                border.width: 1.5
                opacity: step.done ? 0 : 1
                Text {
                    anchors.centerIn: parent
                    text: step.number
                    font: Theme.meta
                    color: Theme.ink2
                }
            }
            Rectangle {
                objectName: "onboarding.check"
                anchors.fill: parent
                color: Theme.accent
                opacity: step.done ? 1 : 0
                scale: step.done || Theme.reduceMotion ? 1 : 0.4
                Behavior on opacity { NumberAnimation { duration: Theme.reduceMotion ? 150 : 220 } }
                Behavior on scale {
                    enabled: !Theme.reduceMotion
                    SpringAnimation { spring: 4; damping: 0.3 }
                }
                Text {
                    anchors.centerIn: parent
                    text: "✓"
                    font.bold: true
                    font.pixelSize: 15
                    color: Theme.onFill
                }
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Text {
                Layout.fillWidth: true
                text: step.title
                font: Theme.uiStrong
                color: Theme.ink
                wrapMode: Text.Wrap
            }
            Text {
                objectName: "onboarding.detail"
                Layout.fillWidth: true
                text: step.detail
                font: Theme.meta
                color: Theme.ink2
                wrapMode: step.pathDetail ? Text.NoWrap : Text.Wrap
                maximumLineCount: step.pathDetail ? 1 : 3
                elide: step.pathDetail ? Text.ElideMiddle : Text.ElideRight
            }
        }

        Text {
            objectName: "onboarding.allowed"
            visible: step.done
            text: "Permitido"
            font: Theme.metaMedium
            color: Theme.accent
        }
        PillButton {
            objectName: "onboarding.button"
            visible: !step.done
            text: step.button
            onClicked: step.activated()
        }
    }
}
