// windowscreen.cpp — the main window on the screen it is on: its size limits follow that
// screen's available area at the desktop's scale, and on a scaled screen the picture is
// painted at the screen's own pixels.
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "picture/compose.h"
#include "shell/shell.h"
#include "shell/shellcore.h"

void MainWindow::FitToScreen()
{
    const QScreen *where = screen();
    if (!where)
        return;
    const QRect area = where->availableGeometry();
    // Before the window is shown its frame is not known: nothing is taken for it.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    const WINDOWLIMITS l =
        WindowLimitsFor(area.width(), area.height(), frame.width(), frame.height());
    setMinimumSize(l.minW, l.minH);
    setMaximumSize(l.maxW, l.maxH);
    const int roomW = std::max(l.minW, area.width() - frame.width());
    const int roomH = std::max(l.minH, area.height() - frame.height());
    if (width() > roomW || height() > roomH)
        resize(std::min(width(), roomW), std::min(height(), roomH));
    if (!isVisible())
        return;
    // Back inside the area where it runs off it, frame included.
    const QRect outer = frameGeometry();
    const int x =
        std::clamp(outer.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width()));
    const int y =
        std::clamp(outer.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height()));
    if (x != outer.x() || y != outer.y())
        move(x, y);
}

void PaintDevicePicture(QPainter &painter, QWidget *area, const QRect &rect)
{
    const double scale = area->devicePixelRatioF();
    if (scale != PICTURE_DeviceScale())
        PICTURE_SetDeviceScale(scale); // the next frame draws it at this scale
    XYWH place;
    const LPDDS picture = PICTURE_DevicePicture(&place);
    if (!picture)
        return;
    const QRectF exact(rect.x() * scale, rect.y() * scale, rect.width() * scale,
                       rect.height() * scale);
    const QRect part = exact.toAlignedRect() & QRect(place.x, place.y, place.w, place.h);
    if (part.isEmpty())
        return;
    // Its pixels drawn one for one onto the screen's.
    QImage pixels(DXPixel(picture, part.x() - place.x, part.y() - place.y), part.width(),
                  part.height(), picture->iPitch, QImage::Format_BGR888);
    pixels.setDevicePixelRatio(scale);
    painter.drawImage(QPointF(part.x() / scale, part.y() / scale), pixels);
}
