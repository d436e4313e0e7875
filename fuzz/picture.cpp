// Arbitrary bytes loaded as a ".png" spectrum picture, then drawn into: whatever the file, the
// store ends with a picture it can draw on.
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <QFile>

#include "spectrum/SpectrumFiles.h"
#include "spectrum/SpectrumStore.h"
#include "tuner/TunerGraph.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_picture";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    static QTemporaryDir dir;
    static const TunerGraphSlots noGraphs;

    const QString path = dir.filePath(QStringLiteral("input.png"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();

    SpectrumStore store(noGraphs, [] {});
    LoadSpectrumFile(store, path);
    if (!store.Picture()) __builtin_trap();
    store.DrawSpectrumSegment(950, 40000, 2150, 70000);
    return 0;
}
