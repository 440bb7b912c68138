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
      "Clase \"Física\": repaso",  "C:\\ruta\\con\\barras\\",       "línea uno\nlínea dos",
      "# no es comentario",        "Álgebra — ñandú 🎓👩‍🏫",          "key: value # x",
      "'comillas' simples",        "- guion inicial",                "  espacios  ",
      "\\\"mezcla\\\\\"",          "yes",                            "{[ ]}&*!|>%@`",
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
              static_cast<double>(duration_cast<seconds>(contents[i].startedAt.time_since_epoch()).count()));
    EXPECT_EQ(read[i]["duration"], static_cast<int>(i) + 1);
    EXPECT_EQ(read[i]["participants"],
              (nlohmann::json{"Them", "You", "Profesora: Núñez", "true", "42"}));
  }
}

}  // namespace
}  // namespace kelv::core
