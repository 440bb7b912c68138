// Styled block text the user can select and copy: rich text of the inline Markdown, with the
// extra space between lines the reading texts use.
import QtQuick
import Kelvora

TextEdit {
    id: root

    property string styled: ""
    property int lineSpacing: 5

    text: "<div style=\"-qt-line-height-type:line-distance; line-height:" + lineSpacing + "px\">"
          + styled + "</div>"
    textFormat: TextEdit.RichText
    wrapMode: TextEdit.Wrap
    readOnly: true
    selectByMouse: true
    font: Theme.reading
    color: Theme.ink
    selectionColor: Theme.highlight
    selectedTextColor: Theme.onHighlight
    activeFocusOnPress: true
    onLinkActivated: (link) => Qt.openUrlExternally(link)
}
