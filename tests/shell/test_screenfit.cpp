// The main window's size limits on screens of every size and scale.
#include <gtest/gtest.h>
#include <tuple>

#include "shell/shellcore.h"

namespace
{

TEST(WindowLimits, TheMinimumShrinksToTheAvailableAreaOnlyWhereItMustAndTheMaximumStays)
{
    const struct {
        int32_t availW, availH, frameW, frameH;
        std::tuple<int32_t, int32_t> min;
    } cases[] = {
        {1920, 1040, 10, 30, {800, 600}}, // a large screen: the usual limits
        {810, 630, 10, 30, {800, 600}},   // exactly room for them, frame included
        {853, 533, 0, 0, {800, 533}},     // 1280 × 800 at 150 %: only the height is short
        {640, 512, 4, 24, {636, 488}},    // 1280 × 1024 at 200 %
        {683, 384, 0, 0, {683, 384}},     // 1366 × 768 at 200 %
        {200, 100, 0, 0, {320, 240}},     // too little for anything: the least window
        {0, 0, 0, 0, {800, 600}},         // no screen known
    };
    for (const auto &c : cases) {
        const WINDOWLIMITS l = WindowLimitsFor(c.availW, c.availH, c.frameW, c.frameH);
        EXPECT_EQ(std::tuple(l.minW, l.minH), c.min) << c.availW << "x" << c.availH;
        EXPECT_EQ(std::tuple(l.maxW, l.maxH), std::tuple(1280, 1024));
    }
}

} // namespace
