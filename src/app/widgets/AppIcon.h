#pragma once
// The program's icon, painted in code: a wave over four constellation dots on a dark tile.

#include <QIcon>
#include <QPixmap>

namespace quorvel {

// The icon at scale times its 24 x 26 pixel base size.
QPixmap applicationIconPixmap(int scale);

// The icon in its base size and at twice, four and eight times that size.
QIcon applicationIcon();

}  // namespace quorvel
