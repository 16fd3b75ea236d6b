// The start-up picture shown while the windows are created.
#pragma once

#include <QPixmap>

namespace tessary::app {

QPixmap SplashPicture();

}  // namespace tessary::app
