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

// The key text shown after '\t' in the English menu, in the accelerator's spelling.
std::string ShownKey(const char *text)
{
    const char *tab = text ? std::strchr(text, '\t') : nullptr;
    if (!tab)
        return "";
    std::string key = tab + 1;
    size_t arrow = key.find(" Arrow");
    if (arrow != std::string::npos)
        key.erase(arrow);
    return key;
}

std::string KeyName(const ACCELDEF *a)
{
    char buf[64];
    return ACCEL_KeyName(a, buf, sizeof buf);
}

} // namespace

TEST(Menus, BothMenusAreWellFormedTreesOfTheSameRowsWithLatin1Texts)
{
    const MENUDEF *english = RES_FindMenu("MENU_ENG");
    const MENUDEF *swedish = RES_FindMenu("MENU_SWE");
    ASSERT_NE(english, nullptr);
    ASSERT_NE(swedish, nullptr);
    ASSERT_EQ(english->iCount, swedish->iCount);
    for (const MENUDEF *menu : {english, swedish}) {
        std::set<int> ids;
        for (int i = 0; i < menu->iCount; i++) {
            const MENUITEMDEF &item = menu->pItems[i], &e = english->pItems[i];
            SCOPED_TRACE(std::string(menu == english ? "English" : "Swedish") + " row " +
                         std::to_string(i));
            EXPECT_EQ(item.iId, e.iId);
            EXPECT_EQ(item.iLevel, e.iLevel);
            EXPECT_EQ(item.bSeparator, e.bSeparator);
            EXPECT_EQ(item.bPopup, e.bPopup);
            EXPECT_LE(item.iLevel, i ? menu->pItems[i - 1].iLevel + 1 : 0); // no level skipped
            EXPECT_TRUE(item.iLevel > 0 || item.bPopup);
            if (item.bSeparator) {
                EXPECT_EQ(item.iId, 0);
                EXPECT_EQ(item.pszText, nullptr);
                continue;
            }
            ASSERT_NE(item.pszText, nullptr);
            EXPECT_NE(item.pszText[0], '\0');
            EXPECT_EQ(ShownKey(item.pszText).empty(), ShownKey(e.pszText).empty())
                << "a key is shown in one language only";
            for (const unsigned char *p = (const unsigned char *)item.pszText; p[0] && p[1]; p++)
                EXPECT_FALSE(p[0] >= 0xC2 && p[0] <= 0xF4 && (p[1] & 0xC0) == 0x80)
                    << "UTF-8 in " << item.pszText;
            if (item.bPopup) {
                EXPECT_EQ(item.iId, 0);
                ASSERT_LT(i + 1, menu->iCount);
                EXPECT_GT(menu->pItems[i + 1].iLevel, item.iLevel) << "empty popup";
            } else {
                EXPECT_TRUE(ids.insert(item.iId).second) << "id twice: " << item.iId;
            }
        }
    }
}

TEST(Menus, MnemonicsAreUniqueWithinEachPopup)
{
    for (const char *name : {"MENU_ENG", "MENU_SWE"}) {
        const MENUDEF *menu = RES_FindMenu(name);
        ASSERT_NE(menu, nullptr);
        // Scan every popup (and the bar, parent -1) for the letters after '&'.
        for (int parent = -1; parent < menu->iCount; parent++) {
            int level = parent < 0 ? 0 : menu->pItems[parent].iLevel + 1;
            if (parent >= 0 && !menu->pItems[parent].bPopup)
                continue;
            std::set<int> letters;
            for (int i = parent + 1; i < menu->iCount && menu->pItems[i].iLevel >= level; i++) {
                const MENUITEMDEF &item = menu->pItems[i];
                const char *amp = item.iLevel == level && !item.bSeparator
                                      ? std::strchr(item.pszText, '&')
                                      : nullptr;
                if (amp) {
                    EXPECT_TRUE(letters.insert(std::tolower((unsigned char)amp[1])).second)
                        << name << ": mnemonic of " << item.pszText << " already used";
                }
            }
        }
    }
}

TEST(Accelerators, MenuShowsTheKeyThatWorksAndExtraKeysSendIdsNoMenuCommandHas)
{
    const MENUDEF *menu = RES_FindMenu("MENU_ENG");
    const ACCELTABLE *accel = RES_FindAccel("ACCEL_ENG");
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(accel, nullptr);
    for (int i = 0; i < menu->iCount; i++) {
        const MENUITEMDEF &item = menu->pItems[i];
        if (item.bSeparator || item.bPopup)
            continue;
        const ACCELDEF *a = ACCEL_FindCommand(accel, item.iId);
        // Save As shows Ctrl+A and Delete shows Del, but neither key sends that command.
        if (item.iId == IDM_SAVEAS || item.iId == IDM_DELETE)
            EXPECT_EQ(a, nullptr) << item.pszText << " must have no accelerator";
        else
            EXPECT_EQ(KeyName(a), ShownKey(item.pszText)) << item.pszText;
    }
    EXPECT_EQ(ShownKey(MENU_FindItem(menu, IDM_SAVEAS)->pszText), "Ctrl+A");
    EXPECT_EQ(ShownKey(MENU_FindItem(menu, IDM_DELETE)->pszText), "Del");

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
}

TEST(Resources, UnknownNamesAndSmallBuffersAreRefused)
{
    EXPECT_EQ(RES_FindMenu("MENU_XYZ"), nullptr);
    EXPECT_EQ(RES_FindMenu(nullptr), nullptr);
    EXPECT_EQ(RES_FindAccel("ACCEL_SWE"), nullptr); // one table serves both languages
    EXPECT_EQ(MENU_FindItem(RES_FindMenu("MENU_ENG"), 0), nullptr);
    EXPECT_EQ(MENU_FindItem(nullptr, IDM_NEW), nullptr);

    ACCELDEF wider = {MWK_RIGHT, MWMOD_SHIFT, IDM_WIDER};
    char buf[12];
    EXPECT_STREQ(ACCEL_KeyName(&wider, buf, sizeof buf), "Shift+Right");
    char tiny[5] = "xxxx";
    EXPECT_STREQ(ACCEL_KeyName(&wider, tiny, sizeof tiny), "");
    EXPECT_EQ(tiny[0], '\0');
    ACCELDEF bogus = {0x07, MWMOD_CTRL, 1};
    EXPECT_STREQ(ACCEL_KeyName(&bogus, buf, sizeof buf), "");
}
