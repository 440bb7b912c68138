// Other tools (notes applications, static site generators) read the front matter with a YAML
// parser; this runs Python's yaml module over written files and compares what it reads.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "kelv/core/library/meeting_file_writer.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

using namespace std::chrono;

constexpr const char* kReader = R"PY(
import json, sys, yaml
out = []
for path in sys.argv[1:]:
    text = open(path, encoding="utf-8").read()
    front = text.split("\n---\n", 1)[0][len("---\n"):]
    data = yaml.safe_load(front)
    out.append({"title": data["title"], "date": data["date"].timestamp(),
                "duration": data["duration"], "participants": data["participants"],
                "meeting": data["x_kelvora_meeting"]})
print(json.dumps(out))
)PY";

std::string run(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("popen failed");
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  if (status != 0) throw std::runtime_error("reader failed: " + out);
  return out;
}

TEST(MeetingFileYaml, PythonYamlReadsTheSameValues) {
  setenv("TZ", "America/Mexico_City", 1);
  test::TempDir dir;
  test::writeFile(dir / "reader.py", kReader);

  const char* titles[] = {
      "Clase \"Física\": repaso",
      "C:\\ruta\\con\\barras\\",
      "línea uno\nlínea dos",
      "# no es comentario",
      "Álgebra — ñandú 🎓👩‍🏫",
      "key: value # x",
      "'comillas' simples",
      "- guion inicial",
      "  espacios  ",
      "\\\"mezcla\\\\\"",
      "yes",
      "{[ ]}&*!|>%@`",
  };
  const Date start = sys_days{2025y / March / 14} + 15h + 15min + 2s;
  std::string command = "python3 " + (dir / "reader.py").string();
  std::vector<MeetingFileWriter::Content> contents;
  for (size_t i = 0; i < std::size(titles); ++i) {
    MeetingFileWriter::Content content;
    content.meetingID = std::string("2025-03-14_15-15-02 \"id\" ") + titles[i];
    content.title = titles[i];
    content.startedAt = start + seconds(i);
    content.duration = 60.0 * static_cast<double>(i) + 31;
    content.turns = {Turn{0, "Them", "a"}, Turn{1, "You", "b"}, Turn{2, "Profesora: Núñez", "c"},
                     Turn{3, "true", "d"}, Turn{4, "42", "e"}};
    content.defaultSpeaker = "You";
    const auto path = dir / ("m" + std::to_string(i) + ".md");
    test::writeFile(path, MeetingFileWriter::markdown(content));
    command += " " + path.string();
    contents.push_back(content);
  }
  const auto read = nlohmann::json::parse(run(command));
  ASSERT_EQ(read.size(), contents.size());
  for (size_t i = 0; i < contents.size(); ++i) {
    // Line feeds become blanks in the front matter; everything else survives as is.
    std::string title = titles[i];
    std::replace(title.begin(), title.end(), '\n', ' ');
    std::string meeting = contents[i].meetingID;
    std::replace(meeting.begin(), meeting.end(), '\n', ' ');
    EXPECT_EQ(read[i]["title"], title) << titles[i];
    EXPECT_EQ(read[i]["meeting"], meeting) << titles[i];
    EXPECT_EQ(read[i]["date"].get<double>(),
              static_cast<double>(
                  duration_cast<seconds>(contents[i].startedAt.time_since_epoch()).count()));
    EXPECT_EQ(read[i]["duration"], static_cast<int>(i) + 1);
    EXPECT_EQ(read[i]["participants"],
              (nlohmann::json{"Them", "You", "Profesora: Núñez", "true", "42"}));
  }
}

constexpr const char* kValueReader = R"PY(
import json, sys, yaml
out = []
for path in sys.argv[1:]:
    text = open(path, encoding="utf-8").read()
    data = yaml.safe_load(text.split("\n---\n", 1)[0][len("---\n"):])
    out.append({"engine": data["engine"], "language": data["language"],
                "participants": data["participants"]})
print(json.dumps(out))
)PY";

// Values are written plain unless YAML would read them as another type or structure; either
// way they read back as the same text.
TEST(MeetingFileYaml, ValuesAreQuotedOnlyWhenYamlWouldMisreadThem) {
  test::TempDir dir;
  test::writeFile(dir / "reader.py", kValueReader);
  struct Case {
    std::string value;
    bool plain;
  } cases[] = {
      {"openai-style:whisper-1", true},
      {"http://127.0.0.1:8080/v1", true},
      {"OpenAI (whisper-1)", true},
      {"es", true},
      {"a#b", true},
      {"x, y [z] {w}", true},
      {"3rd speaker", true},
      {"l'élève", true},
      {"ümlaut: no", false},
      {"yes", false},
      {"No", false},
      {"off", false},
      {"null", false},
      {"~", false},
      {"42", false},
      {"-1.5e3", false},
      {"0x1F", false},
      {"1:30", false},
      {".inf", false},
      {"2025-03-14", false},
      {"2025-03-14 10:00:00", false},
      {"- x", false},
      {"a: b", false},
      {"a:", false},
      {"#", false},
      {"a #b", false},
      {" lead", false},
      {"trail ", false},
      {"tab\there", false},
      {"bell\x07", false},
      {"[x]", false},
      {"{x}", false},
      {"&anchor", false},
      {"*alias", false},
      {"!tag", false},
      {"|", false},
      {">", false},
      {"%x", false},
      {"@x", false},
      {"`x", false},
      {"'x", false},
      {"\"x", false},
      {"? x", false},
      {"<<", false},
      {"", false},
  };
  std::string command = "python3 " + (dir / "reader.py").string();
  std::vector<std::string> texts;
  for (size_t i = 0; i < std::size(cases); ++i) {
    MeetingFileWriter::Content content;
    content.meetingID = "m";
    content.startedAt = sys_days{2025y / March / 14};
    content.duration = 60;
    content.engine = cases[i].value;
    content.language = cases[i].value;
    content.turns = {
        Turn{0, cases[i].value.empty() ? std::optional<std::string>() : cases[i].value, "a"}};
    content.defaultSpeaker = cases[i].value;
    const auto path = dir / ("v" + std::to_string(i) + ".md");
    texts.push_back(MeetingFileWriter::markdown(content));
    test::writeFile(path, texts.back());
    command += " " + path.string();
  }
  const auto read = nlohmann::json::parse(run(command));
  ASSERT_EQ(read.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    // Control characters never reach the file; the rest reads back exactly.
    std::string expected = c.value;
    std::erase(expected, '\x07');
    EXPECT_EQ(read[i]["engine"], expected) << c.value;
    EXPECT_EQ(read[i]["language"], expected) << c.value;
    EXPECT_EQ(read[i]["participants"], nlohmann::json::array({expected})) << c.value;
    const bool writtenPlain = texts[i].find("\nengine: " + c.value + "\n") != std::string::npos;
    EXPECT_EQ(writtenPlain, c.plain) << c.value;
  }
}

}  // namespace
}  // namespace kelv::core
