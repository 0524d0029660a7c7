// A JPEG decoded at screen size first and at full size behind it on a thread: the scale
// chosen for a fit, the full decode equal to JpegLoad's, and the ways the full decode can
// end without the photo (the file changed meanwhile, a cancel), each leaving its reason.
#include <cstring>

#include "tests/formats/photo_target.h"

namespace
{

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

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
        int orientation; // 0: no EXIF segment
        int32_t fitW, fitH;
        int32_t shownW, shownH; // upright
    } rows[] = {
        {400, 300, 0, 100, 75, 100, 75},   // exactly a quarter
        {400, 300, 0, 90, 60, 100, 75},    // an eighth is too small
        {400, 300, 0, 40, 30, 50, 38},     // an eighth, rounded up
        {401, 301, 0, 50, 37, 51, 38},     // odd sides round up
        {400, 300, 0, 300, 300, 400, 300}, // no scale covers it: the whole photo, no second decode
        {320, 160, 6, 40, 80, 40, 80},     // stored sideways: a quarter of 160 × 320 upright
        {320, 160, 6, 80, 40, 80, 160},    // the sideways fit needs half
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h) + " o" +
                     std::to_string(r.orientation) + " fit " + std::to_string(r.fitW) + "x" +
                     std::to_string(r.fitH));
        const std::string path = In("q.jpg");
        QuartersJpeg(path, r.w, r.h, r.orientation);
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
        EXPECT_PRED3(NearColour, DXGetPixel(shown.surface, 2, 2), sideways ? kBlue : kRed, 40);
        EXPECT_PRED3(NearColour, DXGetPixel(shown.surface, r.shownW - 3, 2),
                     sideways ? kRed : kGreen, 40);
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
        QuartersJpeg(path, 640, 480);
        PhotoTarget shown;
        int fd = -1;
        ASSERT_TRUE(
            JpegLoadScaled(path.c_str(), 80, 60, PhotoTarget::Make, &shown, &shown.info, &fd));
        ASSERT_GE(fd, 0);
        if (std::string(r.what) == "rewritten") {
            // The same file (the open descriptor sees it) now holds another photo.
            const std::string other = In("other.jpg");
            QuartersJpeg(other, 320, 480);
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
    QuartersJpeg(path, 640, 480);
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
