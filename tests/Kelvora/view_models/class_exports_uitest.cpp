// "Exportar…" and "Crear tarjetas de estudio" from the real action menu of the meetings
// window, with the real `kelv` as the child and a fake notes service on loopback: the save
// question and the file it leads to, the progress shown while cards are made, the
// notification when a file is ready, and the problem shown when cards can't be made.
#include <QGuiApplication>
#include <QQuickItem>

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include <nlohmann/json.hpp>

#include "desktop/desktop_services.h"
#include "fake_http_service.h"
#include "meetings_window_fixture.h"
#include "stdout_capture.h"

namespace kelv::app {
namespace {

namespace fs = std::filesystem;
using kelv::test::FakeHttpService;
using namespace std::chrono_literals;

// Holds the notes service's reply until the test lets it go.
class Gate {
 public:
  void pass() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return open_; });
  }
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

class ClassExportsView : public MeetingsWindowFixture {
 protected:
  void SetUp() override {
    MeetingsWindowFixture::SetUp();
    // The `kelv` child reads the same store.
    ::setenv("KELV_MEETINGS_DIR", (temp / "meetings").c_str(), 1);
    llm.on("POST", "/v1/chat/completions", [this](const FakeHttpService::Request&) {
      gate.pass();
      return FakeHttpService::Reply::json(
          nlohmann::json{{"choices",
                          {{{"message",
                             {{"role", "assistant"},
                              {"content", R"({"cards":[{"front":"¿ψ?","back":"La onda"}]})"}}}}}}}
              .dump());
    });
  }

  void TearDown() override {
    gate.open();
    DesktopServices::setSaveChooser({});
    ::unsetenv("KELV_MEETINGS_DIR");
    MeetingsWindowFixture::TearDown();
  }

  void writeNotesSettings(bool notes) {
    writeSettings({{"notes", notes ? nlohmann::json{{"type", "openai-compatible"},
                                                    {"address", llm.baseUrl() + "/v1"},
                                                    {"model", "llama"}}
                                   : nlohmann::json{{"type", "none"}}}});
  }

  // The window over the library with the real `kelv`, the first class selected.
  void openWithTool() {
    open(std::getenv("KELV_TOOL"), {{"v2.notes.openAICompatible", "sk-notes"}});
    meetings->select(QString::fromStdString(meetings->list()->rows().at(0).entry.id));
    view.settle();
  }

  // Runs a menu entry the way a screen reader presses it.
  void choose(const char* name) {
    QObject* entry = menuEntry(name);
    ASSERT_NE(entry, nullptr) << name;
    ASSERT_TRUE(entry->property("enabled").toBool()) << name;
    QMetaObject::invokeMethod(entry, "triggered");
    view.settle();
  }

  bool notified(const std::string& start) { return !output.linesStartingWith(start).empty(); }

  FakeHttpService llm;
  Gate gate;
  kelv::test::StdoutCapture output;
};

TEST_F(ClassExportsView, ExportSavesInTheTypeChosenWhereTheDialogSays) {
  writeNotesSettings(false);
  library.add({"Cálculo", kNow - 1h});
  openWithTool();
  const fs::path meetingFile = *meetings->list()->rows().front().entry.meetingFile;
  struct Case {
    std::optional<DesktopServices::SaveAnswer> answer;
    fs::path expected;  // empty: nothing is written
    std::string start;
  } cases[] = {
      {std::nullopt, {}, ""},
      {DesktopServices::SaveAnswer{temp / "salida", 1}, temp / "salida.srt", "1\n00:00:"},
      {DesktopServices::SaveAnswer{temp / "clase.vtt", 0}, temp / "clase.vtt", "WEBVTT\n\n"},
      {DesktopServices::SaveAnswer{temp / "clase.txt", 0}, temp / "clase.txt", "Cálculo\n"},
  };
  for (const Case& test : cases) {
    std::optional<DesktopServices::SaveQuestion> asked;
    DesktopServices::setSaveChooser([&](const DesktopServices::SaveQuestion& question) {
      asked = question;
      return test.answer;
    });
    choose("actionExport");
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->title, QStringLiteral("Exportar «Cálculo»"));
    EXPECT_EQ(asked->proposed, meetingFile.parent_path() / (meetingFile.stem().string() + ".pdf"));
    EXPECT_EQ(asked->types.size(), 4);
    EXPECT_EQ(asked->types.value(1), QStringLiteral("Subtítulos SubRip (*.srt)"));
    if (test.expected.empty()) continue;
    const std::string line =
        "Clase exportada: «Cálculo» está en " + test.expected.filename().string() + ".";
    ASSERT_TRUE(view.waitUntil([&] { return notified(line); })) << test.expected;
    EXPECT_TRUE(kelv::test::readFile(test.expected).starts_with(test.start)) << test.expected;
  }
  EXPECT_EQ(meetings->problem(), QString());
}

TEST_F(ClassExportsView, CardsShowProgressThenANotification) {
  writeNotesSettings(true);
  library.add({"Cálculo", kNow - 1h});
  openWithTool();
  const fs::path meetingFile = *meetings->list()->rows().front().entry.meetingFile;
  const fs::path cards = meetingFile.parent_path() / (meetingFile.stem().string() + ".cards.txt");

  choose("actionCards");
  // The service holds its reply: the window shows the cards are on their way.
  ASSERT_TRUE(view.waitUntil([&] { return llm.count() == 1; }));
  QQuickItem* progress = view.find(QStringLiteral("cardsProgress"));
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  EXPECT_EQ(progress->property("title").toString(),
            QStringLiteral("Creando tarjetas de estudio de «Cálculo»…"));
  EXPECT_FALSE(menuEntry("actionCards")->property("enabled").toBool());
  EXPECT_FALSE(fs::exists(cards));

  gate.open();
  ASSERT_TRUE(view.waitUntil([&] { return notified("Tarjetas de estudio listas: "); }));
  EXPECT_EQ(output.linesStartingWith("Tarjetas de estudio listas: ").front(),
            "Tarjetas de estudio listas: Las tarjetas de «Cálculo» están en " +
                cards.filename().string() + ". Impórtalas en Anki con Archivo ▸ Importar.");
  EXPECT_EQ(kelv::test::readFile(cards),
            "#separator:tab\n#html:false\n#deck:Tizara::Cálculo\n#tags column:3\n"
            "¿ψ?\tLa onda\ttizara cálculo\n");
  view.settle();
  EXPECT_FALSE(progress->isVisible());
  EXPECT_TRUE(menuEntry("actionCards")->property("enabled").toBool());
  const auto request = nlohmann::json::parse(llm.requests().front().body);
  EXPECT_NE(request["messages"][1]["content"].get<std::string>().find("Apuntes de la clase:"),
            std::string::npos);
}

TEST_F(ClassExportsView, CardsWithoutANotesBackendSayWhichSettingToChoose) {
  writeNotesSettings(false);
  library.add({"Cálculo", kNow - 1h});
  openWithTool();
  choose("actionCards");
  ASSERT_TRUE(view.waitUntil([&] { return !meetings->problem().isEmpty(); }));
  EXPECT_TRUE(
      meetings->problem().contains(QStringLiteral("Ajustes de Tizara ▸ AI ▸ Notes backend")))
      << meetings->problem().toStdString();
  EXPECT_EQ(meetings->makingCards(), QString());
  EXPECT_EQ(llm.count(), 0u);
}

}  // namespace
}  // namespace kelv::app
