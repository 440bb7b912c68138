// The search results in place of the day list while the search field holds text: the hits
// grouped by class, or "Sin resultados". Choosing a hit opens its class at it. Above them, how
// far a long update of the index is, which the answer waits for.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

ListView {
    id: list
    objectName: "searchResults"

    required property SearchResultsModel results

    clip: true
    activeFocusOnTab: true
    boundsBehavior: Flickable.StopAtBounds
    model: list.results
    currentIndex: list.results.currentIndex
    keyNavigationEnabled: false
    Accessible.role: Accessible.List
    Accessible.name: "Resultados de la búsqueda"
    ScrollBar.vertical: ScrollBar {}
    highlightFollowsCurrentItem: false

    onCurrentIndexChanged: if (currentIndex >= 0) positionViewAtIndex(currentIndex, ListView.Contain)

    Keys.onUpPressed: (event) => { event.accepted = list.results.moveCurrent(-1) }
    Keys.onDownPressed: (event) => { event.accepted = list.results.moveCurrent(1) }
    Keys.onReturnPressed: list.results.chooseCurrent()
    Keys.onEnterPressed: list.results.chooseCurrent()

    header: Item {
        // The header lives inside this file, where its ids are in scope; Qt 6.4's lint can't
        // see that.
        // qmllint disable unqualified
        width: list.width
        height: indexing.visible ? indexing.implicitHeight + 16 : 0

        Text {
            id: indexing
            objectName: "searchIndexing"
            visible: list.results.indexing
            x: 24
            y: 8
            width: list.width - 48
            wrapMode: Text.Wrap
            text: list.results.indexingLine
            // qmllint enable unqualified
            font: Theme.meta
            color: Theme.ink3
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }

    delegate: SearchHitRow {
        // The delegate lives inside this file, where its ids are in scope; Qt 6.4's lint
        // can't see that.
        // qmllint disable unqualified
        results: list.results
        // qmllint enable unqualified
    }

    Text {
        objectName: "noResults"
        visible: list.results.empty && !list.results.indexing
        x: 24
        y: 24
        width: list.width - 48
        wrapMode: Text.Wrap
        text: "Sin resultados"
        font: Theme.meta
        color: Theme.ink3
    }
}
