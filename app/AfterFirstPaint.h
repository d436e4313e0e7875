// Start-up work that the window's first paint does not need, run once that paint is done, so
// that the window shows its content without waiting for it.
//
// User-interface thread only.
#pragma once

#include <functional>

class QObject;
class QWidget;

// Calls `then` once, from the event loop, after `widget` has painted for the first time. It
// is never called when `context` goes first; when `widget` goes before it paints, `then` waits
// for nothing and is dropped with `context`.
void AfterFirstPaint(QWidget& widget, QObject& context, std::function<void()> then);
