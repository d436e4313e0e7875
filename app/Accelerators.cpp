#include "app/Accelerators.h"

#include <QShortcut>
#include <QWidget>
#include <array>

#include "app/CommandIds.h"

namespace {

constexpr std::array kMainAccelerators{
    Accelerator{Qt::CTRL | Qt::Key_A, ID_CREATE_ALL},
    Accelerator{Qt::CTRL | Qt::Key_1, ID_SPECTRUM_1},
    Accelerator{Qt::CTRL | Qt::Key_2, ID_SPECTRUM_2},
    Accelerator{Qt::CTRL | Qt::Key_S, ID_SAVE_SPECTRUM},
    Accelerator{Qt::CTRL | Qt::Key_C, ID_CLEAR_SPECTRUM},
};

}  // namespace

std::span<const Accelerator> MainAccelerators() {
    return kMainAccelerators;
}

void InstallAccelerators(QWidget& window, std::span<const Accelerator> accelerators,
                         const CommandSink& sink) {
    for (const Accelerator& accelerator : accelerators) {
        auto* shortcut = new QShortcut(QKeySequence(accelerator.keys), &window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &window,
                         [sink, id = accelerator.id] { sink(id); });
    }
}
