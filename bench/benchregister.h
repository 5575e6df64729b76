// The benchmark groups of the program; each registers its benchmarks and table rows.
#pragma once

namespace VLMB {

void RegisterEngineBenchmarks();
// The Qt window's steps; needs a QApplication (offscreen) to exist.
void RegisterWindowBenchmarks();

} // namespace VLMB
