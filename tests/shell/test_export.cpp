// The headless export command: photos and layouts in, JPEG, PNG and WebP out, and refusals
// and file failures that leave the output file as it was.
#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

#include "document/layout.h"
#include "formats/formats.h"
#include "platform/file.h"
#include "shell/exportcmd.h"
#include "support/bmp_builder.h"
#include "tests/formats/photo_target.h"
#include "tests/support/engine_reset.h"
#include "tests/support/file_faults.h"
#include "tests/support/layout_bytes.h"

namespace
{

// The test photos: 8 × 8 cells, red where (cell x + cell y) is even, else blue.
bool RedAt(int x, int y)
{
    return (x / 8 + y / 8) % 2 == 0;
}

constexpr uint32_t kBlue = 0x0000FF;

class ExportCommand : public EngineTest
{
  protected:
    // Runs "merrowick --export" with the arguments; returns the exit status, stderr in *err
    // (or added to the error trail when it fails).
    int Run(std::vector<std::string> args, std::string *err = nullptr)
    {
        args.insert(args.begin(), {"merrowick", "--export"});
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        int handled = -1;
        ::testing::internal::CaptureStderr();
        const int status = RunExportCommand(static_cast<int>(argv.size()), argv.data(), &handled);
        const std::string said = ::testing::internal::GetCapturedStderr();
        if (err)
            *err = said;
        else if (status != 0)
            TrailAppend(said.c_str());
        return status;
    }
    // The cell photo as a JPEG.
    std::string WritePhoto(int w, int h)
    {
        const size_t stride = W8(w) * 3;
        std::vector<uint8_t> px(stride * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                px[y * stride + x * 3 + (RedAt(x, y) ? 2 : 0)] = 255;
        const std::string path = (dir / "photo.jpg").string();
        EXPECT_TRUE(JpegSave(px.data(), path.c_str(), w, h, 3, 95));
        return path;
    }
    // A 48 × 32 photo with fine detail, so that the quality shows in the file's size.
    std::string DetailPhoto()
    {
        std::vector<uint8_t> px(48 * 32 * 3);
        for (size_t i = 0; i < px.size(); i++)
            px[i] = static_cast<uint8_t>((i * 7919) % 251);
        const std::string path = (dir / "detail.jpg").string();
        EXPECT_TRUE(JpegSave(px.data(), path.c_str(), 48, 32, 3, 100));
        return path;
    }
    // Pixels of a rectangle of the output that are far from the photo's blue.
    static int NotBlue(LPDDS s, int x0, int y0, int w, int h)
    {
        int n = 0;
        for (int y = y0; y < y0 + h; y++)
            for (int x = x0; x < x0 + w; x++) {
                const uint32_t p = DXGetPixel(s, x, y);
                n += !((p & 0xFF) > 160 && (p >> 16) < 90);
            }
        return n;
    }
};

// A size is width by height within the surface limits; a quality a whole number from 1 to 100.
TEST(ExportArguments, SizeAndQualityAcceptOnlyWhatTheyMayBe)
{
    int32_t w = 0, h = 0, q = 0;
    EXPECT_TRUE(ParseExportSize("65496x9770", &w, &h));
    EXPECT_EQ(std::pair(w, h), std::pair(65496, 9770));
    // Rows are padded to 8 pixels: the padded buffer must fit too.
    for (const char *bad :
         {"", "640x", "x480", "0x480", "-5x5", "640x480x", "6400000000x1", "65497x2", "65500x9770"})
        EXPECT_FALSE(ParseExportSize(bad, &w, &h)) << bad;
    for (const auto &[text, want] : {std::pair{"1", 1}, {"100", 100}, {"075", 75}}) {
        EXPECT_TRUE(ParseExportQuality(text, &q)) << text;
        EXPECT_EQ(q, want);
    }
    for (const char *bad : {"", "0", "101", "-5", "9x", "50.5", "99999999999"})
        EXPECT_FALSE(ParseExportQuality(bad, &q)) << bad;
}

TEST_F(ExportCommand, PhotosExportAtTheirOwnOrTheRequestedSize)
{
    // (photo width, height, export width, height); 61 is not a multiple of 8.
    for (const auto [w, h, outW, outH] :
         {std::array{61, 45, 61, 45}, {40, 24, 60, 48}, {1, 700, 1, 700}}) {
        const std::string out = (dir / "out.jpg").string();
        std::vector<std::string> args = {WritePhoto(w, h), out};
        if (outW != w) // another size, stretched more one way than the other
            args.insert(args.end(), {"--size", std::to_string(outW) + "x" + std::to_string(outH)});
        std::string err;
        ASSERT_EQ(Run(args, &err), 0) << w << "x" << h << ": " << err;
        PhotoTarget t;
        ASSERT_TRUE(t.Load(JpegLoad, out));
        ASSERT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(outW, outH));
        int wrong = 0; // the centre of every cell has the cell's colour
        for (int y = 4; y < h; y += 8)
            for (int x = 4; x < w; x += 8) {
                const uint32_t p = DXGetPixel(t.surface, x * outW / w, y * outH / h);
                const int r = p >> 16, b = p & 255;
                wrong += RedAt(x, y) ? !(r > 160 && b < 90) : !(b > 160 && r < 90);
            }
        EXPECT_EQ(wrong, 0) << w << "x" << h;
    }
}

// A photo whose file ends early exports what is there, and standard error says the file
// is incomplete.
TEST_F(ExportCommand, ACutPhotoExportsWithAWarning)
{
    const std::vector<uint8_t> whole = ReadBytes(WritePhoto(64, 64));
    const std::string cut = (dir / "cut.jpg").string(), out = (dir / "out.jpg").string();
    WriteFile(cut, {whole.begin(), whole.begin() + whole.size() / 2});
    std::string err;
    EXPECT_EQ(Run({cut, out, "--size", "32x32"}, &err), 0) << err;
    EXPECT_NE(err.find("merrowick: warning: The file '" + cut + "' ends before the whole photo"),
              std::string::npos)
        << err;
    EXPECT_TRUE(fs::exists(out));
}

TEST_F(ExportCommand, RefusalsExitWithTheirStatusAndReasonAndLeaveTheOutputAsItWas)
{
    const std::string jpeg = WritePhoto(16, 16), out = (dir / "out.jpg").string();
    const std::string layout = (dir / "card.mwi").string();
    WriteFile(layout, LayoutBytes(80, 60, {PieceAt(IMG_OBJ, "gone.clp", 400, 180, 150, 150)}));
    tmp.WriteText("out.jpg", "earlier export");
    const struct {
        std::vector<std::string> args;
        int status;
        const char *says;
    } cases[] = {
        {{(dir / "missing.jpg").string(), out}, 1, "JpegLoad() failed!"},
        {{jpeg, (dir / "no" / "such" / "out.jpg").string()}, 1, "JpegSave() failed!"},
        {{jpeg, out, "--size", "70000x10"}, 2, "invalid size"},
        {{layout, out}, 1, "IMGOBJ_AddObj() failed!"}, // a piece whose file has gone
        {{jpeg, out, "--quality", "0"}, 2, "quality"},
        {{jpeg, out, "--quality=abc"}, 2, "quality"},
        {{jpeg, out, "--quality"}, 2, "quality"},
    };
    for (const auto &c : cases) {
        std::string err;
        EXPECT_EQ(Run(c.args, &err), c.status) << c.args[0];
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_EQ(ReadText(out), "earlier export") << c.args[0];
    }
}

// Clip art in the right half, a text bubble in the left half, none in the top band.
TEST_F(ExportCommand, ThePhotoAndEveryPieceAreComposedAtTheRequestedSize)
{
    const std::string in = (dir / "card.mwi").string(), out = (dir / "card.jpg").string();
    WriteFile(in, LayoutBytes(80, 60,
                              {PieceAt(IMG_OBJ, "admiral.clp", 400, 180, 150, 150),
                               PieceAt(IMG_TEXT, "text4.clp", 200, 200, 180, 150, "HELLO")}));
    std::string err;
    ASSERT_EQ(Run({in, out, "--size", "800x600"}, &err), 0) << err;
    PhotoTarget t;
    ASSERT_TRUE(t.Load(JpegLoad, out));
    ASSERT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(800, 600));
    EXPECT_EQ(NotBlue(t.surface, 0, 0, 800, 150), 0) << "nothing above the pieces";
    EXPECT_GT(NotBlue(t.surface, 440, 220, 280, 280), 1000) << "the clip art";
    EXPECT_GT(NotBlue(t.surface, 30, 260, 340, 280), 1000) << "the bubble";
    // Without a size the photo's own is used.
    ASSERT_EQ(Run({in, out}, &err), 0) << err;
    ASSERT_TRUE(t.Load(JpegLoad, out));
    EXPECT_EQ(std::pair(t.info.iWidth, t.info.iHeight), std::pair(80, 60));
}

// With every file call failing in turn and the disk filling up part way, an export exits
// with an error and its reasons and the earlier output stays; nothing of the engine stays
// behind an export, whether it failed or not.
TEST_F(ExportCommand, AnExportThatFailsAnywhereLeavesTheEarlierOutput)
{
    TempConfig config;
    const std::string layout = (dir / "card.mwi").string(), photo = WritePhoto(40, 30);
    const std::string out = (dir / "out.jpg").string();
    WriteFile(layout, LayoutBytes(40, 30,
                                  {PieceAt(IMG_OBJ, "admiral.clp", 400, 180, 150, 150),
                                   PieceAt(IMG_TEXT, "text4.clp", 200, 200, 180, 150, "HI")}));
    auto engine = [] { return std::to_string(gAOList != nullptr) + (gDDSPicture ? "+" : "-"); };
    // The inputs, the settings and the clip art may fail to be read and the export still
    // succeed alike (a setting falls back to its default); what is written may not fail.
    const unsigned writes =
        FaultBit(FILEOP_WRITE) | FaultBit(FILEOP_SYNC) | FaultBit(FILEOP_RENAME);
    for (const std::string &in : {layout, photo}) {
        auto run = [&] { return Run({in, out, "--size", "64x48"}) == 0; };
        CheckSaveUnderFaults({in, out, "an earlier export", nullptr, run, engine, writes});
    }
}

// Each output kind starts with its own signature; a lower quality makes a smaller lossy
// file and leaves a PNG as it is.
TEST_F(ExportCommand, TheOutputsNameChoosesItsKindAndTheQualityItsSize)
{
    const std::string photo = DetailPhoto();
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
            const std::string out = (dir / c.name).string();
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

// The temporaries (".mw*.tmp") in a folder.
int Temporaries(const fs::path &folder)
{
    int n = 0;
    for (const auto &e : fs::directory_iterator(folder))
        n += e.path().filename().string().rfind(".mw", 0) == 0;
    return n;
}

// An export in a child process, ended by a signal: as soon as its output's temporary
// file appears (the picture being written), or early (the photo being read). Either way
// nothing is left beside the output, and the signal ends the process.
TEST_F(ExportCommand, ASignalMidExportLeavesNoTemporaryFile)
{
    const std::string jpeg = WritePhoto(2400, 2400);
    const std::string bmp = (dir / "photo.bmp").string();
    WriteFile(bmp,
              PictureBmp(2400, 2400, [](int x, int y) { return RedAt(x, y) ? 0xFF0000u : kBlue; }));
    const fs::path out = dir / "out";
    fs::create_directories(out);
    const struct {
        const char *input;
        int sig;
        bool early;
    } runs[] = {{"jpeg", SIGTERM, false},
                {"bmp", SIGINT, false},
                {"bmp", SIGHUP, false},
                {"jpeg", SIGHUP, true},
                {"bmp", SIGTERM, true}};
    for (const auto &r : runs) {
        SCOPED_TRACE(std::string(r.input) + " " + strsignal(r.sig) + (r.early ? ", early" : ""));
        const std::string input = std::string(r.input) == "jpeg" ? jpeg : bmp;
        const std::string output = (out / "picture.jpg").string();
        const pid_t child = ::fork();
        if (child == 0)
            PLAT_InstallSignalCleanup(0), ::_exit(Run({input, output}));
        bool seen = false;
        for (int i = 0; i < 40000 && !seen && !r.early; i++) {
            seen = Temporaries(out) > 0;
            if (!seen)
                ::usleep(100);
        }
        if (r.early)
            ::usleep(2000);
        ::kill(child, r.sig);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(r.early || seen) << "the temporary file was never seen";
        if (WIFSIGNALED(status))
            EXPECT_EQ(WTERMSIG(status), r.sig);
        else
            ADD_FAILURE() << "the export ended by itself (" << WEXITSTATUS(status) << ")";
        EXPECT_EQ(Temporaries(out), 0);
        EXPECT_FALSE(fs::exists(output));
    }
}

} // namespace
