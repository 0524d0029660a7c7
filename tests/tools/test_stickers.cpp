// The generated clip-art stickers, text-style bitmaps, previews and category pictures,
// read back with the program's own bitmap decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "picture/text.h"
#include "pixels/pixels.h"
#include "support/data_files.h"
#include "support/decoded_bitmap.h"

namespace {

// Transparent pixels not reachable from the border through transparent pixels.
long EnclosedTransparentPixels(const DecodedBitmap &pic)
{
    const int w = pic.w(), h = pic.h();
    std::vector<uint8_t> reached(size_t(w) * h, 0);
    std::vector<int> stack;
    long reachedCount = 0;
    auto push = [&](int x, int y) {
        size_t i = size_t(y) * w + x;
        if (!reached[i] && pic.At(x, y) == 0xFFFFFF) {
            reached[i] = 1;
            reachedCount++;
            stack.push_back(int(i));
        }
    };
    for (int x = 0; x < w; ++x)
        push(x, 0), push(x, h - 1);
    for (int y = 0; y < h; ++y)
        push(0, y), push(w - 1, y);
    while (!stack.empty()) {
        int x = stack.back() % w, y = stack.back() / w;
        stack.pop_back();
        if (x > 0)
            push(x - 1, y);
        if (x + 1 < w)
            push(x + 1, y);
        if (y > 0)
            push(x, y - 1);
        if (y + 1 < h)
            push(x, y + 1);
    }
    return long(w) * h - pic.Ink() - reachedCount;
}

// Stickers whose drawing is meant to be seen through (a ring, a mug handle), by the
// generator's manifest.
std::set<std::string> SeeThroughStickers()
{
    std::set<std::string> names;
    std::ifstream in(SourcePath("tools/stickers/manifest.tsv"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream cols(line);
        std::string file, source, ops;
        std::getline(cols, file, '\t');
        std::getline(cols, source, '\t');
        std::getline(cols, ops, '\t');
        if (ops.find("see-through") != std::string::npos)
            names.insert(file);
    }
    return names;
}

const char *const kCatalogue[] = {
    "policehat.clp", "turban.clp", "sheriffhat.clp", "ladyhair.clp", "bandage.clp",
    "hottentott.clp", "glasses.clp", "cigar.clp", "tounge.clp", "elephantlegs.clp",
    "tie.clp", "guitar.clp", "babyhat.clp", "babyeat.clp", "baby.clp", "diver.clp",
    "bikini.clp", "sharkfin.clp", "chicken.clp", "bill.clp", "easterlily.clp", "beer.clp",
    "hawaii.clp", "trumpet.clp", "lionhead.clp", "collar.clp", "bear.clp", "heartarms.clp",
    "cupid.clp", "rose.clp", "ghost.clp", "pumpkin.clp", "monsterhand.clp", "flowers.clp",
    "star2.clp", "medal.clp", "xmastree.clp", "brownie.clp", "snowman.clp", "balloon.clp",
    "clownshoe.clp", "rosette.clp", "lamb.clp", "eggshell.clp", "tarzan.clp",
    "lochness.clp", "dollar.clp", "viking.clp", "clown.clp", "pilot.clp", "bowler.clp",
    "knight.clp", "bone.clp", "shoe.clp", "seaman.clp", "chef.clp", "cossack.clp",
    "hathair.clp", "redhair.clp", "afrohair.clp", "amish.clp", "rope.clp", "gun.clp",
    "diadem.clp", "babybottle.clp", "cocktail.clp", "partywhistle.clp", "rocket2.clp",
    "bathball.clp", "bathring.clp", "duck.clp", "soapbrush.clp", "snow.clp", "xmassock.clp",
    "xmascap.clp", "chicken2.clp", "eggbasket.clp", "birdhat.clp", "birdnest.clp",
    "sheriffbadge.clp", "mermaid.clp", "prisoner2.clp", "note1.clp", "note2.clp",
    "champagne.clp", "bat.clp", "bloodstains.clp", "plasterarm.clp", "plasterleg.clp",
    "hairflower.clp", "devil.clp", "pumpkinmask.clp", "vampire.clp", "santabeard.clp",
    "agent.clp", "admiral.clp", "alien.clp", "apron.clp", "cowboyhat.clp", "cowboyhat2.clp",
    "decoration.clp", "star.clp", "pippihair.clp", "eyepatch.clp", "floormop.clp",
    "indian.clp", "joker.clp", "jokercollar.clp", "kingcrown.clp", "mask1.clp",
    "santabeard2.clp", "officerrank.clp", "butterfly.clp", "rosette2.clp", "patch.clp",
    "piratehook.clp", "princesscrown.clp", "prisoner.clp", "propellhat.clp", "ranger.clp",
    "ricehat.clp", "robber.clp", "scar.clp", "scout.clp", "spacehelmet.clp", "sword1.clp",
    "sword2.clp", "piratehat.clp", "woodleg.clp", "samurai.clp", "roll.clp", "baldhat.clp",
    "ballhat.clp", "balloon2.clp", "clock.clp", "earcarrot.clp", "fez.clp", "fruithat.clp",
    "highhat.clp", "hungry.clp", "karate.clp", "meatbone.clp", "neckbones.clp",
    "paperhat.clp", "rocket.clp", "drum.clp", "tuba.clp", "angry.clp", "bee.clp", "cat.clp",
    "catmouth.clp", "duckbill.clp", "elephantears.clp", "elephantnose.clp", "horn.clp",
    "lionmouth.clp", "moose.clp", "mouseears.clp", "mousenose.clp", "mousetail.clp",
    "mouth.clp", "owl.clp", "pigsnout.clp", "pigtail.clp", "tail.clp", "cupidarrow.clp",
    "glory.clp", "heartfire.clp", "hearthappy.clp", "priest.clp", "wing.clp", "badhand.clp",
    "badteeth.clp", "beret.clp", "crashhelmet.clp", "doctor.clp", "dripnose.clp",
    "babyteat.clp", "teat.clp", "ear.clp", "earhair.clp", "headphones.clp", "earrings.clp",
    "genius.clp", "golddigger.clp", "handpoint.clp", "hardhat.clp", "highhat2.clp",
    "hunter.clp", "kissmark.clp", "knife.clp", "mask2.clp", "mask3.clp", "money.clp",
    "moustache.clp", "nightcap.clp", "nosebeard.clp", "noseeyes.clp", "nosering.clp",
    "nurse.clp", "oldseaman.clp", "lollipop.clp", "paintbrush.clp", "palette.clp",
    "plaster.clp", "student.clp", "tounge2.clp", "tropichat.clp", "worm.clp", "band.clp",
    "banner1.clp", "banner2.clp", "banner3.clp", "bone2.clp", "butterfly2.clp",
    "cigar2.clp", "easteregg.clp", "eye.clp", "feeder.clp", "flowers2.clp", "flowers3.clp",
    "gift2.clp", "gift3.clp", "heart.clp", "hen.clp", "lamp.clp", "lollipop2.clp",
    "mask4.clp", "moon.clp", "oak.clp", "petheart.clp", "pumpkin2.clp", "sweep.clp",
    "teat2.clp", "teddybear.clp", "wand.clp", "meatbone2.clp", "gift.clp", "lucia.clp",
    "baldhead.clp", "xmas1.clp", "xmas2.clp", "xmas3.clp", "xmas4.clp", "xmas5.clp",
    "xmas6.clp", "xmas7.clp", "xmas8.clp", "eyebrush.clp", "witchcap.clp", "clownhead.clp",
    "witchnose.clp", "witchhat.clp", "eyebrush2.clp",
};

const TEXTSTYLE *StyleOf(const std::string &file)
{
    for (const TEXTSTYLE &s : gTextStyles)
        if (file == s.szFile)
            return &s;
    return nullptr;
}

} // namespace

TEST(Stickers, EveryCatalogueEntryIsAKeyedTrueColourBitmapOfStickerSize)
{
    EXPECT_EQ(std::size(kCatalogue), 254u);
    const std::set<std::string> seeThrough = SeeThroughStickers();
    for (const char *name : kCatalogue) {
        SCOPED_TRACE(name);
        DecodedBitmap pic(ReadData(std::string("clipart/") + name));
        ASSERT_TRUE(pic.ok) << pic.why;
        EXPECT_EQ(pic.info.biBitCount, 24);
        EXPECT_EQ(pic.info.biSize, 40u);
        if (const TEXTSTYLE *style = StyleOf(name)) {
            EXPECT_EQ(pic.w(), style->iRefWidth);
            EXPECT_EQ(pic.h(), style->iRefHeight);
        } else {
            EXPECT_GE(std::max(pic.w(), pic.h()), 400);
            EXPECT_LE(std::max(pic.w(), pic.h()), 600);
        }
        EXPECT_GT(pic.Ink(), 0) << "nothing is drawn";
        EXPECT_LT(pic.Ink(), pic.w() * pic.h()) << "nothing is transparent";
        if (!seeThrough.count(name)) {
            EXPECT_EQ(EnclosedTransparentPixels(pic), 0) << "holes inside the picture";
        }
    }
}

TEST(Stickers, TextStylesHaveAnOpaqueTextAreaExceptTheTransparentOne)
{
    for (const TEXTSTYLE &s : gTextStyles) {
        SCOPED_TRACE(s.szFile);
        DecodedBitmap pic(ReadData(std::string("clipart/") + s.szFile));
        ASSERT_TRUE(pic.ok) << pic.why;
        ASSERT_EQ(pic.w(), s.iRefWidth);
        ASSERT_EQ(pic.h(), s.iRefHeight);
        // The text rectangle and a small margin around it; the transparent style shows
        // only the letters, so it is transparent throughout.
        const int *r = s.rcText, area = (r[2] + 8) * (r[3] + 8);
        if (std::string(s.szFile) == "transp.clp")
            EXPECT_EQ(pic.Ink(), 0);
        else
            EXPECT_EQ(pic.Ink(r[0] - 4, r[1] - 4, r[2] + 8, r[3] + 8), area);
    }
}

TEST(Stickers, PreviewsAndCategoryPicturesExistAtTheirSizes)
{
    struct Small {
        std::string name;
        int width, height;
    };
    std::vector<Small> wanted;
    for (const TEXTSTYLE &s : gTextStyles)
        wanted.push_back({s.pszPreview, 72, 48});
    for (const char *c : {"CAT_HATS", "CAT_HAIR", "CAT_FACE", "CAT_BODY", "CAT_BABY", "CAT_PARTY",
                          "CAT_PETS", "CAT_BEACH", "CAT_VALENTINE", "CAT_HALLOWEEN", "CAT_PARENTS",
                          "CAT_CHRISTMAS", "CAT_EASTER"})
        wanted.push_back({c, 32, 32});
    for (const Small &s : wanted) {
        SCOPED_TRACE(s.name);
        DecodedBitmap pic(ReadData("resources/" + s.name + ".bmp"));
        ASSERT_TRUE(pic.ok) << pic.why;
        EXPECT_EQ(pic.w(), s.width);
        EXPECT_EQ(pic.h(), s.height);
        EXPECT_EQ(pic.info.biBitCount, 24);
        EXPECT_GT(pic.Ink(), pic.w() * pic.h() / 8) << "hardly anything is drawn";
    }
}
