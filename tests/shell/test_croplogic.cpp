// The Crop photo dialog's arithmetic: drags, typed sizes and proportions kept inside the photo.
#include <gtest/gtest.h>

#include "shell/croplogic.h"

static bool operator==(const CROPBOX &a, const CROPBOX &b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

static std::ostream &operator<<(std::ostream &out, const CROPBOX &b)
{
    return out << b.x << "," << b.y << " " << b.w << "x" << b.h;
}

namespace
{

constexpr int kSquare = 2, k169 = 5, kUpright34 = 6;

} // namespace

// A drag keeps its press corner and follows the pointer, within the photo, to the shape.
TEST(CropLogic, DragsMarkRectanglesInsideThePhotoToTheirShape)
{
    const struct {
        const char *what;
        int32_t x0, y0, x1, y1;
        int ratio;
        CROPBOX want;
    } cases[] = {
        {"free, down and right", 100, 50, 400, 250, CROP_FREE, {100, 50, 300, 200}},
        {"up and left: the press pixel in", 400, 250, 100, 50, CROP_FREE, {100, 50, 301, 201}},
        {"beyond the photo's edge", 1000, 700, 5000, 5000, CROP_FREE, {1000, 700, 200, 100}},
        {"square: the longer way decides", 100, 100, 400, 200, kSquare, {100, 100, 300, 300}},
        {"square, the room below ends it", 100, 600, 600, 650, kSquare, {100, 600, 200, 200}},
        {"as the photo (3:2)", 0, 0, 300, 10, CROP_ORIGINAL, {0, 0, 300, 200}},
        {"upright 3:4", 0, 0, 90, 400, kUpright34, {0, 0, 300, 400}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CropFromDrag(c.x0, c.y0, c.x1, c.y1, c.ratio, 1200, 800), c.want) << c.what;
}

// Typed numbers become a rectangle that fits; a chosen shape gives the largest of it.
TEST(CropLogic, TypedSizesFitAndShapesGiveTheLargestRectangle)
{
    const struct {
        CROPBOX typed;
        int ratio, heightLeads;
        CROPBOX want;
    } fits[] = {
        {{1100, 0, 300, 100}, CROP_FREE, 0, {900, 0, 300, 100}}, // too far right: moved in
        {{0, 0, 640, 1}, k169, 0, {0, 0, 640, 360}},
        {{0, 0, 1, 450}, k169, 1, {0, 0, 800, 450}},
        {{0, 0, 1000, 1}, kSquare, 0, {0, 0, 800, 800}}, // too high for the photo: both shrink
    };
    for (const auto &f : fits)
        EXPECT_EQ(CropFit(f.typed, f.ratio, 1200, 800, f.heightLeads), f.want) << f.typed;
    EXPECT_EQ(CropLargest(kSquare, 1200, 800), (CROPBOX{200, 0, 800, 800}));
    EXPECT_EQ(CropLargest(k169, 1200, 800), (CROPBOX{0, 62, 1200, 675}));
    EXPECT_EQ(CropLargest(kUpright34, 1200, 800), (CROPBOX{300, 0, 600, 800}));
    EXPECT_EQ(CropMoved({100, 100, 300, 200}, -500, 5000, 1200, 800), (CROPBOX{0, 600, 300, 200}));
    EXPECT_FALSE(CropCuts({0, 0, 1200, 800}, 1200, 800));
    EXPECT_TRUE(CropCuts({0, 0, 1200, 799}, 1200, 800));
}
