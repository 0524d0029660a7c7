// windowscreen.cpp — the main window on the screen it is on: its size limits follow that
// screen's available area at the desktop's scale, and on a scaled screen the picture is
// painted at the screen's own pixels and, from 1.5 on, the rest of the window from its
// drawing at 2x.
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/trail.h"
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

void FollowDeviceScale(QWidget *area)
{
    const double scale = area->devicePixelRatioF();
    int changed = DEVUI_SetScale(scale);
    if (scale != PICTURE_DeviceScale()) {
        PICTURE_SetDeviceScale(scale);
        changed = 1;
    }
    // Drawn anew at once at the new scale, so no frame of the old one is shown.
    MainWindow *main = TheMainWindow();
    if (changed && main && main->Running() && !BackgroundResize()) {
        Fail("AO process failed");
        ShowErrorTrail();
    }
}

void PaintWindowImage(QPainter &painter, QWidget *area, const QRect &rect, const QImage &image)
{
    const QRect r = rect & image.rect();
    if (r.isEmpty())
        return;
    const double scale = area->devicePixelRatioF();
    XYWH place;
    const LPDDS twice = DEVUI_Window();
    if (twice) {
        // The window drawn at 2x, reduced (or enlarged) smoothly to the screen's pixels.
        const XYWH d = PICTURE_ToDevice({r.x(), r.y(), r.width(), r.height()}, DEVUI_FACTOR);
        const QImage part(DXPixel(twice, d.x, d.y), d.w, d.h, twice->iPitch, QImage::Format_BGR888);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scale != DEVUI_FACTOR);
        painter.drawImage(QRectF(r), part);
    }
    // The window image: all of it below 1.5, at 2x only the picture when it is not drawn
    // at the screen's pixels. Enlarged smoothly where the scale is not whole: whole pixels
    // cannot be repeated evenly there.
    QRect own = r;
    if (twice) {
        const XYWH &p = gPictureRect;
        own = gPictureExists && !PICTURE_DevicePicture(&place) ? r & QRect(p.x, p.y, p.w, p.h)
                                                               : QRect();
    }
    if (own.isEmpty())
        return;
    // Only the rectangle is converted to the screen's format: handed the whole image, the
    // painter would convert all of it on every repaint.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale != std::floor(scale));
    const QImage part(image.constBits() + own.y() * image.bytesPerLine() +
                          own.x() * (image.depth() / 8),
                      own.width(), own.height(), image.bytesPerLine(), image.format());
    painter.drawImage(own.topLeft(), part);
}

void PaintDevicePicture(QPainter &painter, QWidget *area, const QRect &rect)
{
    const double scale = area->devicePixelRatioF();
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
