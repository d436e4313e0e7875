// File dialog filters are written in the "Text|pattern|Text|pattern||" form; Qt takes
// "Text (pattern);;Text (pattern)".
#pragma once

#include <QString>

class QFileDialog;

// Each text keeps its wording and gets its pattern appended in parentheses (";"-separated
// patterns become blank-separated, and "*.*" becomes "*", which matches every file as "*.*" does
// in such filters), so with QFileDialog::HideNameFilterDetails the dialog shows the text exactly
// and filters by the pattern. An empty text ends the list.
QString ToQtFileFilter(const QString& filter);

// Gives `dialog` the filter: it shows each text exactly as written and filters by its pattern.
void SetFileFilter(QFileDialog& dialog, const QString& filter);
