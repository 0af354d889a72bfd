// Runs the saver's own start-up engine steps and tick against in-memory surfaces, and prints
// every draw the tick makes instead of painting it.
#include "simulate.h"

#include <cstdio>
#include <memory>

#include "../../assets/leaves/leaf_pictures.h"
#include "engine/saver_engine.h"
#include "surfaces/memory_surfaces.h"

namespace ambervale {
namespace {

constexpr int32_t kSimulatedSprite = 100;
// The longest cycle: every cell of a 201 x 201 grid drawn five times, plus its closing tick.
constexpr int64_t kMaxTicksPerCycle = int64_t{5} * kGridSize * kGridSize + 1;

class Simulation {
 public:
  Simulation(SaverState& state, const Settings& settings, Random& random)
      : state_(state),
        leaves_(&LeafPictureBytes),
        engine_(
            state, settings, random, leaves_, [this](const Rect&) { CycleEnded(); }, Rect{}) {}

  int Run(int cycles) {
    engine_.StartCycle();
    engine_.BuildSprite();
    std::puts("tick,algorithm,row,col,fade,image");
    int64_t limit = kMaxTicksPerCycle;
    while (cycles_ended_ < cycles) {
      if (tick_ >= limit) {
        std::fprintf(stderr, "ambervale-layout: cycle %d did not end within %lld ticks\n", cycles_ended_ + 1,
                     static_cast<long long>(kMaxTicksPerCycle));
        return 1;
      }
      ++tick_;
      engine_.Tick();
      if (ended_this_tick_) limit = tick_ + kMaxTicksPerCycle;
      ended_this_tick_ = false;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
  }

  // A restore after the first tick is a cycle's end.
  void CycleEnded() {
    if (tick_ == 0) return;
    ++cycles_ended_;
    ended_this_tick_ = true;
    std::printf("# cycle %d ended at tick %lld\n", cycles_ended_, static_cast<long long>(tick_));
  }

  // One line per draw of the sprite.
  void PrintDraw(const ArgbBitmap* bitmap) const {
    if (bitmap != state_.sprite.bitmap.get()) return;
    std::printf("%lld,%d,%d,%d,%d,%d\n", static_cast<long long>(tick_), state_.cycle.algorithm, state_.cycle.row,
                state_.cycle.col, state_.cycle.fade_step, engine_.BitmapImageIndex());
  }

 private:
  SaverState& state_;
  LeafImageSet leaves_;
  SaverEngine engine_;
  int64_t tick_ = 0;
  int cycles_ended_ = 0;
  bool ended_this_tick_ = false;
};

// The drawing target the engine owns; the simulation it reports to outlives it.
class DrawPrinter : public DrawTarget {
 public:
  explicit DrawPrinter(const Simulation& simulation) : simulation_(simulation) {}
  void DrawScaled(const ArgbBitmap* bitmap, int32_t, int32_t, int32_t, int32_t) override {
    simulation_.PrintDraw(bitmap);
  }

 private:
  const Simulation& simulation_;
};

}  // namespace

int RunSimulation(SaverState& state, Settings settings, Random& random, int cycles) {
  if (settings.opacity == 0) settings.opacity = 8;
  state.sprite.dib.SetDepth(24);
  state.sprite.dib.SetDibWidth(kSimulatedSprite);
  state.sprite.dib.SetDibHeight(kSimulatedSprite);
  state.sprite.rect = Rect{0, 0, kSimulatedSprite, kSimulatedSprite};
  state.sprite.bitmap = std::make_unique<MemoryBitmap>(kSimulatedSprite, kSimulatedSprite);

  Simulation simulation(state, settings, random);
  state.target = std::make_unique<DrawPrinter>(simulation);
  const int status = simulation.Run(cycles < 1 ? 1 : cycles);
  state.target.reset();
  return status;
}

}  // namespace ambervale
