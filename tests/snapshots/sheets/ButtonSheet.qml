// Every state of the two button styles, cards and the logo, for review.
import QtQuick
import QtQuick.Layouts
import Kelvora

Rectangle {
    id: sheet
    width: 760
    height: column.implicitHeight + 48
    color: Theme.canvas

    component Caption: Text {
        font: Theme.caps(Theme.eyebrow, 0.6)
        color: Theme.ink2
    }

    ColumnLayout {
        id: column
        x: 24
        y: 24
        width: sheet.width - 48
        spacing: 20

        Caption { text: "Pill · rest, hover, pressed, disabled, disabled + pressed" }
        Repeater {
            model: [
                { filled: false, tint: "accent" },
                { filled: true, tint: "accent" },
                { filled: true, tint: "recording" }
            ]
            delegate: RowLayout {
                required property var modelData
                spacing: 20
                Repeater {
                    model: [
                        { hovered: false, pressed: false, enabled: true, text: "Rest" },
                        { hovered: true, pressed: false, enabled: true, text: "Hover" },
                        { hovered: true, pressed: true, enabled: true, text: "Pressed" },
                        { hovered: true, pressed: false, enabled: false, text: "Disabled" },
                        { hovered: true, pressed: true, enabled: false, text: "Off+press" }
                    ]
                    delegate: PillButtonStyle {
                        required property var modelData
                        filled: parent.modelData.filled
                        tint: Theme[parent.modelData.tint]
                        hovered: modelData.hovered
                        pressed: modelData.pressed
                        enabled: modelData.enabled
                        text: modelData.text
                    }
                }
            }
        }
        PillButtonStyle {
            Layout.fillWidth: true
            wide: true
            filled: true
            text: "Grabar clase"
        }

        Caption { text: "Quiet · rest, hover, pressed, disabled; square and row" }
        RowLayout {
            spacing: 20
            Repeater {
                model: [
                    { hovered: false, pressed: false, enabled: true },
                    { hovered: true, pressed: false, enabled: true },
                    { hovered: true, pressed: true, enabled: true },
                    { hovered: true, pressed: false, enabled: false }
                ]
                delegate: QuietButtonStyle {
                    required property var modelData
                    square: true
                    text: "⌘"
                    hovered: modelData.hovered
                    pressed: modelData.pressed
                    enabled: modelData.enabled
                }
            }
        }
        Repeater {
            model: [
                { hovered: false, pressed: false, enabled: true, text: "Abrir Tizara" },
                { hovered: true, pressed: false, enabled: true, text: "Ajustes…" },
                { hovered: true, pressed: true, enabled: true, text: "Salir de Tizara" },
                { hovered: true, pressed: false, enabled: false, text: "Desactivado" }
            ]
            delegate: QuietButtonStyle {
                required property var modelData
                Layout.preferredWidth: 300
                text: modelData.text
                hovered: modelData.hovered
                pressed: modelData.pressed
                enabled: modelData.enabled
            }
        }

        Caption { text: "Cards · chip (ink2, 0.06), warning (attention, 0.1), fill 0.5" }
        RowLayout {
            spacing: 20
            Card {
                color: Theme.ink2
                fill: 0.06
                Text {
                    leftPadding: 6; rightPadding: 6; topPadding: 2; bottomPadding: 2
                    text: "Due 12 mar"
                    font: Theme.caption
                    color: Theme.ink2
                }
            }
            Card {
                color: Theme.attention
                fill: 0.1
                Text {
                    padding: 12
                    text: "Poco espacio en disco"
                    font: Theme.uiStrong
                    color: Theme.attention
                }
            }
            Card {
                color: Theme.accent
                fill: 0.5
                Text {
                    padding: 12
                    text: "Fill 0.5"
                    font: Theme.ui
                    color: Theme.onFill
                }
            }
        }

        Caption { text: "Logo · 32 and 64" }
        RowLayout {
            spacing: 20
            KelvMark { size: 32 }
            KelvMark { size: 64 }
        }
        Item { implicitHeight: 4 }
    }
}
