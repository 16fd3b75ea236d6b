#include "app/splash.h"

#include <QLinearGradient>
#include <QPainter>

namespace tessary::app {

QPixmap SplashPicture() {
  QPixmap picture(480, 260);
  QPainter painter(&picture);
  QLinearGradient gradient(0, 0, 0, picture.height());
  gradient.setColorAt(0, QColor(28, 45, 84));
  gradient.setColorAt(1, QColor(66, 98, 150));
  painter.fillRect(picture.rect(), gradient);
  painter.setPen(QColor(240, 232, 210));
  QFont title("Serif", 40, QFont::Bold);
  painter.setFont(title);
  painter.drawText(QRect(0, 50, picture.width(), 80), Qt::AlignCenter, "Tessary");
  QFont line("Serif", 13, QFont::Normal, true);
  painter.setFont(line);
  painter.drawText(QRect(0, 130, picture.width(), 40), Qt::AlignCenter,
                   "A database of quotations to read and keep");
  painter.setFont(QFont("Sans", 9));
  painter.drawText(QRect(0, 210, picture.width(), 30), Qt::AlignCenter, "Opening the database...");
  return picture;
}

}  // namespace tessary::app
