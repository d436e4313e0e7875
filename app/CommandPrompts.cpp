#include "app/CommandPrompts.h"

#include "app/CommandIds.h"

QString CommandPrompt(int id) {
    switch (id) {
        case ID_CREATE_ALL:
            return QStringLiteral("Create all Tuner Graphs");
        case ID_CREATE_1:
            return QStringLiteral("Create Tuner 1 Graph");
        case ID_CREATE_2:
            return QStringLiteral("Create Tuner 2 Graph");
        case ID_RECORD_1:
            return QStringLiteral("Create Tuner 1 Recording Graph");
        case ID_RECORD_2:
            return QStringLiteral("Create Tuner 2 Recording Graph");
        case ID_DESTROY_ALL:
            return QStringLiteral("Destroy all Graphs");
        case ID_DESTROY_1:
            return QStringLiteral("Destroy Tuner 1 Graph");
        case ID_DESTROY_2:
            return QStringLiteral("Destroy Tuner 2 Graph");
        case ID_APP_ABOUT:
            return QStringLiteral("Display program information, version number and copyright");
        case ID_APP_EXIT:
            return QStringLiteral("Quit the application; prompts to save documents");
        case ID_VIEW_STATUS_BAR:
            return QStringLiteral("Show or hide the status bar");
        default:
            return {};
    }
}
