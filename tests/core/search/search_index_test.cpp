#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kelv/core/library/meeting_file_blocks.h"
#include "kelv/core/library/meeting_file_writer.h"
#include "kelv/core/library/meeting_store.h"
#include "kelv/core/search/search_index.h"
#include "temp_dir.h"

namespace kelv::core {
namespace {

namespace fs = std::filesystem;
using kelv::test::readFile;
using kelv::test::TempDir;
using kelv::test::writeFile;
using Kind = SearchHit::Kind;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAreArray;

Date day(int d) {
  return std::chrono::sys_days{std::chrono::year{2025} / 3 / d} + std::chrono::hours{9};
}

struct SearchIndexTest : testing::Test {
  SearchIndexTest() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  TempDir temp;
  MeetingStore store{temp / "Meetings"};
  fs::path notes = temp / "Notes";

  // A finished class with its Meeting file, as processing leaves it.
  fs::path addClass(const std::string& title, Date startedAt, const std::string& notesText,
                    const std::vector<Turn>& turns) {
    fs::create_directories(notes);
    const MeetingFolder folder = store.create(startedAt, "es");
    MeetingFileWriter::Content content;
    content.meetingID = folder.id();
    content.title = title;
    content.startedAt = startedAt;
    content.duration = 3000;
    content.notes = notesText;
    content.turns = turns;
    content.defaultSpeaker = "Them";
    const std::string text = MeetingFileWriter::markdown(content);
    const fs::path file =
        MeetingFileWriter::freePath(MeetingFileWriter::baseName(title, startedAt), notes);
    writeFile(file, text);
    folder.updateStatus([&](MeetingStatus& status) {
      status.title = title;
      status.state = MeetingStatus::State::done;
      status.endedAt = startedAt + std::chrono::minutes(50);
      status.meetingFile = file.string();
      status.meetingFileHash = MeetingFileWriter::hash(text);
    });
    return file;
  }

  void addTerm() {
    addClass("Álgebra lineal: teorema espectral", day(3),
             "## Resumen\nToda matriz simétrica real es diagonalizable.\n\n"
             "## Puntos clave\n- Los autovalores de una matriz simétrica son reales.\n",
             {{65, "Them", "Hoy vemos el teorema espectral para matrices simétricas."},
              {3725, "You", "¿Entra la demostración en el examen?"}});
    addClass("Cálculo II: derivadas parciales", day(10),
             "## Resumen\nLa DERIVACIÓN parcial fija todas las variables menos una.\n",
             {{4, "Them", "El año pasado el niño de la tercera fila preguntó por el gradiente."},
              {30, "Them", "Un símbolo raro: a*b - c \"entre comillas\" y NEAR final."}});
  }

  std::vector<MeetingEntry> entries() const { return store.entries(notes); }
  SearchIndex::UpdateReport update(SearchIndex& index) const { return index.update(entries()); }
  fs::path indexFile() const { return temp / "index" / "search.sqlite"; }
};

std::vector<std::pair<std::string, Kind>> titlesAndKinds(const std::vector<SearchHit>& hits) {
  std::vector<std::pair<std::string, Kind>> out;
  for (const auto& hit : hits) out.emplace_back(hit.title, hit.kind);
  return out;
}

TEST_F(SearchIndexTest, FindsSpanishTextWithCaseAndAccentsFoldedPrefixesAndPhrases) {
  addTerm();
  SearchIndex index(indexFile());
  EXPECT_EQ(update(index).indexed, 2);
  const std::string algebra = "Álgebra lineal: teorema espectral";
  const std::string calculo = "Cálculo II: derivadas parciales";
  struct Case {
    const char* typed;
    std::vector<std::pair<std::string, Kind>> found;
  };
  const std::vector<Case> cases = {
      {"derivacion", {{calculo, Kind::notes}}},
      {"DERIVACIÓN parcial ", {{calculo, Kind::notes}}},
      {"ano nino", {{calculo, Kind::turn}}},
      {"AÑO Niño", {{calculo, Kind::turn}}},
      {"algebra", {{algebra, Kind::title}}},
      {"simetri", {{algebra, Kind::notes}, {algebra, Kind::notes}, {algebra, Kind::turn}}},
      {"teorema espec", {{algebra, Kind::title}, {algebra, Kind::turn}}},
      {"espec teorema", {}},
      {"\"teorema espectral\"", {{algebra, Kind::title}, {algebra, Kind::turn}}},
      {"\"espectral teorema\"", {}},
      {"\"matrices simétricas", {{algebra, Kind::turn}}},
      {"\"matrices simétricas\" examen", {}},
      // Stray syntax is searched as text, never an error.
      {"\"", {}},
      {"*", {}},
      {"-", {}},
      {"NEAR", {{calculo, Kind::turn}}},
      {"NEAR(final", {{calculo, Kind::turn}}},
      {"\"entre comillas", {{calculo, Kind::turn}}},
      {"a*b -c", {{calculo, Kind::turn}}},
      {"text:gradiente", {}},
      {"gradiente OR examen", {}},
      {"(gradiente)", {{calculo, Kind::turn}}},
  };
  for (const Case& c : cases) {
    std::vector<SearchHit> hits;
    EXPECT_NO_THROW(hits = index.search(c.typed, 50)) << c.typed;
    EXPECT_THAT(titlesAndKinds(hits), UnorderedElementsAreArray(c.found)) << c.typed;
  }
}

TEST_F(SearchIndexTest, RanksTitleThenNotesThenTurnsAndNewestFirstAmongEquals) {
  const std::vector<Turn> turns = {{10, "Them", "Hoy toca la integral de línea."}};
  addClass("Física: integral de línea", day(2), "## Resumen\nNada que ver.\n", {});
  addClass("Cálculo: repaso", day(4), "## Resumen\nLa integral doble.\n", {});
  addClass("Cálculo: semana 5", day(6), "## Resumen\nOtra cosa.\n", turns);
  addClass("Cálculo: semana 6", day(8), "## Resumen\nOtra cosa.\n", turns);
  SearchIndex index(indexFile());
  update(index);
  EXPECT_THAT(titlesAndKinds(index.search("integral", 10)),
              ElementsAre(std::pair{std::string("Física: integral de línea"), Kind::title},
                          std::pair{std::string("Cálculo: repaso"), Kind::notes},
                          std::pair{std::string("Cálculo: semana 6"), Kind::turn},
                          std::pair{std::string("Cálculo: semana 5"), Kind::turn}));
  EXPECT_EQ(index.search("integral", 2).size(), 2u);
}

TEST_F(SearchIndexTest, HitsLocateTheirBlockAndMarkTheMatchedWords) {
  addTerm();
  SearchIndex index(indexFile());
  update(index);
  const auto hits = index.search("demostracion examen", 5);
  ASSERT_EQ(hits.size(), 1u);
  const SearchHit& hit = hits[0];
  EXPECT_EQ(hit.kind, Kind::turn);
  EXPECT_EQ(hit.time, 3725);
  EXPECT_EQ(hit.speaker, "You");
  EXPECT_EQ(hit.date, day(3));
  EXPECT_EQ(hit.markedSnippet("[", "]"), "¿Entra la [demostración] en el [examen]?");
  const auto entry = entries().back();
  EXPECT_EQ(hit.meeting, entry.id);
  const auto blocks = MeetingFileBlocks::forTitle(readFile(*entry.meetingFile), entry.title);
  ASSERT_TRUE(hit.block);
  ASSERT_LT(static_cast<size_t>(*hit.block), blocks.size());
  EXPECT_EQ(blocks[static_cast<size_t>(*hit.block)].time, "01:02:05");

  const auto note = index.search("autovalores", 5);
  ASSERT_EQ(note.size(), 1u);
  EXPECT_EQ(note[0].section, "Puntos clave");
  EXPECT_EQ(blocks[static_cast<size_t>(*note[0].block)].kind, Block::Kind::item);
  EXPECT_FALSE(note[0].time);
}

TEST_F(SearchIndexTest, FollowsRenamesDeletesAndOutsideEdits) {
  addTerm();
  struct Case {
    const char* change;
    std::function<void(SearchIndexTest&)> apply;
    const char* gone;
    const char* found;
  };
  const std::vector<Case> cases = {
      {"renamed",
       [](SearchIndexTest& t) {
         for (const auto& entry : t.entries())
           if (entry.title.starts_with("Cálculo")) t.store.rename(entry, "Análisis: gradientes");
       },
       "calculo", "analisis gradien"},
      {"deleted",
       [](SearchIndexTest& t) {
         for (const auto& entry : t.entries())
           if (entry.title.starts_with("Álgebra")) t.store.remove(entry);
       },
       "autovalores", nullptr},
      {"edited elsewhere",
       [](SearchIndexTest& t) {
         const auto entry = t.entries().front();
         std::string text = readFile(*entry.meetingFile);
         const std::string old = "fija todas las variables";
         text.replace(text.find(old), old.size(), "congela cada incógnita");
         writeFile(*entry.meetingFile, text);
         const auto later = fs::last_write_time(*entry.meetingFile) + std::chrono::seconds(2);
         fs::last_write_time(*entry.meetingFile, later);
       },
       "variables", "incognita"},
  };
  SearchIndex index(indexFile());
  update(index);
  for (const Case& c : cases) {
    ASSERT_FALSE(index.search(c.gone, 5).empty()) << c.change;
    c.apply(*this);
    update(index);
    EXPECT_THAT(index.search(c.gone, 5), IsEmpty()) << c.change;
    if (c.found) EXPECT_EQ(index.search(c.found, 5).size(), 1u) << c.change;
  }
  EXPECT_EQ(update(index), SearchIndex::UpdateReport{}) << "nothing changed since";
}

TEST_F(SearchIndexTest, RebuildsAMissingForeignOrDamagedIndexFromTheFiles) {
  addTerm();
  struct Case {
    const char* state;
    std::function<void(const fs::path&)> spoil;
  };
  const std::vector<Case> cases = {
      {"missing", [](const fs::path& file) { fs::remove(file); }},
      {"not a database", [](const fs::path& file) { writeFile(file, std::string(8192, 'x')); }},
      {"another database",
       [](const fs::path& file) {
         fs::remove(file);
         sqlite3* database = nullptr;
         ASSERT_EQ(sqlite3_open(file.c_str(), &database), SQLITE_OK);
         sqlite3_exec(database, "CREATE TABLE meta(key, value); INSERT INTO meta VALUES(1, 2);",
                      nullptr, nullptr, nullptr);
         sqlite3_close(database);
       }},
      {"damaged pages",
       [](const fs::path& file) {
         std::string bytes = readFile(file);
         for (size_t at = 4096; at < bytes.size(); ++at) bytes[at] = static_cast<char>(at * 7);
         writeFile(file, bytes);
       }},
  };
  for (const Case& c : cases) {
    {
      SearchIndex index(indexFile());
      update(index);
    }
    for (const char* suffix : {"-wal", "-shm"}) fs::remove(indexFile().string() + suffix);
    c.spoil(indexFile());
    SearchIndex index(indexFile());
    const auto report = update(index);
    EXPECT_EQ(report.indexed, 2) << c.state;
    EXPECT_EQ(index.search("derivacion", 5).size(), 1u) << c.state;
    struct stat info {};
    ASSERT_EQ(::stat(indexFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << c.state;
  }
}

TEST_F(SearchIndexTest, SkipsAFileThatCannotBeReadAndTakesItUpOnceItCan) {
  addTerm();
  const auto listed = entries();
  SearchIndex index(indexFile());
  const fs::path file = *listed.front().meetingFile;
  const std::string text = readFile(file);
  fs::remove(file);
  fs::create_directory(file);  // something no reader can read as a file
  const auto report = index.update(listed);
  EXPECT_EQ(report.indexed, 1);
  EXPECT_EQ(report.skipped, 1);
  EXPECT_THAT(index.search("derivacion", 5), IsEmpty());
  EXPECT_EQ(index.search("autovalores", 5).size(), 1u);

  fs::remove(file);
  writeFile(file, text);
  EXPECT_EQ(index.update(listed).indexed, 1);
  EXPECT_EQ(index.search("derivacion", 5).size(), 1u);
}

TEST_F(SearchIndexTest, ReadersInOtherThreadsSearchWhileOneUpdates) {
  std::vector<Turn> turns;
  for (int n = 0; n < 60; ++n)
    turns.push_back({n * 10.0, "Them",
                     "Seguimos con la convolución de señales, parte " + std::to_string(n) + "."});
  for (int d = 1; d <= 16; ++d) addClass("Señales " + std::to_string(d), day(d), "", turns);
  const auto listed = entries();
  { SearchIndex created(indexFile()); }

  std::atomic<bool> updating = true;
  std::atomic<int> searches = 0;
  std::vector<std::thread> readers;
  std::vector<std::string> failures(3);
  for (size_t r = 0; r < failures.size(); ++r) {
    readers.emplace_back([&, r] {
      try {
        SearchIndex own(indexFile());
        size_t last = 0;
        while (updating) {
          const auto hits = own.search("convolucion senales", 1000);
          // Batches are whole: a reader sees every turn of a class or none of it.
          if (hits.size() % 60 != 0 || hits.size() < last) failures[r] = "partial batch seen";
          last = hits.size();
          ++searches;
        }
      } catch (const std::exception& error) {
        failures[r] = error.what();
      }
    });
  }
  SearchIndex writer(indexFile());
  EXPECT_EQ(writer.update(listed).indexed, 16);
  while (searches < 3) std::this_thread::yield();
  updating = false;
  for (auto& reader : readers) reader.join();
  for (const auto& failure : failures) EXPECT_EQ(failure, "");
  EXPECT_EQ(writer.search("convolucion", 10000).size(), 16u * 60u);
}

}  // namespace
}  // namespace kelv::core
