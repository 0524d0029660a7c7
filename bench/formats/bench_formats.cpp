// Photo import, export and rotation beside the reference tools, in one run:
// JpegLoad against djpeg and libjpeg's own decode loop, JpegSave against cjpeg and
// libjpeg's own encode loop, the photo's quarter turn against `vips rot`, and the
// rotation and rebuild of a clip-art piece. All times are wall-clock.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <jpeglib.h>

#include "formats/formats.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

namespace fs = std::filesystem;

namespace
{

constexpr int kW = 4000, kH = 3000; // 12 megapixels

// The photo in every form the benchmarks need, made once in a private folder.
struct Photo {
    fs::path dir, ppm, jpg, vips, png, webp;
    std::vector<uint8_t> bgr; // W8 stride, blue-green-red
    Photo()
    {
        dir = fs::temp_directory_path() / ("mw-bench-formats-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        ppm = dir / "photo.ppm";
        jpg = dir / "photo.jpg";
        vips = dir / "photo.v";
        png = dir / "photo.png";
        webp = dir / "photo.webp";
        // Smooth gradients with fine texture, like a photo rather than a test card; or the
        // 4000 x 3000 PPM that MW_BENCH_PPM names (the comparison script's, for tjbench).
        std::vector<uint8_t> rgb(static_cast<size_t>(kW) * kH * 3);
        const size_t bytes = rgb.size();
        uint32_t noise = 12345;
        const char *given = std::getenv("MW_BENCH_PPM");
        if (given) {
            std::ifstream in(given, std::ios::binary);
            std::string magic;
            int w = 0, h = 0, max = 0;
            in >> magic >> w >> h >> max;
            in.get();
            if (magic != "P6" || w != kW || h != kH || max != 255 ||
                !in.read(reinterpret_cast<char *>(rgb.data()), static_cast<std::streamsize>(bytes)))
                std::fprintf(stderr, "MW_BENCH_PPM: not a %d x %d PPM: %s\n", kW, kH, given);
        }
        bgr.assign(static_cast<size_t>(W8(kW)) * 3 * kH, 0);
        for (int y = 0; y < kH; y++)
            for (int x = 0; x < kW; x++) {
                noise = noise * 1103515245u + 12345u;
                const int n = static_cast<int>((noise >> 16) & 15) - 8;
                uint8_t *p = &rgb[(static_cast<size_t>(y) * kW + x) * 3];
                if (!given) {
                    p[0] = static_cast<uint8_t>(std::clamp(x * 255 / kW + n, 0, 255));
                    p[1] = static_cast<uint8_t>(std::clamp(y * 255 / kH + n, 0, 255));
                    p[2] = static_cast<uint8_t>(std::clamp(((x ^ y) >> 4 & 127) + 64 + n, 0, 255));
                }
                uint8_t *q = &bgr[static_cast<size_t>(y) * W8(kW) * 3 + x * 3];
                q[0] = p[2], q[1] = p[1], q[2] = p[0];
            }
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << kW << " " << kH << "\n255\n";
        out.write(reinterpret_cast<const char *>(rgb.data()), rgb.size());
        out.close();
        Sh("cjpeg -quality 90 -outfile '" + jpg.string() + "' '" + ppm.string() + "'");
        Sh("vips copy '" + ppm.string() + "' '" + vips.string() + "'");
        Sh("pnmtopng '" + ppm.string() + "' > '" + png.string() + "'");
        Sh("cwebp -quiet -q 90 -o '" + webp.string() + "' '" + ppm.string() + "'");
    }
    ~Photo() { fs::remove_all(dir); }
    static void Sh(const std::string &cmd)
    {
        if (std::system(cmd.c_str()) != 0)
            std::fprintf(stderr, "failed: %s\n", cmd.c_str());
    }
    // Runs a command per iteration and reports the tool's own CPU time (user + system)
    // per run, which a busy machine does not inflate the way wall-clock time is.
    static void ShBench(benchmark::State &state, const std::string &cmd)
    {
        const double before = ChildCpuMs();
        for (auto _ : state)
            Sh(cmd);
        state.counters["tool_cpu_ms"] =
            benchmark::Counter((ChildCpuMs() - before) / static_cast<double>(state.iterations()));
    }
    static double ChildCpuMs()
    {
        rusage ru;
        getrusage(RUSAGE_CHILDREN, &ru);
        return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
               (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    }
};

Photo &ThePhoto()
{
    static Photo photo;
    return photo;
}

void Setup()
{
    FakePlatformReset();
    TrailClear();
    gPictureRect = {190, 75, 600, 450};
}

void BM_JpegLoad(benchmark::State &state)
{
    Setup();
    Photo &p = ThePhoto();
    for (auto _ : state) {
        IMGOBJ *obj = IMGOBJ_LoadPhoto(p.jpg.c_str());
        if (!obj)
            state.SkipWithError(gErrorTrail);
        else
            AO_DelObj(&obj->ao);
    }
}
BENCHMARK(BM_JpegLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DjpegProcess(benchmark::State &state)
{
    Photo &p = ThePhoto();
    const std::string cmd = "djpeg -ppm -outfile /dev/null '" + p.jpg.string() + "'";
    Photo::ShBench(state, cmd);
}
BENCHMARK(BM_DjpegProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// PNG and WebP photos against their libraries' own command-line decoders.
void LoadPhotoBench(benchmark::State &state, const fs::path &file)
{
    Setup();
    for (auto _ : state) {
        IMGOBJ *obj = IMGOBJ_LoadPhoto(file.c_str());
        if (!obj)
            state.SkipWithError(gErrorTrail);
        else
            AO_DelObj(&obj->ao);
    }
}
void BM_PngLoad(benchmark::State &state)
{
    LoadPhotoBench(state, ThePhoto().png);
}
BENCHMARK(BM_PngLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_PngtopnmProcess(benchmark::State &state)
{
    Photo::ShBench(state, "pngtopnm '" + ThePhoto().png.string() + "' > /dev/null");
}
BENCHMARK(BM_PngtopnmProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_WebpLoad(benchmark::State &state)
{
    LoadPhotoBench(state, ThePhoto().webp);
}
BENCHMARK(BM_WebpLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_DwebpProcess(benchmark::State &state)
{
    Photo::ShBench(state, "dwebp -quiet -ppm -o /dev/null '" + ThePhoto().webp.string() + "'");
}
BENCHMARK(BM_DwebpProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// JpegLoad into a photo surface that stays (as tjbench decodes into one buffer): the
// decoder's own speed without the first touch of fresh memory.
void BM_JpegDecodeInto(benchmark::State &state)
{
    Setup();
    Photo &p = ThePhoto();
    LPDDS surface = DXCreateSurface(nullptr, kW, kH, DDSCAPS_SYSTEMOFFSCREEN);
    auto target = [](void *context, const PHOTOINFO *) { return static_cast<LPDDS>(context); };
    for (auto _ : state) {
        PHOTOINFO info = {};
        if (!JpegLoad(p.jpg.c_str(), target, surface, &info))
            state.SkipWithError(gErrorTrail);
    }
    DXReleaseSurface(surface);
}
BENCHMARK(BM_JpegDecodeInto)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window's first decode of the same photo: at the size of a 1280 x 1024 drawing area
// (a quarter here), the file kept open for the full decode behind it.
void BM_JpegLoadScaled(benchmark::State &state)
{
    Setup();
    Photo &p = ThePhoto();
    LPDDS surface = DXCreateSurface(nullptr, kW, kH, DDSCAPS_SYSTEMOFFSCREEN);
    auto target = [](void *context, const PHOTOINFO *) { return static_cast<LPDDS>(context); };
    for (auto _ : state) {
        PHOTOINFO info = {};
        int fd = -1;
        if (!JpegLoadScaled(p.jpg.c_str(), 1280, 1024, target, surface, &info, &fd))
            state.SkipWithError(gErrorTrail);
        if (fd >= 0)
            ::close(fd);
    }
    DXReleaseSurface(surface);
}
BENCHMARK(BM_JpegLoadScaled)->Unit(benchmark::kMillisecond)->UseRealTime();

// The encoder alone (JpegWriteRows into /dev/null), as tjbench encodes into memory.
void BM_JpegEncodeRows(benchmark::State &state)
{
    Photo &p = ThePhoto();
    FILE *sink = std::fopen("/dev/null", "wb");
    char error[300];
    for (auto _ : state)
        if (!JpegWriteRows(sink, p.bgr.data(), static_cast<size_t>(W8(kW)) * 3, kW, kH, 90, nullptr,
                           error, sizeof error))
            state.SkipWithError(error);
    std::fclose(sink);
}
BENCHMARK(BM_JpegEncodeRows)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg's decode loop alone: the floor any loader built on it can reach.
void BM_LibjpegDecodeLoop(benchmark::State &state)
{
    Photo &p = ThePhoto();
    std::vector<uint8_t> out(static_cast<size_t>(kW) * kH * 3);
    for (auto _ : state) {
        jpeg_decompress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_decompress(&c);
        FILE *fp = std::fopen(p.jpg.c_str(), "rb");
        jpeg_stdio_src(&c, fp);
        jpeg_read_header(&c, TRUE);
        c.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&c);
        while (c.output_scanline < c.output_height) {
            JSAMPROW row = &out[static_cast<size_t>(c.output_scanline) * kW * 3];
            jpeg_read_scanlines(&c, &row, 1);
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
        std::fclose(fp);
    }
}
BENCHMARK(BM_LibjpegDecodeLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegSave(benchmark::State &state)
{
    Setup();
    Photo &p = ThePhoto();
    const fs::path out = p.dir / "saved.jpg";
    for (auto _ : state)
        if (!JpegSave(p.bgr.data(), out.c_str(), kW, kH, 3, 90))
            state.SkipWithError(gErrorTrail);
}
BENCHMARK(BM_JpegSave)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CjpegProcess(benchmark::State &state)
{
    Photo &p = ThePhoto();
    const std::string cmd = "cjpeg -quality 90 -outfile '" + (p.dir / "cjpeg.jpg").string() +
                            "' '" + p.ppm.string() + "'";
    Photo::ShBench(state, cmd);
}
BENCHMARK(BM_CjpegProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg's encode loop alone, to a file, with the same parameters.
void BM_LibjpegEncodeLoop(benchmark::State &state)
{
    Photo &p = ThePhoto();
    const fs::path out = p.dir / "loop.jpg";
    for (auto _ : state) {
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        FILE *fp = std::fopen(out.c_str(), "wb");
        jpeg_stdio_dest(&c, fp);
        c.image_width = kW;
        c.image_height = kH;
        c.input_components = 3;
        c.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 90, TRUE);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            JSAMPROW row = &p.bgr[static_cast<size_t>(c.next_scanline) * W8(kW) * 3];
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        std::fclose(fp);
    }
}
BENCHMARK(BM_LibjpegEncodeLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

LPDDS PhotoSurface()
{
    Photo &p = ThePhoto();
    LPDDS s = DXCreateSurface(nullptr, kW, kH, DDSCAPS_SYSTEMOFFSCREEN);
    for (int y = 0; y < kH; y++)
        std::memcpy(DXPixel(s, 0, y), &p.bgr[static_cast<size_t>(y) * W8(kW) * 3], kW * 3);
    return s;
}

void BM_DXRotatePhoto90(benchmark::State &state)
{
    Setup();
    LPDDS src = PhotoSurface();
    for (auto _ : state) {
        LPDDS r = DXRotatePhoto(src, 0, 0, kW, kH, 90);
        benchmark::DoNotOptimize(r);
        DXReleaseSurface(r);
    }
    DXReleaseSurface(src);
}
BENCHMARK(BM_DXRotatePhoto90)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VipsRotProcess(benchmark::State &state)
{
    Photo &p = ThePhoto();
    const std::string cmd =
        "vips rot '" + p.vips.string() + "' '" + (p.dir / "turned.v").string() + "' d90";
    Photo::ShBench(state, cmd);
}
BENCHMARK(BM_VipsRotProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DXRotateSurface600At30(benchmark::State &state)
{
    Setup();
    LPDDS src = DXCreateSurface(nullptr, 600, 600, DDSCAPS_SYSTEMOFFSCREEN);
    DXFillRect(src, 100, 100, 400, 400, 0x3366CC);
    for (auto _ : state) {
        LPDDS r = DXRotateSurface(src, 0, 0, 600, 600, 30);
        benchmark::DoNotOptimize(r);
        DXReleaseSurface(r);
    }
    DXReleaseSurface(src);
}
BENCHMARK(BM_DXRotateSurface600At30)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One rebuild of an unselected piece turned by 30 degrees: scaled at high resolution
// into the picture buffer, turned there, scaled down to the screen.
void BM_UpdateImgObjRotated(benchmark::State &state)
{
    DXStartHeadless(DXNEED_PICTURE);
    Setup();
    IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    obj->ao.iType = AO_TYPE_IMGOBJ;
    obj->iKind = IMG_OBJ;
    obj->iSrcWidth = 600;
    obj->iSrcHeight = 500;
    CreateImgObjSurface(obj, HI_RES_OBJ);
    CreateImgObjSurface(obj, LO_RES_OBJ);
    DXFillRect(obj->iiRes[HI_RES_OBJ].DDSSurface, 50, 50, 500, 400, 0xCC3366);
    obj->fWidth = 210.0f;
    obj->fHeight = 175.0f;
    obj->iAngle = 30;
    gSelected = nullptr;
    for (auto _ : state)
        if (!UpdateImgObj(obj))
            state.SkipWithError(gErrorTrail);
    AO_DelObj(&obj->ao);
}
BENCHMARK(BM_UpdateImgObjRotated)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
