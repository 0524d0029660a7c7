// The menu and accelerator tables: well-formed, alike in both languages, showing working keys.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "resources/menus/commands.h"
#include "resources/menus/menus.h"

// The key text shown after '\t' in a menu text, in the accelerator's spelling.
static std::string ShownKey(const char *text)
{
    std::string key = std::strchr(text, '\t') ? std::strchr(text, '\t') + 1 : "";
    return key.substr(0, key.find(" Arrow"));
}

static std::string KeyName(const ACCELDEF *a)
{
    char buf[64];
    return ACCEL_KeyName(a, buf, sizeof buf);
}

TEST(Menus, BothMenusAreWellFormedTreesOfTheSameRowsWithUniqueMnemonics)
{
    const MENUDEF *english = RES_FindMenu("MENU_ENG"), *swedish = RES_FindMenu("MENU_SWE");
    ASSERT_TRUE(english && swedish && english->iCount == swedish->iCount);
    for (const MENUDEF *menu : {english, swedish}) {
        std::set<int> ids;
        std::vector<std::set<int>> letters(1); // mnemonics of each open level
        for (int i = 0; i < menu->iCount; i++) {
            const MENUITEMDEF &item = menu->pItems[i], &e = english->pItems[i];
            SCOPED_TRACE((menu == english ? "English row " : "Swedish row ") + std::to_string(i));
            EXPECT_EQ(std::tuple(item.iId, item.iLevel, item.bSeparator, item.bPopup),
                      std::tuple(e.iId, e.iLevel, e.bSeparator, e.bPopup));
            ASSERT_LE(item.iLevel, int(letters.size()) - 1) << "a level skipped";
            letters.resize(item.iLevel + 1);
            if (item.bSeparator)
                continue;
            ASSERT_TRUE(item.pszText && item.pszText[0]);
            if (const char *amp = std::strchr(item.pszText, '&'))
                EXPECT_TRUE(letters[item.iLevel].insert(std::tolower(amp[1] & 0xFF)).second)
                    << "mnemonic of " << item.pszText << " already used";
            if (item.bPopup)
                letters.push_back({});
            else
                EXPECT_TRUE(ids.insert(item.iId).second) << "id twice: " << item.iId;
        }
    }
}

TEST(Accelerators, MenuShowsTheKeyThatWorksAndExtraKeysSendIdsNoMenuCommandHas)
{
    const MENUDEF *menu = RES_FindMenu("MENU_ENG");
    const ACCELTABLE *accel = RES_FindAccel("ACCEL_ENG");
    for (int i = 0; i < menu->iCount; i++) {
        const MENUITEMDEF &item = menu->pItems[i];
        if (item.bSeparator || item.bPopup)
            continue;
        const bool none = item.iId == IDM_SAVEAS || item.iId == IDM_DELETE; // shown, not sent
        const ACCELDEF *a = ACCEL_FindCommand(accel, item.iId);
        EXPECT_EQ(none ? "" : KeyName(a), none ? "" : ShownKey(item.pszText)) << item.pszText;
        EXPECT_TRUE(!none || !a) << item.pszText << " must have no accelerator";
    }
    std::set<std::pair<std::string, int>> extra;
    for (int i = 0; i < accel->iCount; i++) {
        const ACCELDEF &a = accel->pEntries[i];
        if (!MENU_FindItem(menu, a.iCommand))
            extra.insert({KeyName(&a), a.iCommand});
    }
    EXPECT_EQ(extra, (std::set<std::pair<std::string, int>>{{"Ctrl+L", IDM_KEY_CTRL_L},
                                                            {"Ctrl+A", IDM_KEY_CTRL_A},
                                                            {"Ctrl+I", IDM_KEY_CTRL_I}}));
}
