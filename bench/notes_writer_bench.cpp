// The notes writer's own work for a 3-hour class (about 200 000 characters): cutting into
// parts, checking every correction suggestion against its part, rewriting the turns and
// assembling the notes. The model answers instantly, so only the writer's time is measured.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "kelv/core/backends/notes_backend.h"
#include "kelv/core/notes/notes_writer.h"

namespace {

using namespace kelv::core;

// Answers correction requests with twenty suggestions (half of them verifiable) and notes
// requests with a short section.
class InstantModel : public NotesBackend {
 public:
  explicit InstantModel(int context) : context_(context) {}
  std::string name() const override { return "instant"; }
  int contextTokens() const override { return context_; }
  std::string complete(const std::string& system, const std::string&) const override {
    if (system.starts_with("You fix")) {
      std::string reply = "[";
      for (int i = 0; i < 10; ++i) {
        reply +=
            R"({"from": "cooper netties", "to": "Kubernetes"}, {"from": "grafanna", "to": "Grafana"}, )";
      }
      return reply + R"({"from": "la place", "to": "Laplace"}])";
    }
    return "Title: Sistemas — Clase\n\n## Resumen\nNotas de la parte.";
  }

 private:
  int context_;
};

std::vector<Turn> classTranscript() {
  std::vector<Turn> turns;
  const char* sentences[] = {
      "Hoy desplegamos en cooper netties y miramos las métricas en grafanna, ¿vale?",
      "La transformada de la place aparece otra vez en el examen, apuntadlo.",
      "¿Y si el pod se cae durante la actualización?",
      "Entonces el controlador lo vuelve a crear; por eso usamos réplicas."};
  double start = 0;
  size_t characters = 0;
  for (int i = 0; characters < 200000; ++i) {
    std::string text = sentences[i % 4];
    turns.push_back({start, i % 3 == 2 ? "You" : "Them", text});
    characters += text.size() + 17;
    start += 5.5;
  }
  return turns;
}

void NotesStepOwnWork(benchmark::State& state) {
  const std::vector<Turn> turns = classTranscript();
  const InstantModel model(static_cast<int>(state.range(0)));
  const NotesWriter::Step step =
      NotesWriter::step(std::string(NotesWriter::defaultPrompt),
                        {"Kubernetes", "Grafana", "Laplace", "Fourier", "Schrödinger"});
  for (auto _ : state) benchmark::DoNotOptimize(step(turns, model));
  state.SetLabel(std::to_string(turns.size()) + " turns");
}
// A local model (many parts) and a cloud model (one part holding the whole class).
BENCHMARK(NotesStepOwnWork)->Arg(8192)->Arg(128000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
