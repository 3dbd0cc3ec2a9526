// Cost of one star-field frame on the CPU: moving, fading and respawning the records and
// rewriting the vertex list, at the largest field of 1000 stars. Single-threaded.
#include <benchmark/benchmark.h>

#include <vector>

#include "scenes/star_field.h"

namespace {

void AdvanceFullField(benchmark::State& state, bool writeVertices, bool translucent) {
  SceneRandom random(12345);
  StarField field;
  field.Init(MakeStarSettings(kMaxStars, 350.0f, 5.0f, translucent ? 1 : 0), random);
  std::vector<SceneVertex> vertices(field.VertexCount());
  field.WriteInitialVertices(vertices.data());
  SceneVertex* target = writeVertices ? vertices.data() : nullptr;
  for (auto _ : state) {
    field.Advance(random, target);
    benchmark::DoNotOptimize(vertices.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kMaxStars);
}

void BM_StarFieldAdvance1000(benchmark::State& state) { AdvanceFullField(state, true, false); }

void BM_StarFieldAdvance1000Translucent(benchmark::State& state) { AdvanceFullField(state, true, true); }

// The frame after a failed lock: records only.
void BM_StarFieldAdvance1000RecordsOnly(benchmark::State& state) { AdvanceFullField(state, false, false); }

}  // namespace

BENCHMARK(BM_StarFieldAdvance1000);
BENCHMARK(BM_StarFieldAdvance1000Translucent);
BENCHMARK(BM_StarFieldAdvance1000RecordsOnly);
