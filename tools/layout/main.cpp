// ambervale-layout: applies the grid geometry to a surface and prints the position tables
// that one cycle of a layout algorithm fills, or hands the prepared state to the simulation.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/layout.h"
#include "options.h"
#include "simulate.h"

namespace ambervale {
namespace {

// The settings the options give (Random off).
Settings SettingsOf(const LayoutToolOptions& options) {
  Settings settings;
  settings.size = options.dialog_size.value_or(options.size);
  settings.algorithm = options.algorithm;
  return settings;
}

std::unique_ptr<SaverState> PrepareState(const LayoutToolOptions& options) {
  auto state = std::make_unique<SaverState>();  // the tables make it too large for the stack
  if (options.rule == LayoutToolOptions::Rule::kPreview) {
    ApplyPreviewGeometry(*state, options.width, options.height);
  } else {
    ApplyFullScreenGeometry(*state, options.size, options.width, options.height);
  }
  if (options.dialog_size) ApplyDialogGeometry(*state, *options.dialog_size);
  return state;
}

void PrintLayout(const SaverState& state) {
  std::printf("# cols=%d rows=%d cell=%d surface=%dx%d\n", state.grid.cols, state.grid.rows, state.grid.cell_width,
              state.grid.surface_width, state.grid.surface_height);
  std::puts("row,col,x,y");
  for (const LayoutCell& cell : LayoutCells(state)) {
    std::printf("%d,%d,%d,%d\n", cell.row, cell.col, state.cycle.x[cell.row][cell.col],
                state.cycle.y[cell.row][cell.col]);
  }
}

// --batch: one layout per line of standard input, each line the arguments of one run (no
// --simulate), each layout after a line "## ARGUMENTS". One process for a whole sweep keeps
// comparisons under an emulator fast.
int RunBatch() {
  std::string line;
  for (int number = 1; std::getline(std::cin, line); ++number) {
    std::istringstream words(line);
    std::vector<std::string> args{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    std::string error;
    auto options = ParseLayoutToolOptions(args, error);
    if (options && (options->help || options->simulate_cycles > 0)) error = "--batch lines print layouts only";
    if (!error.empty()) {
      std::fprintf(stderr, "ambervale-layout: line %d: %s\n", number, error.c_str());
      return 2;
    }
    auto state = PrepareState(*options);
    Random random(options->seed);
    StartCycle(*state, SettingsOf(*options), random);
    std::printf("## %s\n", line.c_str());
    PrintLayout(*state);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 1 && args[0] == "--batch") return RunBatch();
  std::string error;
  auto options = ParseLayoutToolOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "ambervale-layout: %s\n", error.c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(kLayoutToolUsage, stdout);
    return 0;
  }
  auto state = PrepareState(*options);
  Random random(options->seed);
  if (options->simulate_cycles > 0) {
    // The simulation computes every layout itself, starting with the first.
    Settings settings = SettingsOf(*options);
    settings.random_algorithm = options->random_algorithm;
    return RunSimulation(*state, settings, random, options->simulate_cycles);
  }
  StartCycle(*state, SettingsOf(*options), random);
  PrintLayout(*state);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace
}  // namespace ambervale

int main(int argc, char** argv) {
  try {
    return ambervale::Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ambervale-layout: %s\n", e.what());
    return 1;
  }
}
