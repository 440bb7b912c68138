// `kelv search`: every class's title, notes and transcript searched at once through the
// search index, brought up to date from the Meeting files first.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "command.h"
#include "environment_stores.h"
#include "kelv/core/search/search_index.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "kelv/core/util/library_json.h"
#include "processing_session.h"

namespace kelv::tool {
namespace {

using namespace kelv::core;

constexpr int kDefaultLimit = 20;

std::string clockTime(double seconds) {
  const long long whole = static_cast<long long>(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                whole % 60);
  return text;
}

// Where in the class the hit is: the turn's time and speaker, the notes section, or "título".
std::string placeOf(const SearchHit& hit) {
  switch (hit.kind) {
    case SearchHit::Kind::title:
      return "título";
    case SearchHit::Kind::notes:
      return hit.section.empty() ? "notas" : hit.section;
    case SearchHit::Kind::turn:
      return clockTime(hit.time.value_or(0)) + (hit.speaker ? " " + *hit.speaker : "");
  }
  return {};
}

nlohmann::json jsonOf(const SearchHit& hit) {
  nlohmann::json item = {{"meeting", hit.meeting},
                         {"title", hit.title},
                         {"date", LibraryJson::formatDate(hit.date)},
                         {"kind", std::string(toString(hit.kind))},
                         {"snippet", hit.markedSnippet("[", "]")}};
  if (hit.time) item["time"] = *hit.time;
  if (hit.speaker) item["speaker"] = *hit.speaker;
  if (!hit.section.empty()) item["section"] = hit.section;
  return item;
}

int searchCommand(const std::vector<std::string>& arguments, const Environment& environment) {
  bool json = false;
  int limit = kDefaultLimit;
  std::string query;
  for (size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (argument == "--json") {
      json = true;
    } else if (argument == "--limit") {
      if (++index == arguments.size()) return usageError("search", "--limit needs a number");
      const std::string& number = arguments[index];
      const auto [end, error] =
          std::from_chars(number.data(), number.data() + number.size(), limit);
      if (error != std::errc() || end != number.data() + number.size() || limit < 1)
        return usageError("search", "--limit needs a whole number above 0, not \"" + number + "\"");
    } else if (argument.starts_with("--")) {
      return usageError("search", "unknown option \"" + argument + "\"");
    } else {
      query += (query.empty() ? "" : " ") + argument;
    }
  }
  if (query.empty()) return usageError("search", "give the words to look for");

  try {
    const MeetingStore store = meetingStore(environment);
    const SettingsStore settings =
        settingsStore(environment, std::make_shared<MemorySecretStore>());
    reportUnreadableSettings(settings);
    SearchIndex index(SearchIndex::pathFor(store.root()));
    // A first search reads every Meeting file, which takes a while over a semester of
    // classes: a terminal sees how far it is.
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    bool progressShown = false;
    index.update(store.entries(settings.load().notesFolder), [&](int done, int total) {
      if (!terminal || total < SearchIndex::kFilesWorthProgress) return;
      std::fprintf(stderr, "\rindexing the classes: %d of %d", done, total);
      progressShown = true;
    });
    if (progressShown) std::fputs("\n", stderr);
    const std::vector<SearchHit> hits = index.search(query, limit);
    for (const SearchHit& hit : hits) {
      if (json) {
        std::cout << jsonOf(hit).dump() << "\n";
      } else {
        std::cout << hit.meeting << "  " << placeOf(hit) << "  " << hit.markedSnippet("[", "]")
                  << "\n";
      }
    }
    std::cout.flush();
    return hits.empty() ? ExitStatus::failure : ExitStatus::success;
  } catch (const std::exception& error) {
    std::cerr << "kelv search: " << error.what() << "\n";
    return ExitStatus::failure;
  }
}

const CommandRegistration searchRegistration{Command{
    "search", "find words in every class's title, notes and transcript",
    "usage: kelv search QUERY [--json] [--limit N]\n\n"
    "Looks for every word of QUERY, the last one as the start of a word, in the titles,\n"
    "notes and transcripts of all classes, ignoring case and accents; \"words in quotes\"\n"
    "match as a phrase. Prints one line per hit, best first (at most N, 20 by default):\n"
    "the meeting's id, the time and speaker of a transcript turn or the notes section, and\n"
    "the context with the matched words in [brackets]. --json prints one JSON object per\n"
    "line with meeting, title, date, kind (title, notes or turn), time (seconds, turns\n"
    "only), speaker and snippet. Exits 0 with hits, 1 without.\n",
    searchCommand}};

}  // namespace
}  // namespace kelv::tool
