// Photos that ask for more than their picture needs: segments by the thousand, scans that
// go through the picture again and again, whole-picture buffers beyond the memory budget,
// and files cut short, which open as far as they go and say so.
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "platform/memory.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/engine_reset.h"
#include "tests/formats/photo_target.h"

namespace
{

class HostilePhotos : public EngineTest
{
  protected:
    std::string In(const std::string &name) const { return (dir / name).string(); }
    // Runs a tool that makes a test file.
    static void Make(const std::string &command)
    {
        ASSERT_EQ(std::system((command + " 2>/dev/null").c_str()), 0) << command;
    }
    // A w × h picture with gradients and edges, as a PPM file.
    std::string Picture(int w, int h)
    {
        std::string px;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                px += {static_cast<char>(x * 255 / w), static_cast<char>(y * 255 / h),
                       static_cast<char>((x / 8 + y / 8) % 2 ? 200 : 30)};
        const std::string path = In("picture.ppm");
        std::ofstream(path, std::ios::binary) << "P6\n" << w << " " << h << "\n255\n" << px;
        return path;
    }
    // The smallest budget, in whole megabytes, under which the file loads.
    int LeastBudgetMB(const std::string &path)
    {
        int low = 1, high = 256;
        while (low < high) {
            const int mid = (low + high) / 2;
            gMemoryBudget = int64_t{mid} << 20;
            PhotoTarget t;
            TrailClear();
            if (t.Load(PhotoLoad, path)) {
                high = mid;
            } else {
                EXPECT_NE(std::string(gErrorTrail).find("needs"), std::string::npos) << gErrorTrail;
                low = mid + 1;
            }
        }
        gMemoryBudget = MEMORY_BUDGET;
        return low;
    }
};

// An APP1 segment of the given payload.
std::vector<uint8_t> App1(const std::vector<uint8_t> &payload)
{
    const size_t n = payload.size() + 2;
    std::vector<uint8_t> s = {0xFF, 0xE1, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

// An Exif payload whose one directory entry is the orientation.
std::vector<uint8_t> Exif(uint8_t orientation)
{
    return {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42,          0, 8, 0, 0, 0, 1, 0,
            0x12, 0x01, 3,   0,   1, 0, 0,   0,   orientation, 0, 0, 0, 0, 0, 0, 0};
}

// The segments from the first SOS to the next marker: one scan with its data.
std::vector<uint8_t> ScanAt(const std::vector<uint8_t> &jpeg, size_t at)
{
    size_t end = at + 2;
    while (end + 1 < jpeg.size() && !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 &&
                                      (jpeg[end + 1] < 0xD0 || jpeg[end + 1] > 0xD7)))
        end++;
    return {jpeg.begin() + static_cast<long>(at), jpeg.begin() + static_cast<long>(end)};
}

} // namespace

// Tens of thousands of segments cost one reading of them; the orientation is the first
// Exif segment's, whatever comes before it or after it.
TEST_F(HostilePhotos, OnlyTheFirstExifSegmentIsReadForTheOrientation)
{
    Make("cjpeg -outfile " + In("plain.jpg") + " " + Picture(64, 32));
    const std::vector<uint8_t> plain = ReadBytes(In("plain.jpg"));
    const std::vector<uint8_t> xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.'};
    const struct {
        std::vector<std::vector<uint8_t>> payloads;
        bool sideways;
    } cases[] = {
        {{Exif(6)}, true},
        {{xmp, Exif(6), Exif(1)}, true},
        {{Exif(1), Exif(6)}, false}, // upright as the first one says
        {{{}, {'E', 'x'}, Exif(8)}, true},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> file(plain.begin(), plain.begin() + 2);
        for (int i = 0; i < 20000; i++) // empty segments
            file.insert(file.end(), {0xFF, 0xE1, 0x00, 0x02});
        for (const auto &p : c.payloads) {
            const std::vector<uint8_t> s = App1(p);
            file.insert(file.end(), s.begin(), s.end());
        }
        file.insert(file.end(), plain.begin() + 2, plain.end());
        WriteFile(In("turned.jpg"), file);
        PhotoTarget t;
        ASSERT_TRUE(t.Load(JpegLoad, In("turned.jpg"))) << gErrorTrail;
        EXPECT_EQ(t.info.iWidth, c.sideways ? 32 : 64) << c.payloads.size();
    }
}

// A grey progressive picture has six scans, each through all of its blocks; one AC scan
// repeated goes through them again each time. Up to the bound it still loads.
TEST_F(HostilePhotos, ScansBeyondWhatThePictureNeedsAreRefused)
{
    Make("cjpeg -grayscale -progressive -outfile " + In("grey.jpg") + " " + Picture(256, 256));
    const std::vector<uint8_t> grey = ReadBytes(In("grey.jpg"));
    size_t firstScan = 0, secondScan = 0;
    for (size_t i = 0; i + 1 < grey.size() && !secondScan; i++)
        if (grey[i] == 0xFF && grey[i + 1] == 0xDA)
            (firstScan ? secondScan : firstScan) = i;
    ASSERT_NE(secondScan, 0u);
    const std::vector<uint8_t> scan = ScanAt(grey, secondScan);
    for (const auto &[repeats, loads] : {std::pair{60, true}, {70, false}}) {
        std::vector<uint8_t> file(grey.begin(), grey.begin() + static_cast<long>(secondScan));
        for (int i = 0; i < repeats; i++)
            file.insert(file.end(), scan.begin(), scan.end());
        file.insert(file.end(), grey.begin() + static_cast<long>(secondScan), grey.end());
        WriteFile(In("scans.jpg"), file);
        PhotoTarget t;
        TrailClear();
        EXPECT_EQ(t.Load(JpegLoad, In("scans.jpg")), loads) << repeats << ": " << gErrorTrail;
        const bool says = std::string(gErrorTrail)
                              .find("more scans than a picture of its size "
                                    "needs") != std::string::npos;
        EXPECT_EQ(says, !loads) << gErrorTrail;
    }
}

// Of two files of one size, the one whose decoder keeps a whole-picture buffer needs that
// much more of the budget: the coefficients of a progressive 4:4:4 JPEG (128 bytes an
// 8 x 8 block of each component), the BGRA copy of a PNG or WebP with alpha, and the
// ARGB image of a lossless WebP.
TEST_F(HostilePhotos, WholePictureBuffersCountAgainstTheMemoryBudget)
{
    const std::string ppm = Picture(1000, 1000);
    Make("cjpeg -sample 1x1 -outfile " + In("baseline.jpg") + " " + ppm);
    Make("cjpeg -sample 1x1 -progressive -outfile " + In("progressive.jpg") + " " + ppm);
    Make("convert " + ppm + " PNG24:" + In("opaque.png"));
    Make("convert " + ppm + " -alpha set -channel A -evaluate set 50% PNG32:" + In("alpha.png"));
    Make("cwebp -quiet -q 80 " + In("opaque.png") + " -o " + In("lossy.webp"));
    Make("cwebp -quiet -lossless " + In("alpha.png") + " -o " + In("lossless.webp"));
    const struct {
        const char *cheap, *dear;
        int moreMB; // the dear one's buffers, in whole megabytes
    } pairs[] = {
        {"baseline.jpg", "progressive.jpg", 5}, // 3 × 125 × 125 × 128 bytes
        {"opaque.png", "alpha.png", 3},         // 4 bytes a pixel
        {"lossy.webp", "lossless.webp", 7},     // 4 + 4 bytes a pixel
    };
    for (const auto &p : pairs) {
        const int cheap = LeastBudgetMB(In(p.cheap)), dear = LeastBudgetMB(In(p.dear));
        EXPECT_GE(dear - cheap, p.moreMB)
            << p.cheap << " " << cheap << ", " << p.dear << " " << dear;
    }
    gMemoryBudget = int64_t{20} << 20;
    TrailClear();
    PhotoTarget t;
    EXPECT_FALSE(t.Load(PhotoLoad, In("progressive.jpg")));
    EXPECT_EQ(t.calls, 0);
    const std::string said = gErrorTrail;
    EXPECT_NE(said.find("The photo (1000 x 1000 pixels) needs "), std::string::npos) << said;
    EXPECT_NE(said.find("at most 20 MB may be used for one file."), std::string::npos) << said;
}

// A JPEG cut short opens with what is there (the rows of a baseline file that are not
// there grey) and says it is incomplete; a whole file does not.
TEST_F(HostilePhotos, ACutJpegOpensAsFarAsItGoesAndSaysItIsIncomplete)
{
    const std::string ppm = Picture(256, 256);
    Make("cjpeg -outfile " + In("baseline.jpg") + " " + ppm);
    Make("cjpeg -progressive -outfile " + In("progressive.jpg") + " " + ppm);
    for (const char *name : {"baseline.jpg", "progressive.jpg"}) {
        const std::vector<uint8_t> whole = ReadBytes(In(name));
        for (const size_t keep : {whole.size(), whole.size() * 4 / 10}) {
            WriteFile(In("cut.jpg"), {whole.begin(), whole.begin() + static_cast<long>(keep)});
            PhotoTarget t;
            ASSERT_TRUE(t.Load(JpegLoad, In("cut.jpg"))) << name << ": " << gErrorTrail;
            const bool cut = keep < whole.size();
            EXPECT_EQ(t.info.bIncomplete, cut ? 1 : 0) << name << " " << keep;
            const bool grey = DXGetPixel(t.surface, 200, 250) == 0x808080;
            EXPECT_TRUE(name[0] != 'b' || grey == cut) << keep;
        }
    }
}
