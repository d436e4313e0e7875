// The texts that name the program.
#pragma once

#include <QString>

inline const QString kAppName = QStringLiteral("Orvalen");  // message box captions
inline const QString kMainWindowTitle = QStringLiteral("Orvalen");
inline const QString kOrganisation = QStringLiteral("Kestrelworks");
inline const QString kSocketsFailed = QStringLiteral("Windows sockets initialization failed.");
