// The menu and accelerator tables: well-formed, alike in both languages, and showing
// the keys that work.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "resources/menus/commands.h"
#include "resources/menus/menus.h"

namespace
{

// The key text shown after '\t' in a menu text, in the accelerator's spelling.
std::string ShownKey(const char *text)
{
    const char *tab = text ? std::strchr(text, '\t') : nullptr;
    std::string key = tab ? tab + 1 : "";
    return key.substr(0, key.find(" Arrow"));
}

std::string KeyName(const ACCELDEF *a)
{
    char buf[64];
    return ACCEL_KeyName(a, buf, sizeof buf);
}

} // namespace

TEST(Menus, BothMenusAreWellFormedTreesOfTheSameRowsWithUniqueMnemonicsAndLatin1Texts)
{
    const MENUDEF *english = RES_FindMenu("MENU_ENG"), *swedish = RES_FindMenu("MENU_SWE");
    ASSERT_TRUE(english && swedish && english->iCount == swedish->iCount);
    for (const MENUDEF *menu : {english, swedish}) {
        std::set<int> ids;
        std::vector<std::set<int>> letters(1); // mnemonics of each open level
        for (int i = 0; i < menu->iCount; i++) {
            const MENUITEMDEF &item = menu->pItems[i], &e = english->pItems[i];
            SCOPED_TRACE(std::string(menu == english ? "English" : "Swedish") + " row " +
                         std::to_string(i));
            EXPECT_EQ(std::tuple(item.iId, item.iLevel, item.bSeparator, item.bPopup),
                      std::tuple(e.iId, e.iLevel, e.bSeparator, e.bPopup));
            ASSERT_LE(item.iLevel, int(letters.size()) - 1) << "a level skipped";
            letters.resize(item.iLevel + 1);
            EXPECT_TRUE(item.iLevel > 0 || item.bPopup);
            if (item.bSeparator) {
                EXPECT_TRUE(item.iId == 0 && item.pszText == nullptr);
                continue;
            }
            ASSERT_TRUE(item.pszText && item.pszText[0]);
            EXPECT_EQ(ShownKey(item.pszText).empty(), ShownKey(e.pszText).empty())
                << "a key is shown in one language only";
            for (const unsigned char *p = (const unsigned char *)item.pszText; p[0] && p[1]; p++)
                EXPECT_FALSE(p[0] >= 0xC2 && p[0] <= 0xF4 && (p[1] & 0xC0) == 0x80) << "UTF-8";
            const char *amp = std::strchr(item.pszText, '&');
            EXPECT_TRUE(!amp ||
                        letters[item.iLevel].insert(std::tolower((unsigned char)amp[1])).second)
                << "mnemonic of " << item.pszText << " already used";
            if (item.bPopup) {
                EXPECT_EQ(item.iId, 0);
                EXPECT_TRUE(i + 1 < menu->iCount && menu->pItems[i + 1].iLevel > item.iLevel)
                    << "empty popup";
                letters.push_back({});
            } else {
                EXPECT_TRUE(ids.insert(item.iId).second) << "id twice: " << item.iId;
            }
        }
    }
}

TEST(Accelerators, MenuShowsTheKeyThatWorksAndExtraKeysSendIdsNoMenuCommandHas)
{
    const MENUDEF *menu = RES_FindMenu("MENU_ENG");
    const ACCELTABLE *accel = RES_FindAccel("ACCEL_ENG");
    ASSERT_TRUE(menu && accel);
    EXPECT_EQ(RES_FindAccel("ACCEL_SWE"), nullptr); // one table serves both languages
    for (int i = 0; i < menu->iCount; i++) {
        const MENUITEMDEF &item = menu->pItems[i];
        if (item.bSeparator || item.bPopup)
            continue;
        // Save As shows Ctrl+A and Delete shows Del, but neither key sends that command.
        const bool none = item.iId == IDM_SAVEAS || item.iId == IDM_DELETE;
        const ACCELDEF *a = ACCEL_FindCommand(accel, item.iId);
        EXPECT_EQ(none ? "" : KeyName(a), none ? "" : ShownKey(item.pszText)) << item.pszText;
        EXPECT_TRUE(!none || !a) << item.pszText << " must have no accelerator";
    }
    std::set<std::pair<int, int>> keys;
    std::set<std::pair<std::string, int>> extra;
    for (int i = 0; i < accel->iCount; i++) {
        const ACCELDEF &a = accel->pEntries[i];
        EXPECT_TRUE(keys.insert({a.iKey, a.iModifiers}).second) << KeyName(&a) << " twice";
        EXPECT_NE(a.iKey, MWK_DELETE);
        EXPECT_NE(KeyName(&a), "") << "unknown key code " << a.iKey;
        if (!MENU_FindItem(menu, a.iCommand))
            extra.insert({KeyName(&a), a.iCommand});
    }
    EXPECT_EQ(extra, (std::set<std::pair<std::string, int>>{{"Ctrl+L", IDM_KEY_CTRL_L},
                                                            {"Ctrl+A", IDM_KEY_CTRL_A},
                                                            {"Ctrl+I", IDM_KEY_CTRL_I}}));
    ACCELDEF wider = {MWK_RIGHT, MWMOD_SHIFT, IDM_WIDER};
    char tiny[5] = "xxxx";
    EXPECT_STREQ(ACCEL_KeyName(&wider, tiny, sizeof tiny), "") << "a buffer too small";
}
