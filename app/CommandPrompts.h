// The status-bar prompt of a command: the text the message pane shows while its menu item is
// highlighted.
#pragma once

#include <QString>

// Empty for a command without a prompt.
QString CommandPrompt(int id);
