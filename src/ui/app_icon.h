// The program's icon: pedestrians of the two colour families crossing a trap.
#pragma once

#include <QIcon>

namespace strida::ui {
QIcon appIcon();
}
