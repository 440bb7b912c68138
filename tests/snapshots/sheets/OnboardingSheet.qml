// Onboarding for review, before any step and after the steps (permissions given, a failed
// system-audio attempt or not, the model downloaded, consent ticked).
import QtQuick
import Kelvora

OnboardingView {
    id: sheet

    property bool after: false

    width: 520
    appeared: true
    consent: after
    model: SettingsSample {
        mic: sheet.after ? "authorized" : "notDetermined"
        systemAudio: sheet.after ? "" : undefined
    }
    app: QtObject {
        property string modelDownload: sheet.after ? "Transcription model ready."
                                                   : "Downloading the transcription model in the background…"
        function downloadModel() {}
    }
}
