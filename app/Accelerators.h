// The main window's accelerators: keys that run a command anywhere in the window, whatever has
// the focus, without opening a menu.
#pragma once

#include <QKeyCombination>
#include <span>

#include "app/MenuBar.h"

class QWidget;

struct Accelerator {
    QKeyCombination keys;
    int id;
};

std::span<const Accelerator> MainAccelerators();

// Makes each accelerator a shortcut of `window` that reports its command id to `sink`. The
// shortcuts belong to the window, so Ctrl+C runs its command and never reaches a child widget
// as a copy.
void InstallAccelerators(QWidget& window, std::span<const Accelerator> accelerators,
                         const CommandSink& sink);
