// catalogue.h — the clip-art catalogue: every sticker the user can place, its display
// name and the categories it belongs to; the user's own stickers; and the dialog state
// that lasts for the whole run. Plain code: no toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Category bits of an entry's mask. 0x1000 belongs to no category.
enum : uint32_t {
    CLIPCAT_HATS = 0x0001,
    CLIPCAT_HAIR = 0x0002,
    CLIPCAT_FACE = 0x0004,
    CLIPCAT_BODY = 0x0008,
    CLIPCAT_BABY = 0x0010,
    CLIPCAT_PARTY = 0x0020,
    CLIPCAT_PETS = 0x0040,
    CLIPCAT_BEACH = 0x0080,
    CLIPCAT_VALENTINE = 0x0100,
    CLIPCAT_HALLOWEEN = 0x0200,
    CLIPCAT_PARENTS = 0x0400,
    CLIPCAT_CHRISTMAS = 0x0800,
    CLIPCAT_EASTER = 0x2000,
};

// One sticker: its file in the clip-art folder, its display-name string id and its
// categories.
struct CLIPARTENTRY {
    const char *szFileName;
    int32_t iNameId;
    uint32_t dwCategories;
};
// The catalogue in its order; it ends at the first entry whose file name is empty.
extern const CLIPARTENTRY gClipArtList[];
constexpr int32_t CLIPART_COUNT = 254;

// One category of the dialog: radio button, picture button and its bitmap resource,
// name string and bit.
struct CLIPARTCATEGORY {
    int32_t iRadioId;
    int32_t iPictureId;
    const char *pszPicture;
    int32_t iNameId;
    uint32_t dwBit;
};
constexpr int32_t CLIPART_CATEGORY_COUNT = 13;
extern const CLIPARTCATEGORY gClipArtCategories[CLIPART_CATEGORY_COUNT];
// The user's own stickers: a fourteenth group after the thirteen categories.
constexpr int32_t CLIPART_OWN_GROUP = 13;
constexpr int32_t CLIPART_OWN_RADIO = 314;

// The most entries one category's list holds.
constexpr int32_t CLIPART_SELECTION_MAX = 500;

// Dialog state for the whole run (0 at start-up): the group shown (0 to 13) and the
// list position of the last sticker added.
extern int32_t gClipArtCategory;
extern int32_t gClipArtListPos;

// Collects the indices of the entries of `table` (up to its empty entry) that share a
// bit with mask, in table order, each once. More than CLIPART_SELECTION_MAX fails with
// "nSelectionList[overflow!]" (indices then holds nothing).
int ClipArt_Collect(const CLIPARTENTRY *table, uint32_t mask, std::vector<int32_t> *indices);

// One sticker of a list the dialog shows: the file name IMGOBJ_AddObj gets and the
// display name (program code page); the catalogue index, or -1 for an own sticker.
struct CLIPARTITEM {
    std::string sFileName;
    std::string sName;
    int32_t iIndex;
};

// The stickers of a group (0 to 12: the catalogue's category, 13: the own stickers)
// with their names in the current language. 0 when the category's list cannot be made.
int ClipArt_GroupItems(int32_t group, std::vector<CLIPARTITEM> *items);
// The stickers whose display name in the current language holds `query` (program code
// page; case and surrounding blanks ignored): the catalogue in its order, each file
// once, then the own stickers. Nothing for a blank query.
void ClipArt_Search(const char *query, std::vector<CLIPARTITEM> *items);

// Whether display name `name` holds `query` (both program code page), ignoring case and
// the query's surrounding blanks; a blank query matches nothing.
int ClipArt_NameMatches(const char *name, const char *query);
