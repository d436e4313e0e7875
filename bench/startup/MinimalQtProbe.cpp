// The smallest Qt Widgets program of the same shape, for comparison: a main window of the
// program's size with a menu bar and one widget as its content.
//
//   startup_minimal_qt            reports the first paint of the content, then ends
//   startup_minimal_qt --memory   then reports the resident memory
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <string_view>

#include "FirstPaintClock.h"
#include "ProbeReport.h"

int main(int argc, char* argv[]) {
    const bool memoryRun = argc > 1 && std::string_view(argv[1]) == "--memory";

    QApplication application(argc, argv);
    QMainWindow window;
    window.menuBar()
        ->addMenu(QStringLiteral("&File"))
        ->addAction(QStringLiteral("E&xit"), &window, &QWidget::close);
    auto* content = new QWidget(&window);
    content->setAutoFillBackground(true);
    window.setCentralWidget(content);
    window.setWindowTitle(QStringLiteral("Minimal"));

    const auto onFirstPaint = [&] {
        ReportFirstPaint();
        if (memoryRun) ReportResidentMemory();
        window.close();
    };
    const FirstPaintClock clock([content](const QObject& object) { return &object == content; },
                                onFirstPaint);
    window.resize(1120, 761);
    window.show();
    return QApplication::exec();
}
