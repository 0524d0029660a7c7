// The print options' arithmetic and rules, without a window.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "output/printrules.h"
#include "resources/strings/strings.h"

static const PRINTMEASURE k300 = {2400, 3300, 300.0f, 300.0f};

TEST(PrintRules, SizeAndPlaceOnThePageInDevicePixels)
{
    PRINTSIZE start;
    PrintSizeStart(&k300, 1600, 1200, &start); // 135.47 × 101.6 mm; the page 203 × 279
    EXPECT_EQ((std::array{start.iSizeMode, start.bStretch, start.iWidthMM, start.iHeightMM,
                          start.iMaxWidthMM, start.iMaxHeightMM, start.iHAlign, start.iVAlign}),
              (std::array<int32_t, 8>{PRINT_PAPER, 1, 135, 101, 203, 279, ALIGN_LEFT, ALIGN_UP}));
    // Pages where double precision would give another pixel than single precision does.
    const PRINTMEASURE k2300x3200 = {2300, 3200, 300.0f, 300.0f};
    const PRINTMEASURE k2300x3201 = {2300, 3201, 300.0f, 300.0f};
    const struct {
        int32_t mode, stretch, ha, va, photoW, photoH;
        std::array<int32_t, 4> xywh;
        const PRINTMEASURE *m = &k300;
    } cases[] = {
        // Proportions kept: r is 0.54545456 in single precision, 3300 × r gives 1800.
        {PRINT_PAPER, 0, ALIGN_LEFT, ALIGN_UP, 1600, 1200, {0, 0, 2400, 1800}},
        {PRINT_PAPER, 0, ALIGN_RIGHT, ALIGN_DOWN, 1600, 1200, {0, 1500, 2400, 1800}},
        {PRINT_PAPER, 0, ALIGN_CENTER, ALIGN_CENTER, 1600, 1200, {0, 750, 2400, 1800}},
        {PRINT_PAPER, 0, ALIGN_CENTER, ALIGN_DOWN, 1200, 2000, {210, 0, 1980, 3300}},
        {PRINT_PAPER, 0, ALIGN_RIGHT, ALIGN_UP, 1200, 2000, {420, 0, 1980, 3300}},
        {PRINT_PAPER, 1, ALIGN_RIGHT, ALIGN_DOWN, 1600, 1200, {0, 0, 2400, 3300}},
        {PRINT_PAPER, 0, ALIGN_LEFT, ALIGN_UP, 1200, 2000, {0, 0, 1920, 3200}, &k2300x3200},
        {PRINT_PAPER, 0, ALIGN_LEFT, ALIGN_UP, 1600, 1200, {0, 0, 2298, 1724}, &k2300x3201},
        {PRINT_PAPER, 0, ALIGN_LEFT, ALIGN_UP, 0, 0, {0, 0, 0, 0}}, // no photo
        // 100 × 50 mm at 300 dpi; the halvings truncate before the difference.
        {PRINT_CUSTOM, 1, ALIGN_LEFT, ALIGN_UP, 1600, 1200, {0, 0, 1181, 590}},
        {PRINT_CUSTOM, 1, ALIGN_RIGHT, ALIGN_DOWN, 1600, 1200, {1219, 2710, 1181, 590}},
        {PRINT_CUSTOM, 0, ALIGN_CENTER, ALIGN_CENTER, 1600, 1200, {610, 1355, 1181, 590}},
    };
    for (const auto &c : cases) {
        PRINTSIZE ps = start;
        ps.iSizeMode = c.mode, ps.bStretch = c.stretch, ps.iHAlign = c.ha, ps.iVAlign = c.va;
        ps.iWidthMM = 100, ps.iHeightMM = 50;
        std::array<int32_t, 4> r;
        PrintedSize(&ps, c.m, c.photoW, c.photoH, &r[2], &r[3]);
        PrintedPosition(&ps, c.m, r[2], r[3], &r[0], &r[1]);
        EXPECT_EQ(r, c.xywh) << c.mode << c.stretch << c.ha << c.va << " " << c.photoW;
    }
}

TEST(PrintRules, TheEditBeingWrittenSetsItsPartnerInProportion)
{
    // text, focus, photo side it is from; the partner or -1 when it is left alone
    const std::tuple<const char *, bool, int32_t, int64_t> cases[] = {
        {"130", true, 1600, 98},  {"4294967295", true, 1, 5153960754000}, // 97.5 up; 64 bits
        {"130", false, 1600, -1}, {"130", true, 0, -1},
        {"", true, 1600, -1},     {"-5", true, 1600, -1}};
    for (const auto &[text, focus, from, expected] : cases) {
        int64_t partner = -1;
        ProportionalPartner(text, focus, true, from, 1200, &partner);
        EXPECT_EQ(partner, expected) << text;
    }
}
