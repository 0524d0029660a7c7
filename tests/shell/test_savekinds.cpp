// What the save dialog offers and writes: its filters, the extension each stands for, and
// a name typed without a known extension taking the chosen filter's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/strings/strings.h"
#include "shell/documentlogic.h"

namespace
{

TEST(SaveDialog, OffersTheLayoutThenEachPictureKindAndAddsTheChosenOnesExtension)
{
    gLanguageOffset = LANGUAGE_ENGLISH;
    std::vector<FILEFILTER> filters;
    ASSERT_TRUE(FileDialogFilters(FILEDLG_SAVEAS, &filters));
    std::vector<std::string> exts;
    for (const FILEFILTER &f : filters)
        exts.push_back(SaveFilterExtension(f.patterns));
    EXPECT_EQ(exts, (std::vector<std::string>{".mwi", ".jpg", ".png", ".webp"}));
    EXPECT_EQ(filters[3].description, "WebP picture (*.webp)");

    const struct {
        const char *typed, *ext, *saved;
    } cases[] = {
        {"/p/card", ".png", "/p/card.png"},
        {"/p/card.2019", ".webp", "/p/card.2019.webp"},
        {"/p/card.jpg", ".png", "/p/card.jpg"}, // a kind the user named stays
        {"/p/card.WEBP", ".mwi", "/p/card.WEBP"},
    };
    for (const auto &c : cases) {
        std::string path = c.typed;
        AddSaveExtension(&path, c.ext);
        EXPECT_EQ(path, c.saved);
    }
}

} // namespace
