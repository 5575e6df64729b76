// The benchmark groups of the program; each registers its benchmarks and table rows.
#pragma once

#include <string>

namespace VLMB {

void RegisterEngineBenchmarks();
// The Qt window's steps; needs a QApplication (offscreen) to exist.
void RegisterWindowBenchmarks();
// The picture list's thumbnails; needs a QApplication as well.
void RegisterPictureListBenchmarks();

// The demo archives, made once by the demo generator next to the benchmark's own (window
// benchmarks only).
const std::string& DemoFolder();

} // namespace VLMB
