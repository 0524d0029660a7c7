// The artwork of scaled screens: the 2x sheet, background and logo are the 1x ones' size
// doubled, as the window needs them to use them at all.
#include <gtest/gtest.h>

#include "support/data_files.h"

TEST(Artwork2x, IsTheSizeOfThe1xArtworkDoubled)
{
    for (const char *name : {"resources/SPRITE.bmp", "merrowick7.clp", "logo7.clp"}) {
        const DecodedBitmap one(ReadData(name));
        const std::string base = std::string(name).substr(std::string(name).rfind('/') + 1);
        const DecodedBitmap two(ReadData("2x/" + base));
        ASSERT_TRUE(one.ok && two.ok) << name << ": " << one.why << " / " << two.why;
        EXPECT_EQ(std::pair(two.w(), two.h()), std::pair(2 * one.w(), 2 * one.h())) << name;
    }
}
