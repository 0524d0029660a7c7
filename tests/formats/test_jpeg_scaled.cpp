// A JPEG decoded at screen size first and at full size behind it on a thread: the scale
// chosen for a fit, the full decode equal to JpegLoad's, and the ways the full decode can
// end without the photo (the file changed meanwhile, a cancel), each leaving its reason.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "formats/formats.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"
#include "tests/formats/photo_target.h"

namespace
{

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

bool Near(uint32_t a, uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > 40)
            return false;
    return true;
}

// A w × h JPEG whose quarters are red, green (top) and blue, yellow (bottom), stored with
// an EXIF orientation segment when orientation is not 1.
void WriteQuarters(const std::string &path, int32_t w, int32_t h, int orientation)
{
    LPDDS q = CreateJpegBuffer2(w, h, 3);
    ASSERT_NE(q, nullptr);
    DXFillRect(q, 0, 0, w / 2, h / 2, kRed);
    DXFillRect(q, w / 2, 0, w - w / 2, h / 2, kGreen);
    DXFillRect(q, 0, h / 2, w / 2, h - h / 2, kBlue);
    DXFillRect(q, w / 2, h / 2, w - w / 2, h - h / 2, kYellow);
    ASSERT_TRUE(JpegSave(q->pBits, path.c_str(), w, h, 3, 95)) << gErrorTrail;
    ReleaseJpegBuffer2(q);
    if (orientation == 1)
        return;
    const std::vector<uint8_t> jpeg = ReadBytes(path);
    const uint8_t o = static_cast<uint8_t>(orientation);
    const std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0,    'I',  'I', 42, 0, 8,
                                       0,   0,   0,   1,   0, 0x12, 0x01, 3,   0,  1, 0,
                                       0,   0,   o,   0,   0, 0,    0,    0,   0,  0};
    std::vector<uint8_t> file(jpeg.begin(), jpeg.begin() + 2);
    file.insert(file.end(), {0xFF, 0xE1, 0, static_cast<uint8_t>(app1.size() + 2)});
    file.insert(file.end(), app1.begin(), app1.end());
    file.insert(file.end(), jpeg.begin() + 2, jpeg.end());
    WriteFile(path, file);
}

class JpegScaled : public ::testing::Test
{
  protected:
    void SetUp() override { TrailClear(); }
    TempDir tmp;
    std::string In(const std::string &name) const { return tmp.Path() + "/" + name; }
};

} // namespace

// The smallest of 1/8, 1/4 and 1/2 that still covers the fit, upright sides against the
// upright fit; the whole photo behind it is JpegLoad's to the byte.
TEST_F(JpegScaled, TheScreenPictureCoversTheFitAndTheFullDecodeIsJpegLoads)
{
    struct Row {
        int32_t w, h;
        int orientation;
        int32_t fitW, fitH;
        int32_t shownW, shownH; // upright
    } rows[] = {
        {400, 300, 1, 100, 75, 100, 75},   // exactly a quarter
        {400, 300, 1, 90, 60, 100, 75},    // an eighth is too small
        {400, 300, 1, 40, 30, 50, 38},     // an eighth, rounded up
        {401, 301, 1, 50, 37, 51, 38},     // odd sides round up
        {400, 300, 1, 300, 300, 400, 300}, // no scale covers it: the whole photo, no second decode
        {320, 160, 6, 40, 80, 40, 80},     // stored sideways: a quarter of 160 × 320 upright
        {320, 160, 6, 80, 40, 80, 160},    // the sideways fit needs half
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h) + " o" +
                     std::to_string(r.orientation) + " fit " + std::to_string(r.fitW) + "x" +
                     std::to_string(r.fitH));
        const std::string path = In("q.jpg");
        WriteQuarters(path, r.w, r.h, r.orientation);
        const bool sideways = r.orientation >= 5;
        const int32_t uw = sideways ? r.h : r.w, uh = sideways ? r.w : r.h;

        PhotoTarget shown;
        int fd = -1;
        ASSERT_TRUE(JpegLoadScaled(path.c_str(), r.fitW, r.fitH, PhotoTarget::Make, &shown,
                                   &shown.info, &fd))
            << gErrorTrail;
        EXPECT_EQ(std::pair(shown.info.iWidth, shown.info.iHeight), std::pair(r.shownW, r.shownH));
        EXPECT_EQ(std::pair(shown.info.iFullWidth, shown.info.iFullHeight), std::pair(uw, uh));
        // Upright at any scale: the top corners the orientation brings there.
        EXPECT_PRED2(Near, DXGetPixel(shown.surface, 2, 2), sideways ? kBlue : kRed);
        EXPECT_PRED2(Near, DXGetPixel(shown.surface, r.shownW - 3, 2), sideways ? kRed : kGreen);
        const bool smaller = r.shownW < uw;
        ASSERT_EQ(fd >= 0, smaller);
        if (!smaller)
            continue;

        PhotoTarget whole;
        ASSERT_TRUE(whole.Load(JpegLoad, path)) << gErrorTrail;
        LPDDS full = DXCreateSurface(nullptr, W8(uw), uh, DDSCAPS_SYSTEMOFFSCREEN);
        JPEGFULLJOB *job = JpegFullStart(fd, full, uw, uh);
        ASSERT_NE(job, nullptr) << gErrorTrail;
        ASSERT_TRUE(JpegFullFinish(job, 0)) << gErrorTrail;
        for (int32_t y = 0; y < uh; y++)
            ASSERT_EQ(std::memcmp(DXPixel(full, 0, y), DXPixel(whole.surface, 0, y),
                                  static_cast<size_t>(uw) * 3),
                      0)
                << "row " << y;
        DXReleaseSurface(full);
    }
}

// The full decode runs after the screen-sized one returned: a file rewritten in place
// meanwhile, a cancel and a cut-off file each end it soundly.
TEST_F(JpegScaled, TheFullDecodeEndsSoundlyWhenItCannotGiveThePhoto)
{
    struct Row {
        const char *what;
        int cancel;
        const char *reason; // in the trail after the finish; null: none, and it fails silently
    } rows[] = {
        {"rewritten", 0, "The file changed while it was being opened."},
        {"cancelled", 1, nullptr},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        TrailClear();
        const std::string path = In("p.jpg");
        WriteQuarters(path, 640, 480, 1);
        PhotoTarget shown;
        int fd = -1;
        ASSERT_TRUE(
            JpegLoadScaled(path.c_str(), 80, 60, PhotoTarget::Make, &shown, &shown.info, &fd));
        ASSERT_GE(fd, 0);
        if (std::string(r.what) == "rewritten") {
            // The same file (the open descriptor sees it) now holds another photo.
            const std::string other = In("other.jpg");
            WriteQuarters(other, 320, 480, 1);
            WriteFile(path, ReadBytes(other));
        }
        LPDDS full = DXCreateSurface(nullptr, 640, 480, DDSCAPS_SYSTEMOFFSCREEN);
        JPEGFULLJOB *job = JpegFullStart(fd, full, 640, 480);
        ASSERT_NE(job, nullptr);
        EXPECT_FALSE(JpegFullFinish(job, r.cancel));
        if (r.reason)
            EXPECT_NE(std::string(gErrorTrail).find(r.reason), std::string::npos) << gErrorTrail;
        else
            EXPECT_STREQ(gErrorTrail, "");
        DXReleaseSurface(full);
    }
}

// A file cut off in its picture data says so from its screen-sized decode, before the
// full one: the window tells the user at once.
TEST_F(JpegScaled, ACutOffFileIsIncompleteAtScreenSizeToo)
{
    const std::string path = In("cut.jpg");
    WriteQuarters(path, 640, 480, 1);
    std::vector<uint8_t> bytes = ReadBytes(path);
    bytes.resize(bytes.size() * 2 / 3);
    WriteFile(path, bytes);
    PhotoTarget shown;
    int fd = -1;
    ASSERT_TRUE(JpegLoadScaled(path.c_str(), 80, 60, PhotoTarget::Make, &shown, &shown.info, &fd))
        << gErrorTrail;
    EXPECT_TRUE(shown.info.bIncomplete);
    ASSERT_GE(fd, 0);
    LPDDS full = DXCreateSurface(nullptr, 640, 480, DDSCAPS_SYSTEMOFFSCREEN);
    EXPECT_TRUE(JpegFullFinish(JpegFullStart(fd, full, 640, 480), 0)) << gErrorTrail;
    DXReleaseSurface(full);
}
