// The export command's picture kinds and quality: .png and .webp outputs are what their
// names say, --quality reaches the encoder, and a bad quality is refused before anything
// is read or written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/formats.h"
#include "shell/exportcmd.h"
#include "support/engine_reset.h"

namespace
{

class ExportFormats : public EngineTest
{
  protected:
    // "merrowick --export" with the arguments: the exit status, standard error in *err.
    int Run(std::vector<std::string> args, std::string *err)
    {
        args.insert(args.begin(), {"merrowick", "--export"});
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        int handled = 0;
        ::testing::internal::CaptureStderr();
        const int status = RunExportCommand(static_cast<int>(argv.size()), argv.data(), &handled);
        *err = ::testing::internal::GetCapturedStderr();
        return status;
    }
    // A 48 × 32 photo with fine detail, so that the quality shows in the file's size.
    std::string Photo()
    {
        std::vector<uint8_t> px(48 * 32 * 3);
        for (size_t i = 0; i < px.size(); i++)
            px[i] = static_cast<uint8_t>((i * 7919) % 251);
        const std::string path = dir / "photo.jpg";
        EXPECT_TRUE(JpegSave(px.data(), path.c_str(), 48, 32, 3, 100));
        return path;
    }
};

TEST(ExportQuality, AcceptsOnlyAWholeNumberFromOneToAHundred)
{
    int32_t q = 0;
    for (const auto [text, want] : {std::pair{"1", 1}, {"100", 100}, {"075", 75}}) {
        EXPECT_TRUE(ParseExportQuality(text, &q)) << text;
        EXPECT_EQ(q, want);
    }
    for (const char *bad : {"", "0", "101", "-5", "9x", "50.5", "99999999999"})
        EXPECT_FALSE(ParseExportQuality(bad, &q)) << bad;
}

// Each output kind starts with its own signature; a lower quality makes a smaller lossy
// file and leaves a PNG as it is.
TEST_F(ExportFormats, TheOutputsNameChoosesItsKindAndTheQualityItsSize)
{
    const std::string photo = Photo();
    const struct {
        const char *name;
        std::string magic; // the file's first bytes, from the given offset
        size_t at;
        bool lossy;
    } cases[] = {{"out.png", "\x89PNG", 0, false},
                 {"out.webp", "WEBP", 8, true},
                 {"out.jpg", "\xFF\xD8", 0, true}};
    // At the photo's own size a JPEG photo is encoded while it is decoded: that path too.
    for (const bool sized : {true, false})
        for (const auto &c : cases) {
            const std::string out = dir / c.name;
            std::vector<std::string> args = {photo, out};
            if (sized)
                args.insert(args.end(), {"--size", "96x64"});
            std::string err;
            ASSERT_EQ(Run(args, &err), 0) << err;
            const size_t fine = ReadBytes(out).size();
            EXPECT_EQ(ReadText(out).substr(c.at, c.magic.size()), c.magic) << c.name;
            args.insert(args.end(), {"--quality", "10"});
            ASSERT_EQ(Run(args, &err), 0) << err;
            const size_t rough = ReadBytes(out).size();
            EXPECT_EQ(rough < fine * 0.8, c.lossy) << c.name << " " << rough << " " << fine;
        }
}

TEST_F(ExportFormats, ABadQualityIsRefusedAndNothingIsWritten)
{
    const std::string photo = Photo(), out = dir / "out.png";
    for (const std::vector<std::string> &tail :
         {std::vector<std::string>{"--quality", "0"}, {"--quality=abc"}, {"--quality"}}) {
        std::vector<std::string> args = {photo, out};
        args.insert(args.end(), tail.begin(), tail.end());
        std::string err;
        EXPECT_EQ(Run(args, &err), 2) << tail[0];
        EXPECT_NE(err.find("quality"), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(out));
    }
}

} // namespace
