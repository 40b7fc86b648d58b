// The project's own icons, drawn as SVG and compiled into the program; rendered through QtSvg so
// that no image-format plugin has to be found at run time.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace scrivtar::ui {

// name is the file name under icons/ without ".svg"; the pixmap is size x size device pixels
// unless the SVG is wider (the animation strips), when it keeps its aspect ratio.
QPixmap SvgPixmap(const QString& name, int height);
QIcon SvgIcon(const QString& name);

}  // namespace scrivtar::ui
