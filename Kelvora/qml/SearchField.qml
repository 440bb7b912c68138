// The search field at the top of the meetings sidebar. Typing searches every class; Escape
// clears it and gives the keyboard back to the list; Up, Down and Return walk and open the
// results without leaving the field.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

FocusScope {
    id: root

    required property SearchResultsModel results
    readonly property alias input: field
    signal finished()

    implicitHeight: 36

    function clear() {
        field.text = ""
        root.finished()
    }

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: Theme.raised
        border.width: field.activeFocus ? 2 : 1
        border.color: field.activeFocus ? Theme.accent : Theme.line
    }
    TextField {
        id: field
        objectName: "searchField"
        x: 4
        width: root.width - x - (clearButton.visible ? clearButton.width + 4 : 4)
        height: root.height
        focus: true
        font: Theme.ui
        color: Theme.ink
        placeholderText: "Buscar en las clases"
        placeholderTextColor: Theme.ink3
        selectByMouse: true
        background: Item {}
        Accessible.role: Accessible.EditableText
        Accessible.name: "Buscar en las clases"
        onTextChanged: root.results.query = text
        Keys.onEscapePressed: root.clear()
        Keys.onUpPressed: (event) => { event.accepted = root.results.moveCurrent(-1) }
        Keys.onDownPressed: (event) => { event.accepted = root.results.moveCurrent(1) }
        Keys.onReturnPressed: root.results.chooseCurrent()
        Keys.onEnterPressed: root.results.chooseCurrent()
    }
    // The text set from elsewhere (cleared, restored) shows in the field.
    Connections {
        target: root.results
        function onQueryChanged() {
            if (field.text !== root.results.query) field.text = root.results.query
        }
    }
    QuietButton {
        id: clearButton
        objectName: "clearSearch"
        anchors.right: parent.right
        anchors.rightMargin: 4
        anchors.verticalCenter: parent.verticalCenter
        square: true
        visible: field.text !== ""
        text: "Borrar búsqueda"
        onClicked: root.clear()
        Text {
            anchors.centerIn: parent
            text: "×"
            font: Theme.ui
            color: clearButton.labelColor
        }
    }
}
