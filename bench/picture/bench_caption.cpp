// A caption of 100 characters drawn 1600 pixels wide, as an export of a 1600-pixel photo
// draws it: two lines with an outline and a shadow, an emoji among the letters; and the
// same caption turned. The target is under 20 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "picture/caption.h"

static CAPTION Hundred()
{
    CAPTION c;
    c.style = {0, 0xFFFFFF, 0x000000, 80, 1, 1};
    c.text = "Sommar p\xC3\xA5 landet med hela familjen \xF0\x9F\x98\x80 och\n"
             "en picknick vid sj\xC3\xB6n en varm dag i juli, 2026!";
    while (CAPTION_CountChars(c.text) < 100)
        c.text += "!";
    return c;
}

static void BM_Caption100At1600(benchmark::State &state)
{
    const CAPTION c = Hundred();
    float w = 0, h = 0;
    CAPTION_NaturalSize(c, 100, &w, &h);
    const int32_t width = 1600, height = static_cast<int32_t>(1600 * h / w);
    CAPTIONIMAGE img;
    CAPTION_Render(c, width, height, &img); // the fonts opened once, as after the first use
    for (auto _ : state) {
        CAPTION_RenderPlaced(c, width, height, static_cast<int32_t>(state.range(0)), 0, 0, &img);
        benchmark::DoNotOptimize(img.bgra.data());
    }
    state.counters["chars"] = CAPTION_CountChars(c.text);
    state.counters["height"] = height;
}
BENCHMARK(BM_Caption100At1600)->Arg(0)->Arg(15)->Unit(benchmark::kMillisecond);
