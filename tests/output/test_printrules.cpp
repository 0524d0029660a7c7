// The print options' arithmetic and rules, without a window.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "output/printrules.h"
#include "resources/strings/strings.h"

namespace
{

const PRINTMEASURE k300 = {2400, 3300, 300.0f, 300.0f};
// Pages where double precision would give another pixel than single precision does.
const PRINTMEASURE k2300x3200 = {2300, 3200, 300.0f, 300.0f};
const PRINTMEASURE k2300x3201 = {2300, 3201, 300.0f, 300.0f};

PRINTSIZE Params(int32_t mode, int32_t stretch, int32_t wmm, int32_t hmm, int32_t ha, int32_t va)
{
    PRINTSIZE ps;
    PrintSizeStart(&k300, 1600, 1200, &ps);
    ps.iSizeMode = mode, ps.bStretch = stretch, ps.iWidthMM = wmm, ps.iHeightMM = hmm;
    ps.iHAlign = ha, ps.iVAlign = va;
    return ps;
}

} // namespace

TEST(PrintRules, StartValuesAreThePhotoAndThePaperInWholeMillimetres)
{
    PRINTSIZE ps;
    PrintSizeStart(&k300, 1600, 1200, &ps);
    EXPECT_EQ(ps.iSizeMode, PRINT_PAPER);
    EXPECT_EQ(ps.bStretch, 1);
    EXPECT_EQ(ps.iWidthMM, 135); // 1600 px at 300 dpi: 135.47 mm
    EXPECT_EQ(ps.iHeightMM, 101);
    EXPECT_EQ(ps.iMaxWidthMM, 203);
    EXPECT_EQ(ps.iMaxHeightMM, 279);
    EXPECT_EQ(ps.iHAlign, ALIGN_LEFT);
    EXPECT_EQ(ps.iVAlign, ALIGN_UP);
}

TEST(PrintRules, SizeAndPlaceOnThePageInDevicePixels)
{
    const struct {
        PRINTSIZE ps;
        int32_t photoW, photoH, x, y, w, h;
        const PRINTMEASURE *m = &k300;
    } cases[] = {
        // Proportions kept: r is 0.54545456 in single precision, 3300 × r gives 1800.
        {Params(PRINT_PAPER, 0, 0, 0, ALIGN_LEFT, ALIGN_UP), 1600, 1200, 0, 0, 2400, 1800},
        {Params(PRINT_PAPER, 0, 0, 0, ALIGN_RIGHT, ALIGN_DOWN), 1600, 1200, 0, 1500, 2400, 1800},
        {Params(PRINT_PAPER, 0, 0, 0, ALIGN_CENTER, ALIGN_CENTER), 1600, 1200, 0, 750, 2400, 1800},
        // An upright photo on the same page is bounded by the height.
        {Params(PRINT_PAPER, 0, 0, 0, ALIGN_CENTER, ALIGN_DOWN), 1200, 2000, 210, 0, 1980, 3300},
        {Params(PRINT_PAPER, 0, 0, 0, ALIGN_RIGHT, ALIGN_UP), 1200, 2000, 420, 0, 1980, 3300},
        {Params(PRINT_PAPER, 1, 0, 0, ALIGN_RIGHT, ALIGN_DOWN), 1600, 1200, 0, 0, 2400, 3300},
        // 100 × 50 mm at 300 dpi; the halvings truncate before the difference.
        {Params(PRINT_CUSTOM, 1, 100, 50, ALIGN_LEFT, ALIGN_UP), 1600, 1200, 0, 0, 1181, 590},
        {Params(PRINT_CUSTOM, 1, 100, 50, ALIGN_RIGHT, ALIGN_DOWN), 1600, 1200, 1219, 2710, 1181,
         590},
        {Params(PRINT_CUSTOM, 0, 100, 50, ALIGN_CENTER, ALIGN_CENTER), 1600, 1200, 610, 1355, 1181,
         590},
        {Params(PRINT_CUSTOM, 0, 100, 50, ALIGN_LEFT, ALIGN_CENTER), 1600, 1200, 0, 1355, 1181,
         590},
        {Params(PRINT_PAPER, 0, 0, 0, ALIGN_LEFT, ALIGN_UP), 1200, 2000, 0, 0, 1920, 3200,
         &k2300x3200},
        {Params(PRINT_PAPER, 0, 0, 0, ALIGN_LEFT, ALIGN_UP), 1600, 1200, 0, 0, 2298, 1724,
         &k2300x3201},
        // No photo: nothing to fit.
        {Params(PRINT_PAPER, 0, 0, 0, ALIGN_LEFT, ALIGN_UP), 0, 0, 0, 0, 0, 0},
    };
    for (const auto &c : cases) {
        int32_t x = -1, y = -1, w = -1, h = -1;
        PrintedSize(&c.ps, c.m, c.photoW, c.photoH, &w, &h);
        PrintedPosition(&c.ps, c.m, w, h, &x, &y);
        EXPECT_EQ((std::array{x, y, w, h}), (std::array{c.x, c.y, c.w, c.h}))
            << "mode " << c.ps.iSizeMode << " stretch " << c.ps.bStretch << " align "
            << c.ps.iHAlign << "," << c.ps.iVAlign << " photo " << c.photoW << "x" << c.photoH;
    }
}

TEST(PrintRules, StretchDisablesTheAlignmentOnlyOnPaper)
{
    const struct {
        int32_t mode;
        bool stretch, stretchOn, customOn, alignOn;
    } cases[] = {{PRINT_PAPER, false, true, false, true},
                 {PRINT_PAPER, true, true, false, false},
                 {PRINT_CUSTOM, true, false, true, true},
                 {PRINT_CUSTOM, false, false, true, true}};
    for (const auto &c : cases) {
        const PRINTENABLE on = PrintSizeEnabling(c.mode, c.stretch);
        EXPECT_EQ((std::array{on.bStretch, on.bCustom, on.bAlignment}),
                  (std::array{c.stretchOn, c.customOn, c.alignOn}))
            << c.mode << " " << c.stretch;
    }
}

TEST(PrintRules, TheEditBeingWrittenSetsItsPartnerInProportion)
{
    const struct {
        const char *text;
        bool focus, keep;
        int32_t from, to;
        int ok;
        int64_t partner;
    } cases[] = {
        {"135", true, true, 1600, 1200, 1, 101}, // 101.25 rounds down
        {"130", true, true, 1600, 1200, 1, 98},  // 97.5 rounds up
        {"4294967295", true, true, 1, 32768, 1, 140737488322560},
        {"135", false, true, 1600, 1200, 0, 0}, // set by the program: no echo
        {"135", true, false, 1600, 1200, 0, 0},
        {"135", true, true, 0, 1200, 0, 0},
        {"", true, true, 1600, 1200, 0, 0},
        {"12a", true, true, 1600, 1200, 0, 0},
        {"-5", true, true, 1600, 1200, 0, 0},
        {"4294967296", true, true, 1600, 1200, 0, 0},
    };
    for (const auto &c : cases) {
        int64_t partner = 0;
        EXPECT_EQ(ProportionalPartner(c.text, c.focus, c.keep, c.from, c.to, &partner), c.ok)
            << c.text;
        EXPECT_EQ(partner, c.partner) << c.text;
    }
}

TEST(PrintRules, CustomSidesBetweenTenAndThePaper)
{
    const struct {
        const char *text;
        int width;
        int ok;
        int32_t value;
        std::string message;
    } cases[] = {
        {"10", 1, 1, 10, ""},
        {"203", 1, 1, 203, ""},
        {"9", 1, 0, 0, "The width is not valid. Please enter a value between 10 and 203"},
        {"", 1, 0, 0, "The width is not valid. Please enter a value between 10 and 203"},
        {"204", 1, 0, 0, "The width is bigger than the paper size. The maximum width is 203"},
        {"0", 0, 0, 0, "The height is not valid. Please enter a value between 10 and 203"},
        {"99999999999", 0, 0, 0,
         "The height is not valid. Please enter a value between 10 and 203"},
        {"4000", 0, 0, 0, "The height is bigger than the paper size. The maximum height is 203"},
    };
    gLanguageOffset = 0;
    for (const auto &c : cases) {
        int32_t value = 0;
        char message[300] = "";
        EXPECT_EQ(CheckCustomSide(c.text, c.width, 203, &value, message, sizeof message), c.ok)
            << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
    }
}
