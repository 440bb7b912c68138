// Settings values for review images: the shape the settings window binds to, filled with a
// fixed example so every rendering is the same.
import QtQuick

QtObject {
    property string variant: "cloud"
    readonly property var notesPresets: [
        { name: "OpenAI", address: "https://api.openai.com/v1", model: "gpt-4.1-mini", needsKey: true },
        { name: "Anthropic", address: "https://api.anthropic.com", model: "claude-sonnet-4-5", needsKey: true },
        { name: "Ollama", address: "http://localhost:11434/v1", model: "qwen3:8b", needsKey: false }]
    readonly property var transcriptionPresets: [
        { name: "OpenAI", address: "https://api.openai.com/v1", model: "whisper-1", needsKey: true },
        { name: "Groq", address: "https://api.groq.com/openai/v1", model: "whisper-large-v3-turbo", needsKey: true }]

    property string notesFolder: "/home/ana/Documentos/Kelvora"
    property url notesFolderUrl: "file:///home/ana/Documentos/Kelvora"
    property string language: ""
    readonly property var languages: ["de", "en", "es", "fr", "it", "pt"]
    readonly property string systemLanguageLabel: "System (Spanish)"
    property string hotkeyLabel: "Ctrl+Alt+Super+R"
    property bool recordingHotkey: false
    property bool hotkeysAvailable: true
    property bool askToRecordCalls: true
    property var ignoredCallApps: [{ id: "us.zoom.xos", name: "Zoom" },
        { id: "org.example.classroom", name: "org.example.classroom" }]
    property string vocabulary: "derivada\nteorema de Bolzano\nCauchy"
    property var notes: variant === "custom"
        ? { choice: "custom", address: "http://192.168.1.20:8000/v1", model: "", key: "", keyNeeded: true,
            addressPlaceholder: "http://localhost:8000/v1", modelPlaceholder: "Server default",
            test: "Could not connect to the server at 192.168.1.20.", addressProblem: "", keyProblem: "",
            presets: notesPresets }
        : { choice: "Anthropic", address: "", model: "", key: "sk-ant-example", keyNeeded: true,
            addressPlaceholder: "https://api.anthropic.com", modelPlaceholder: "claude-sonnet-4-5",
            test: "Works.", addressProblem: "", keyProblem: "", presets: notesPresets }
    property var transcription: ({ choice: "OpenAI", address: "", model: "", key: "sk-example", keyNeeded: true,
        addressPlaceholder: "https://api.openai.com/v1", modelPlaceholder: "whisper-1",
        test: null, addressProblem: "", keyProblem: "", presets: transcriptionPresets })
    property string notesPrompt: "Escribe apuntes de estudio claros a partir de la transcripción de la clase."
    property bool notesPromptEdited: true
    property bool deleteAudioAfterProcessing: false
    property string mic: "notDetermined"
    property var systemAudio: undefined
    property string problem: ""

    function languageName(code) {
        return { de: "German", en: "English", es: "Spanish", fr: "French", it: "Italian", pt: "Portuguese" }[code] || code
    }
    function setChoice(role, value) {}
    function setAddress(role, value) {}
    function setModel(role, value) {}
    function setApiKey(role, value) {}
    function test(role) {}
    function recordHotkey() {}
    function endHotkeyRecording() {}
    function turnOffHotkey() {}
    function askAgain(id) {}
    function restoreDefaultPrompt() {}
    function requestMic() {}
    function requestSystemAudio() {}
    function acknowledgeConsent() {}
}
