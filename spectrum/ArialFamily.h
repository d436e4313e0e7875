// The family the meters' values and the picture's labels are drawn in: Arial. On a machine
// without Arial, Qt looks for the nearest family through fontconfig's whole list of fallbacks
// every time a new size of it is first used, which cost more than the meters' first paint
// itself. Such a machine is given a metric-compatible stand-in it has by name, the one that
// search would find; a machine with Arial uses Arial as before.
//
// User-interface thread only (it reads Qt's font database; a QGuiApplication must exist).
#pragma once

#include <QString>

QString ArialFamily();
