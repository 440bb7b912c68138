// The player under a meeting's header: play or pause, back and forward 10 s, the elapsed time,
// the position slider, the length and the speed; or, when the audio can't be played, the one
// line that says why. Every control can be pressed by the accessibility tools as by a click.
import QtQuick
import QtQuick.Controls.Basic
import Kelvora

Item {
    id: bar
    objectName: "playerBar"

    required property Player player
    readonly property bool failed: player.state === Player.Failed
    readonly property bool ready: player.state === Player.Ready || player.state === Player.Playing

    visible: player.shown
    implicitHeight: visible ? 40 : 0
    Accessible.role: Accessible.ToolBar
    Accessible.name: "Reproductor"

    component BarButton: QuietButton {
        id: button
        property string symbol
        square: true
        focusPolicy: Qt.TabFocus
        Accessible.name: text
        ToolTip.visible: hovered
        ToolTip.delay: Theme.tooltipDelay
        ToolTip.text: text
        Symbol {
            anchors.centerIn: parent
            width: 16
            height: 16
            name: button.symbol
            color: button.hovered || button.down ? button.labelColor : Theme.ink
        }
    }

    Card {
        anchors.fill: parent
        color: Theme.ink2
        fill: 0.03
    }

    Row {
        id: controls
        objectName: "playerControls"
        visible: !bar.failed
        x: 6
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2

        BarButton {
            objectName: "playerPlay"
            enabled: bar.ready
            text: bar.player.playing ? "Pausa" : "Reproducir"
            symbol: bar.player.playing ? "pause.fill" : "play.fill"
            onClicked: bar.player.toggle()
        }
        BarButton {
            objectName: "playerBack"
            enabled: bar.ready
            text: "Retroceder 10 segundos"
            symbol: "gobackward.10"
            onClicked: bar.player.skip(-10)
        }
        BarButton {
            objectName: "playerForward"
            enabled: bar.ready
            text: "Avanzar 10 segundos"
            symbol: "goforward.10"
            onClicked: bar.player.skip(10)
        }
        Item { width: 8; height: 1 }
        Text {
            objectName: "playerElapsed"
            anchors.verticalCenter: parent.verticalCenter
            text: bar.player.elapsedText
            font: Theme.meta
            color: Theme.ink2
            Accessible.ignored: true
        }
        Item { width: 8; height: 1 }
        Slider {
            id: slider
            objectName: "playerSlider"
            anchors.verticalCenter: parent.verticalCenter
            width: Math.max(60, bar.width - controls.x - x - tail.width - 12)
            enabled: bar.ready
            focusPolicy: Qt.TabFocus
            from: 0
            to: Math.max(bar.player.duration, 0.001)
            stepSize: 0
            // Follows the player except while the user holds the handle; the seek is made
            // when it is let go.
            Binding on value {
                when: !slider.pressed
                value: bar.player.position
            }
            onPressedChanged: if (!pressed) bar.player.seek(value)
            Accessible.name: "Posición"
            Accessible.description: bar.player.progressText
            Accessible.onIncreaseAction: bar.player.skip(10)
            Accessible.onDecreaseAction: bar.player.skip(-10)
            Accessible.onPressAction: bar.player.toggle()
            background: Rectangle {
                x: slider.leftPadding
                y: slider.topPadding + slider.availableHeight / 2 - height / 2
                width: slider.availableWidth
                height: 6
                color: Theme.raised
                border.width: 2
                border.color: Theme.line
                Rectangle {
                    width: slider.visualPosition * parent.width
                    height: parent.height
                    color: Theme.accent
                    border.width: 2
                    border.color: Theme.line
                }
            }
            handle: Rectangle {
                x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
                y: slider.topPadding + slider.availableHeight / 2 - height / 2
                width: 12
                height: 16
                color: slider.pressed || slider.hovered ? Theme.highlight : Theme.raised
                border.width: 2
                border.color: Theme.line
            }
        }
    }

    Row {
        id: tail
        visible: !bar.failed
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        spacing: 8
        Text {
            objectName: "playerTotal"
            anchors.verticalCenter: parent.verticalCenter
            text: bar.player.totalText
            font: Theme.meta
            color: Theme.ink3
            Accessible.ignored: true
        }
        QuietButton {
            id: speed
            objectName: "playerSpeed"
            anchors.verticalCenter: parent.verticalCenter
            enabled: bar.ready
            focusPolicy: Qt.TabFocus
            text: bar.player.speedText
            Accessible.name: "Velocidad " + bar.player.speedText
            onClicked: bar.player.nextSpeed()
        }
    }

    Row {
        objectName: "playerProblem"
        visible: bar.failed
        x: 14
        anchors.verticalCenter: parent.verticalCenter
        spacing: 8
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            width: 16
            height: 16
            name: "exclamationmark.triangle.fill"
            color: Theme.attention
        }
        Text {
            objectName: "playerMessage"
            anchors.verticalCenter: parent.verticalCenter
            width: bar.width - 60
            elide: Text.ElideRight
            text: bar.player.message
            font: Theme.ui
            color: Theme.ink
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
