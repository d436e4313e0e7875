// The program's icon: a dish with its feed arm under a spectrum trace.
#pragma once

#include <QIcon>

QIcon AppIcon();
