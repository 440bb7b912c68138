// A scrolling page of settings groups, padded like a grouped form.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

ScrollView {
    id: page

    default property alias groups: column.data

    contentWidth: availableWidth
    clip: true

    ColumnLayout {
        id: column
        x: 20
        y: 16
        width: page.availableWidth - 40
        spacing: 18
        Item { implicitHeight: 4 }
    }
}
