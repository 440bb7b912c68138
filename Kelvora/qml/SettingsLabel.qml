// The label at the start of a settings row.
import QtQuick
import QtQuick.Layouts
import Kelvora

Text {
    Layout.preferredWidth: 130
    font: Theme.ui
    color: Theme.ink
    elide: Text.ElideRight
}
