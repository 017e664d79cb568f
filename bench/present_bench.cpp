// Benchmarks of the per-frame drawing: presenting the panels and the blits a race frame makes.
#include <benchmark/benchmark.h>

#include "present/headless.h"
#include "present/platform.h"
#include "present/sprite.h"

namespace {

void BM_PresentMainPanel(benchmark::State& state) {
    headlessReset();
    openScreen(1280, 720, 32, 1, ScreenFullscreen);
    Panel panel;
    setupPanel(panel, 640, 360, 320, 180);
    for (auto _ : state) {
        lockScreen();
        presentPanel(panel);
        benchmark::DoNotOptimize(screenPixels()[1000]);
    }
    state.SetItemsProcessed(state.iterations() * 1280 * 720);
    headlessReset();
}
BENCHMARK(BM_PresentMainPanel);

void BM_PresentBothPanels(benchmark::State& state) {
    headlessReset();
    openScreen(1280, 720, 32, 1, ScreenFullscreen);
    Panel main, side;
    setupPanel(main, 640, 360, 320, 180);
    setupPanel(side, 960, 360, 160, 180);
    for (auto _ : state) {
        lockScreen();
        presentPanel(main);
        presentPanel(side);
        benchmark::DoNotOptimize(screenPixels()[1000]);
    }
    headlessReset();
}
BENCHMARK(BM_PresentBothPanels);

void BM_TrackTilesTransparent(benchmark::State& state) {
    // A race view puts about 60 tiles and 3 cars per frame.
    auto canvas = createImage(320, 180, 0xFF000000u);
    auto tile = createImage(32, 32, 0xFF208020u);
    tile->pixels[5] = KeyColorOpaque;
    for (auto _ : state) {
        for (int c = 0; c < 12; ++c)
            for (int r = 0; r < 5; ++r) putImage(canvas.get(), 32 * c - 7, 32 * r, tile.get(), PutMode::Transparent);
        benchmark::DoNotOptimize(canvas->pixels[100]);
    }
}
BENCHMARK(BM_TrackTilesTransparent);

void BM_BlendFullCanvas(benchmark::State& state) {
    auto canvas = createImage(320, 180, 0xFF000000u);
    auto back = createImage(320, 180, 0xFFE0D0A0u);
    for (auto _ : state) {
        putImage(canvas.get(), 0, 0, back.get(), PutMode::Blend, 128);
        benchmark::DoNotOptimize(canvas->pixels[100]);
    }
}
BENCHMARK(BM_BlendFullCanvas);

}  // namespace
