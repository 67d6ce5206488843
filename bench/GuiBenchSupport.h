#pragma once
// What the benchmarks of windows share: a file chooser that never chooses, and a main()
// that runs them in a QApplication on the offscreen platform.

#include "app/FileChooser.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace velisto::bench {

class NoFiles : public FileChooser {
public:
    std::optional<std::filesystem::path> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::filesystem::path> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

inline int runGuiBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace velisto::bench
