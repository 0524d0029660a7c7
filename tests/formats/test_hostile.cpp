// Photos that ask for more than their picture needs, and photos cut short.
#include "support/engine_reset.h"
#include "tests/formats/photo_target.h"

namespace
{

using Bytes = std::vector<uint8_t>;

class HostilePhotos : public EngineTest
{
  protected:
    std::string In(const std::string &name) const { return (dir / name).string(); }
    std::string Picture(int w, int h) const { return WritePpm(In("picture.ppm"), w, h); }
    // The least budget, in whole megabytes, under which the file loads; below it the
    // refusal names the photo's size.
    int LeastBudgetMB(const std::string &name)
    {
        int low = 1, high = 256;
        while (low < high) {
            const int mid = (low + high) / 2;
            gMemoryBudget = int64_t{mid} << 20;
            PhotoTarget t;
            TrailClear();
            const bool loads = t.Load(PhotoLoad, In(name));
            EXPECT_TRUE(loads || std::string(gErrorTrail)
                                         .find("The photo (1000 x 1000 pixels) "
                                               "needs ") == 0)
                << gErrorTrail;
            (loads ? high : low) = loads ? mid : mid + 1;
        }
        gMemoryBudget = MEMORY_BUDGET;
        return low;
    }
};

// Appends an APP1 segment of `payload`.
void App1(Bytes *file, const Bytes &payload)
{
    const size_t n = payload.size() + 2;
    file->insert(file->end(), {0xFF, 0xE1, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
    file->insert(file->end(), payload.begin(), payload.end());
}

} // namespace

// Tens of thousands of segments cost one reading of them; the orientation is the first
// Exif segment's, whatever comes before it or after it.
TEST_F(HostilePhotos, OnlyTheFirstExifSegmentIsReadForTheOrientation)
{
    MakeWith("cjpeg -outfile " + In("plain.jpg") + " " + Picture(64, 32));
    const Bytes plain = ReadBytes(In("plain.jpg")), xmp = {'h', 't', 't', 'p', ':', '/', '/'};
    const std::pair<std::vector<Bytes>, bool> cases[] = {
        {{ExifSegment(6)}, true},
        {{xmp, ExifSegment(6), ExifSegment(1)}, true},
        {{ExifSegment(1), ExifSegment(6)}, false}, // upright as the first one says
        {{{}, {'E', 'x'}, ExifSegment(8)}, true},
    };
    for (const auto &[payloads, sideways] : cases) {
        Bytes file(plain.begin(), plain.begin() + 2);
        for (int i = 0; i < 20000; i++)
            App1(&file, {});
        for (const Bytes &p : payloads)
            App1(&file, p);
        file.insert(file.end(), plain.begin() + 2, plain.end());
        WriteFile(In("turned.jpg"), file);
        PhotoTarget t;
        ASSERT_TRUE(t.Load(JpegLoad, In("turned.jpg"))) << gErrorTrail;
        EXPECT_EQ(t.info.iWidth, sideways ? 32 : 64) << payloads.size();
    }
}

// A grey progressive picture has six scans, each through all of its blocks; its second
// scan repeated goes through them again each time. Up to the bound it still loads.
TEST_F(HostilePhotos, ScansBeyondWhatThePictureNeedsAreRefused)
{
    MakeWith("cjpeg -grayscale -progressive -outfile " + In("grey.jpg") + " " + Picture(256, 256));
    const Bytes grey = ReadBytes(In("grey.jpg"));
    std::vector<long> markers; // every marker's place (in the data 0xFF is followed by 0)
    for (size_t i = 0; i + 1 < grey.size(); i++)
        if (grey[i] == 0xFF && grey[i + 1] != 0 && (grey[i + 1] < 0xD0 || grey[i + 1] > 0xD7))
            markers.push_back(static_cast<long>(i));
    long sos = 0, end = 0; // the second scan: its SOS marker to the marker after its data
    for (size_t k = 0, seen = 0; k + 1 < markers.size() && !end; k++)
        if (grey[markers[k] + 1] == 0xDA && ++seen == 2)
            sos = markers[k], end = markers[k + 1];
    ASSERT_NE(end, 0);
    for (const auto &[repeats, loads] : {std::pair{60, true}, {70, false}}) {
        Bytes file(grey.begin(), grey.begin() + sos);
        for (int i = 0; i < repeats; i++)
            file.insert(file.end(), grey.begin() + sos, grey.begin() + end);
        file.insert(file.end(), grey.begin() + sos, grey.end());
        WriteFile(In("scans.jpg"), file);
        PhotoTarget t;
        TrailClear();
        EXPECT_EQ(t.Load(JpegLoad, In("scans.jpg")), loads) << repeats << ": " << gErrorTrail;
        EXPECT_EQ(std::string(gErrorTrail).find("more scans than a picture of its size needs") !=
                      std::string::npos,
                  !loads);
    }
}

// A decoder's whole-picture buffer counts against the budget before anything is allocated.
TEST_F(HostilePhotos, WholePictureBuffersCountAgainstTheMemoryBudget)
{
    const std::string ppm = Picture(1000, 1000);
    MakeWith("cjpeg -sample 1x1 -outfile " + In("baseline.jpg") + " " + ppm);
    MakeWith("cjpeg -sample 1x1 -progressive -outfile " + In("progressive.jpg") + " " + ppm);
    MakeWith("convert " + ppm + " PNG24:" + In("opaque.png"));
    MakeWith("convert " + ppm +
             " -alpha set -channel A -evaluate set 50% PNG32:" + In("alpha.png"));
    MakeWith("cwebp -quiet -q 80 " + In("opaque.png") + " -o " + In("lossy.webp"));
    MakeWith("cwebp -quiet -lossless " + In("alpha.png") + " -o " + In("lossless.webp"));
    const struct {
        const char *cheap, *dear;
        int moreMB;
    } pairs[] = {
        {"baseline.jpg", "progressive.jpg", 5}, // coefficients: 3 × 125 × 125 blocks of 128 bytes
        {"opaque.png", "alpha.png", 3},         // the BGRA copy: 4 bytes a pixel
        {"lossy.webp", "lossless.webp", 7},     // that and the ARGB image: 4 + 4 bytes a pixel
    };
    for (const auto &p : pairs) {
        const int cheap = LeastBudgetMB(p.cheap), dear = LeastBudgetMB(p.dear);
        EXPECT_GE(dear - cheap, p.moreMB)
            << p.cheap << " " << cheap << ", " << p.dear << " " << dear;
    }
}

// A JPEG cut short opens with what is there (the rows of a baseline file that are not
// there grey) and says it is incomplete; a whole file does not.
TEST_F(HostilePhotos, ACutJpegOpensAsFarAsItGoesAndSaysItIsIncomplete)
{
    const std::string ppm = Picture(256, 256);
    MakeWith("cjpeg -outfile " + In("baseline.jpg") + " " + ppm);
    MakeWith("cjpeg -progressive -outfile " + In("progressive.jpg") + " " + ppm);
    for (const char *name : {"baseline.jpg", "progressive.jpg"}) {
        const Bytes whole = ReadBytes(In(name));
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
