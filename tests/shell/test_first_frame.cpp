// The first frame: a window given other sizes while it is placed on the screen, before
// anything was painted, shows in that frame the whole window drawn at its last size.
#include <QImage>

#include "pixels/pixels.h"
#include "support/qt_app.h"

TEST_F(WindowTest, TheFirstFrameShowsTheWindowDrawnAtItsLastSize)
{
    MainWindow *w = Make();
    w->show();
    w->resize(w->width() + 60, w->height() + 30);
    w->resize(w->width() + 20, w->height());
    const QImage shown = w->Area()->grab().toImage(); // the first frame
    ASSERT_EQ(std::pair(shown.width(), shown.height()), std::pair(gScreenWidth, gScreenHeight));
    int wrong = 0, black = 0, seen = 0;
    for (int y = 0; y < shown.height(); y += 7)
        for (int x = 0; x < shown.width(); x += 11, seen++) {
            const uint8_t *p = DXPixel(gDDSScratch, x, y);
            wrong += shown.pixel(x, y) != qRgb(p[2], p[1], p[0]);
            black += shown.pixel(x, y) == qRgb(0, 0, 0);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_LT(black, seen / 10) << "the backdrop is drawn";
}
