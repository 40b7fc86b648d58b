#include "Icons.h"

#include <QPainter>
#include <QSvgRenderer>

// The icons are compiled into a static library, whose resources must be registered by hand.
static bool RegisterIconResources() {
  Q_INIT_RESOURCE(Scrivtar);
  return true;
}

namespace scrivtar::ui {

QPixmap SvgPixmap(const QString& name, int height) {
  static const bool registered = RegisterIconResources();
  (void)registered;
  QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
  QSize size = renderer.defaultSize();
  if (!size.isValid() || size.height() <= 0) size = QSize(height, height);
  const int width = size.width() * height / size.height();
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

QIcon SvgIcon(const QString& name) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) icon.addPixmap(SvgPixmap(name, size));
  return icon;
}

}  // namespace scrivtar::ui
