// Building a dialog from its resource: each control is a direct child of the dialog at its
// designed rectangle (in dialog units) and carries its resource id as its object name, so the
// program and its tests find it by id.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <utility>

#include "dialogs/DialogUnits.h"

inline constexpr int kStaticId = -1;  // static text that nothing refers to
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

inline QString ControlName(int id) {
    return id == kStaticId ? QString() : QString::number(id);
}

// Rectangle in dialog units: x, y, width, height.
struct DialogRect {
    int x, y, width, height;
};

// Creates a control of type Control with its text (if any), id and rectangle.
template <class Control, class... Args>
Control* AddControl(QWidget* dialog, const DialogUnits& units, int id, DialogRect rect,
                    Args&&... args) {
    auto* control = new Control(std::forward<Args>(args)..., dialog);
    control->setObjectName(ControlName(id));
    control->setGeometry(units.Rect(rect.x, rect.y, rect.width, rect.height));
    return control;
}

template <class Control>
Control* FindControl(const QWidget* dialog, int id) {
    return dialog->findChild<Control*>(ControlName(id), Qt::FindDirectChildrenOnly);
}
