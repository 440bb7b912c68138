// The first-start window's content: greeting, the two permission steps, the notes folder, the
// consent checkbox and "Listo", which alone ends onboarding.
// The steps read the view's ids, so they are bound to the view.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Kelvora

Rectangle {
    id: root

    // The notes folder is the settings' own.
    required property SettingsModel model
    required property AppModel app
    required property PermissionsModel permissions
    property bool consent: false
    property bool appeared: false

    // After the consent is stored; the window closes itself on it.
    signal finished()

    function finish() {
        if (!consent)
            return
        permissions.acknowledgeConsent()
        finished()
    }
    // Runs when the window is shown.
    function appear() {
        app.downloadModel()
        appeared = true
    }

    objectName: "onboarding.root"
    // 520 wide at the standard text size, wider with a larger text.
    implicitWidth: Math.round(520 * Theme.textScale)
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
            Accessible.name: text
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
                    model: onboardingSteps
                    ColumnLayout {
                        id: entry
                        required property int index
                        required property string identifier
                        required property int number
                        required property string title
                        required property string detail
                        required property bool done
                        required property string button
                        required property bool pathDetail
                        Layout.fillWidth: true
                        spacing: 0
                        opacity: root.appeared ? 1 : 0
                        transform: Translate {
                            y: root.appeared || Theme.reduceMotion ? 0 : 8
                            // Each step comes one fade later than the one above it.
                            Behavior on y {
                                SequentialAnimation {
                                    PauseAnimation { duration: Theme.fadeDuration * (entry.index + 1) }
                                    NumberAnimation {
                                        duration: Theme.layoutDuration
                                        easing.type: Theme.layoutEasing
                                    }
                                }
                            }
                        }
                        Behavior on opacity {
                            SequentialAnimation {
                                PauseAnimation { duration: Theme.fadeDuration * (entry.index + 1) }
                                NumberAnimation {
                                    duration: Theme.layoutDuration
                                    easing.type: Theme.layoutEasing
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
                            objectName: entry.identifier
                            Layout.fillWidth: true
                            number: entry.number
                            title: entry.title
                            pathDetail: entry.pathDetail
                            detail: entry.detail
                            done: entry.done
                            button: entry.button
                            onActivated: onboardingSteps.activate(entry.index)
                        }
                    }
                }
            }
        }

        ThemedCheckBox {
            objectName: "onboarding.consent"
            Layout.fillWidth: true
            Layout.topMargin: 24
            checked: root.consent
            onToggled: root.consent = checked
            text: "Avisaré al profesorado cuando grabe, como exige la ley y la normativa de mi universidad."
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 32
            spacing: 8
            RowLayout {
                id: download
                objectName: "onboarding.download"
                Layout.fillWidth: true
                spacing: 6
                opacity: onboardingSteps.download !== BackgroundProcessing.None ? 1 : 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: Theme.layoutDuration } }
                Text {
                    objectName: "onboarding.downloadSymbol"
                    readonly property bool ready: onboardingSteps.download === BackgroundProcessing.Ready
                    Layout.alignment: Qt.AlignTop
                    text: ready ? "✔" : "⬇"
                    font: Theme.meta
                    color: ready ? Theme.accent : Theme.ink3
                    Accessible.ignored: true
                }
                Text {
                    objectName: "onboarding.downloadText"
                    Layout.fillWidth: true
                    text: onboardingSteps.downloadText
                    font: Theme.meta
                    color: Theme.ink2
                    wrapMode: Text.Wrap
                }
            }
            // Holds "Listo" at the end while there is no download to show.
            Item { Layout.fillWidth: true; visible: !download.visible }
            PillButton {
                objectName: "onboarding.done"
                Layout.alignment: Qt.AlignBottom
                text: "Listo"
                filled: true
                enabled: root.consent
                onClicked: root.finish()
            }
        }
    }

    OnboardingSteps {
        id: onboardingSteps
        permissions: root.permissions
        app: root.app
        folder: root.model.notesFolder
        onFolderChoiceRequested: chooser.open()
    }
    NotesFolderChooser { id: chooser; model: root.model }
}
