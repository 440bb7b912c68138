// The first-start window's content: greeting, the two permission steps, the notes folder, the
// consent checkbox and "Listo", which alone ends onboarding.
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kelvora

Rectangle {
    id: root

    required property QtObject model
    required property QtObject app
    property bool consent: false
    property bool appeared: false

    // After the consent is stored; the window closes itself on it.
    signal finished()

    function finish() {
        if (!consent)
            return
        model.acknowledgeConsent()
        finished()
    }
    // Runs when the window is shown.
    function appear() {
        app.downloadModel()
        appeared = true
    }

    objectName: "onboarding.root"
    implicitWidth: 520
    implicitHeight: column.implicitHeight + 12 + 32
    color: Theme.canvas
    focus: true
    Keys.onReturnPressed: finish()
    Keys.onEnterPressed: finish()

    ColumnLayout {
        id: column
        x: 32
        y: 12
        width: parent.width - 64
        spacing: 0

        KelvMark { size: 44 }
        Item { implicitHeight: 16 }
        Text {
            text: "Bienvenida a Tizara"
            font: Theme.display
            color: Theme.ink
            Accessible.role: Accessible.Heading
        }
        Text {
            Layout.fillWidth: true
            Layout.topMargin: 8
            Layout.bottomMargin: 24
            text: "Tizara graba tus clases y escribe apuntes de estudio en tu carpeta. Por defecto todo se queda en este ordenador."
            font: Theme.ui
            color: Theme.ink2
            lineHeightMode: Text.FixedHeight
            lineHeight: fontMetrics.height + 3
            wrapMode: Text.Wrap
            FontMetrics { id: fontMetrics; font: Theme.ui }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: steps.implicitHeight + 2
            color: Theme.sidebar
            border.color: Theme.line
            border.width: 1
            ColumnLayout {
                id: steps
                x: 1
                y: 1
                width: parent.width - 2
                spacing: 0
                Repeater {
                    model: 3
                    ColumnLayout {
                        id: entry
                        required property int index
                        Layout.fillWidth: true
                        spacing: 0
                        opacity: root.appeared ? 1 : 0
                        transform: Translate {
                            y: root.appeared || Theme.reduceMotion ? 0 : 8
                            Behavior on y {
                                SequentialAnimation {
                                    PauseAnimation { duration: 60 * (entry.index + 1) }
                                    NumberAnimation { duration: 140; easing.type: Easing.OutQuad }
                                }
                            }
                        }
                        Behavior on opacity {
                            SequentialAnimation {
                                PauseAnimation { duration: 60 * (entry.index + 1) }
                                NumberAnimation {
                                    duration: Theme.reduceMotion ? 150 : 140
                                    easing.type: Theme.reduceMotion ? Easing.InOutQuad : Easing.OutQuad
                                }
                            }
                        }
                        Rectangle {
                            visible: entry.index > 0
                            Layout.fillWidth: true
                            implicitHeight: 1
                            color: Theme.line
                        }
                        OnboardingStep {
                            objectName: ["onboarding.mic", "onboarding.systemAudio",
                                "onboarding.folder"][entry.index]
                            Layout.fillWidth: true
                            number: entry.index + 1
                            title: ["Micrófono", "Audio del sistema", "Carpeta de apuntes"][entry.index]
                            pathDetail: entry.index === 2
                            detail: entry.index === 0
                                    ? (root.model.mic === "denied"
                                       ? "Permite el acceso de Tizara al micrófono en los ajustes de privacidad del sistema."
                                       : "Graba al aula desde el micrófono.")
                                    : entry.index === 1
                                      ? (typeof root.model.systemAudio === "string" && root.model.systemAudio !== ""
                                         ? root.model.systemAudio
                                         : "Graba clases online (Zoom, Teams, Meet) desde el audio del sistema.")
                                      : root.model.notesFolder
                            done: entry.index === 0 ? root.model.mic === "authorized"
                                  : entry.index === 1 ? root.model.systemAudio === ""
                                  : false
                            button: entry.index === 1 && typeof root.model.systemAudio === "string"
                                    ? "Reintentar"
                                    : entry.index === 2 ? "Elegir…" : "Permitir"
                            onActivated: {
                                if (entry.index === 0) root.model.requestMic()
                                else if (entry.index === 1) root.model.requestSystemAudio()
                                else chooser.open()
                            }
                        }
                    }
                }
            }
        }

        CheckBox {
            id: consentBox
            objectName: "onboarding.consent"
            Layout.fillWidth: true
            Layout.topMargin: 24
            checked: root.consent
            onToggled: root.consent = checked
            palette.highlight: Theme.accent
            palette.base: Theme.raised
            palette.text: Theme.ink
            palette.windowText: Theme.ink
            // Drawn here: the style's own check image is never freed by the software renderer.
            indicator: Rectangle {
                objectName: "onboarding.consentBox"
                x: consentBox.leftPadding
                y: (consentBox.height - height) / 2
                implicitWidth: 20
                implicitHeight: 20
                color: Theme.raised
                border.width: 2
                border.color: Theme.line
                Symbol {
                    anchors.centerIn: parent
                    width: 14
                    height: 14
                    visible: consentBox.checked
                    name: "checkmark"
                    color: Theme.ink
                }
            }
            // Given as the control's text too, so the indicator sits at the start of the row.
            text: "Avisaré al profesorado cuando grabe, como exige la ley y la normativa de mi universidad."
            contentItem: Text {
                leftPadding: consentBox.indicator.width + consentBox.spacing
                text: consentBox.text
                font: Theme.ui
                color: Theme.ink
                wrapMode: Text.Wrap
                verticalAlignment: Text.AlignVCenter
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 32
            spacing: 8
            RowLayout {
                objectName: "onboarding.download"
                spacing: 6
                opacity: root.app.modelDownload !== "" ? 1 : 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: 150 } }
                Text {
                    objectName: "onboarding.downloadSymbol"
                    readonly property bool ready: root.app.modelDownload.endsWith("ready.")
                    text: ready ? "✔" : "⬇"
                    font: Theme.meta
                    color: ready ? Theme.accent : Theme.ink3
                }
                Text {
                    objectName: "onboarding.downloadText"
                    text: root.app.modelDownload
                    font: Theme.meta
                    color: Theme.ink2
                }
            }
            Item { Layout.fillWidth: true }
            PillButton {
                objectName: "onboarding.done"
                text: "Listo"
                filled: true
                enabled: root.consent
                onClicked: root.finish()
            }
        }
    }

    NotesFolderChooser { id: chooser; model: root.model }
}
