// catalogue.cpp — the clip-art catalogue, the lists the dialog shows and the dialog's
// lasting state.
#include "clipart/catalogue.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "clipart/ownstickers.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

int32_t gClipArtCategory;
int32_t gClipArtListPos;

// clang-format off
const CLIPARTCATEGORY gClipArtCategories[CLIPART_CATEGORY_COUNT] = {
    {301, 1001, "CAT_HATS", 1621, CLIPCAT_HATS},
    {302, 1002, "CAT_HAIR", 1622, CLIPCAT_HAIR},
    {303, 1003, "CAT_FACE", 1623, CLIPCAT_FACE},
    {304, 1004, "CAT_BODY", 1624, CLIPCAT_BODY},
    {305, 1005, "CAT_BABY", 1625, CLIPCAT_BABY},
    {306, 1006, "CAT_PARTY", 1626, CLIPCAT_PARTY},
    {307, 1007, "CAT_PETS", 1627, CLIPCAT_PETS},
    {308, 1008, "CAT_BEACH", 1628, CLIPCAT_BEACH},
    {309, 1009, "CAT_VALENTINE", 1629, CLIPCAT_VALENTINE},
    {310, 1010, "CAT_HALLOWEEN", 1630, CLIPCAT_HALLOWEEN},
    {311, 1011, "CAT_PARENTS", 1631, CLIPCAT_PARENTS},
    {312, 1012, "CAT_CHRISTMAS", 1632, CLIPCAT_CHRISTMAS},
    {313, 1013, "CAT_EASTER", 1633, CLIPCAT_EASTER},
};

const CLIPARTENTRY gClipArtList[] = {
    {"policehat.clp", 1403, CLIPCAT_HATS},
    {"turban.clp", 1418, CLIPCAT_HATS},
    {"sheriffhat.clp", 1414, CLIPCAT_HATS},
    {"ladyhair.clp", 1395, CLIPCAT_HAIR},
    {"bandage.clp", 1525, CLIPCAT_HAIR},
    {"hottentott.clp", 1389, CLIPCAT_HAIR},
    {"glasses.clp", 1538, CLIPCAT_FACE},
    {"cigar.clp", 1449, CLIPCAT_FACE},
    {"tounge.clp", 1569, CLIPCAT_FACE},
    {"elephantlegs.clp", 1479, CLIPCAT_BODY},
    {"tie.clp", 1466, CLIPCAT_BODY},
    {"guitar.clp", 1468, CLIPCAT_BODY},
    {"babyhat.clp", 1304, CLIPCAT_BABY},
    {"babyeat.clp", 1303, CLIPCAT_BABY},
    {"baby.clp", 1301, CLIPCAT_BABY},
    {"diver.clp", 1528, CLIPCAT_BEACH},
    {"bikini.clp", 1446, CLIPCAT_BEACH},
    {"sharkfin.clp", 1493, CLIPCAT_BEACH},
    {"chicken.clp", 1344, CLIPCAT_EASTER},
    {"bill.clp", 1341, CLIPCAT_EASTER},
    {"easterlily.clp", 1710, CLIPCAT_EASTER},
    {"beer.clp", 1445, CLIPCAT_PARTY},
    {"hawaii.clp", 1455, CLIPCAT_PARTY},
    {"trumpet.clp", 1572, CLIPCAT_PARTY},
    {"lionhead.clp", 1482, CLIPCAT_PETS},
    {"collar.clp", 1476, CLIPCAT_PETS},
    {"bear.clp", 1471, CLIPCAT_PETS},
    {"heartarms.clp", 1504, CLIPCAT_VALENTINE},
    {"cupid.clp", 1501, CLIPCAT_VALENTINE},
    {"rose.clp", 1723, CLIPCAT_VALENTINE},
    {"ghost.clp", 1353, CLIPCAT_HALLOWEEN},
    {"pumpkin.clp", 1355, CLIPCAT_HALLOWEEN},
    {"monsterhand.clp", 1354, CLIPCAT_HALLOWEEN},
    {"flowers.clp", 1431, CLIPCAT_PARENTS},
    {"star2.clp", 1725, CLIPCAT_PARENTS},
    {"medal.clp", 1397, CLIPCAT_PARENTS},
    {"xmastree.clp", 1331, CLIPCAT_CHRISTMAS},
    {"brownie.clp", 1321, CLIPCAT_CHRISTMAS},
    {"snowman.clp", 1328, CLIPCAT_CHRISTMAS},
    {"balloon.clp", 1443, CLIPCAT_PARTY},
    {"clownshoe.clp", 1451, CLIPCAT_BODY},
    {"rosette.clp", 1311, CLIPCAT_BABY},
    {"lamb.clp", 1716, CLIPCAT_EASTER},
    {"eggshell.clp", 1345, CLIPCAT_EASTER},
    {"tarzan.clp", 1465, CLIPCAT_BEACH},
    {"lochness.clp", 1484, CLIPCAT_BEACH},
    {"dollar.clp", 1530, CLIPCAT_BODY},
    {"viking.clp", 1419, CLIPCAT_HATS},
    {"clown.clp", 1308, CLIPCAT_FACE},
    {"pilot.clp", 1561, CLIPCAT_HATS},
    {"bowler.clp", 1377, CLIPCAT_HATS},
    {"knight.clp", 1394, CLIPCAT_HATS},
    {"bone.clp", 1473, CLIPCAT_PETS},
    {"shoe.clp", 1724, CLIPCAT_PETS},
    {"seaman.clp", 1567, CLIPCAT_HATS},
    {"chef.clp", 1378, CLIPCAT_HATS},
    {"cossack.clp", 1380, CLIPCAT_HATS},
    {"hathair.clp", 1543, CLIPCAT_HATS},
    {"redhair.clp", 1408, CLIPCAT_HAIR},
    {"afrohair.clp", 1372, CLIPCAT_HAIR},
    {"amish.clp", 1374, CLIPCAT_FACE},
    {"rope.clp", 1566, CLIPCAT_BODY},
    {"gun.clp", 1388, CLIPCAT_BODY},
    {"diadem.clp", 1384, CLIPCAT_HAIR},
    {"babybottle.clp", 1302, CLIPCAT_BABY},
    {"cocktail.clp", 1708, CLIPCAT_PARTY},
    {"partywhistle.clp", 1721, CLIPCAT_PARTY},
    {"rocket2.clp", 1464, CLIPCAT_PARENTS},
    {"bathball.clp", 1306, CLIPCAT_BABY | CLIPCAT_BEACH},
    {"bathring.clp", 1307, CLIPCAT_BABY | CLIPCAT_BEACH},
    {"duck.clp", 1309, CLIPCAT_BABY | CLIPCAT_BEACH},
    {"soapbrush.clp", 1312, CLIPCAT_BABY},
    {"snow.clp", 1327, CLIPCAT_CHRISTMAS},
    {"xmassock.clp", 1330, CLIPCAT_CHRISTMAS},
    {"xmascap.clp", 1329, CLIPCAT_HATS | CLIPCAT_CHRISTMAS},
    {"chicken2.clp", 1344, CLIPCAT_EASTER},
    {"eggbasket.clp", 1711, CLIPCAT_EASTER},
    {"birdhat.clp", 1342, CLIPCAT_HATS | CLIPCAT_EASTER},
    {"birdnest.clp", 1343, CLIPCAT_EASTER},
    {"sheriffbadge.clp", 1413, CLIPCAT_BODY | CLIPCAT_PARENTS},
    {"mermaid.clp", 1550, CLIPCAT_BODY | CLIPCAT_BEACH},
    {"prisoner2.clp", 1565, CLIPCAT_BODY},
    {"note1.clp", 1461, CLIPCAT_PARTY},
    {"note2.clp", 1462, CLIPCAT_PARTY},
    {"champagne.clp", 1448, CLIPCAT_PARTY | CLIPCAT_PARENTS},
    {"bat.clp", 1703, CLIPCAT_HALLOWEEN},
    {"bloodstains.clp", 1351, CLIPCAT_BODY | CLIPCAT_HALLOWEEN},
    {"plasterarm.clp", 1563, CLIPCAT_BODY},
    {"plasterleg.clp", 1564, CLIPCAT_BODY},
    {"hairflower.clp", 1540, CLIPCAT_HAIR},
    {"devil.clp", 1352, CLIPCAT_HAIR | CLIPCAT_HALLOWEEN},
    {"pumpkinmask.clp", 1356, CLIPCAT_HALLOWEEN},
    {"vampire.clp", 1357, CLIPCAT_FACE | CLIPCAT_HALLOWEEN},
    {"santabeard.clp", 1325, CLIPCAT_FACE | CLIPCAT_CHRISTMAS},
    {"agent.clp", 1521, CLIPCAT_FACE},
    {"admiral.clp", 1371, CLIPCAT_HATS | CLIPCAT_BEACH},
    {"alien.clp", 1373, CLIPCAT_HAIR},
    {"apron.clp", 1375, CLIPCAT_BODY | CLIPCAT_BEACH},
    {"cowboyhat.clp", 1381, CLIPCAT_HATS},
    {"cowboyhat2.clp", 1382, CLIPCAT_HATS},
    {"decoration.clp", 1383, CLIPCAT_BODY | CLIPCAT_PARENTS},
    {"star.clp", 1725, CLIPCAT_PARENTS},
    {"pippihair.clp", 1400, CLIPCAT_HAIR},
    {"eyepatch.clp", 1386, CLIPCAT_FACE | CLIPCAT_BEACH},
    {"floormop.clp", 1387, CLIPCAT_HAIR},
    {"indian.clp", 1390, CLIPCAT_HAIR | CLIPCAT_BEACH},
    {"joker.clp", 1391, CLIPCAT_HATS | CLIPCAT_PARTY},
    {"jokercollar.clp", 1392, CLIPCAT_BODY | CLIPCAT_PARTY},
    {"kingcrown.clp", 1393, CLIPCAT_HATS},
    {"mask1.clp", 1396, CLIPCAT_FACE},
    {"santabeard2.clp", 1326, CLIPCAT_FACE | CLIPCAT_CHRISTMAS},
    {"officerrank.clp", 1398, CLIPCAT_BODY | CLIPCAT_PARENTS},
    {"butterfly.clp", 1447, CLIPCAT_BODY | CLIPCAT_PARTY | CLIPCAT_PARENTS},
    {"rosette2.clp", 1311, CLIPCAT_BABY | CLIPCAT_PARENTS},
    {"patch.clp", 1399, CLIPCAT_BODY | CLIPCAT_BABY},
    {"piratehook.clp", 1402, CLIPCAT_BODY | CLIPCAT_BEACH | CLIPCAT_HALLOWEEN},
    {"princesscrown.clp", 1404, CLIPCAT_HATS},
    {"prisoner.clp", 1405, CLIPCAT_HATS},
    {"propellhat.clp", 1406, CLIPCAT_HATS | CLIPCAT_BABY},
    {"ranger.clp", 1407, CLIPCAT_HATS},
    {"ricehat.clp", 1409, CLIPCAT_HATS},
    {"robber.clp", 1410, CLIPCAT_HATS},
    {"scar.clp", 1411, CLIPCAT_FACE | CLIPCAT_HALLOWEEN},
    {"scout.clp", 1412, CLIPCAT_HATS},
    {"spacehelmet.clp", 1415, CLIPCAT_HATS},
    {"sword1.clp", 1416, CLIPCAT_BODY | CLIPCAT_HALLOWEEN},
    {"sword2.clp", 1417, CLIPCAT_BODY | CLIPCAT_HALLOWEEN},
    {"piratehat.clp", 1401, CLIPCAT_HATS | CLIPCAT_BEACH | CLIPCAT_HALLOWEEN},
    {"woodleg.clp", 1420, CLIPCAT_BODY | CLIPCAT_BEACH},
    {"samurai.clp", 1421, CLIPCAT_HAIR},
    {"roll.clp", 1432, CLIPCAT_BODY},
    {"baldhat.clp", 1441, CLIPCAT_HATS},
    {"ballhat.clp", 1442, CLIPCAT_HATS},
    {"balloon2.clp", 1444, CLIPCAT_PARTY},
    {"clock.clp", 1450, CLIPCAT_PARENTS | CLIPCAT_CHRISTMAS},
    {"earcarrot.clp", 1452, CLIPCAT_FACE | CLIPCAT_BABY},
    {"fez.clp", 1453, CLIPCAT_HATS | CLIPCAT_PARTY},
    {"fruithat.clp", 1454, CLIPCAT_HATS | CLIPCAT_BEACH},
    {"highhat.clp", 1456, CLIPCAT_HATS | CLIPCAT_PARTY},
    {"hungry.clp", 1457, CLIPCAT_FACE | CLIPCAT_BABY},
    {"karate.clp", 1458, CLIPCAT_HATS},
    {"meatbone.clp", 1459, CLIPCAT_BODY | CLIPCAT_PARTY},
    {"neckbones.clp", 1460, CLIPCAT_FACE},
    {"paperhat.clp", 1463, CLIPCAT_HATS | CLIPCAT_PARTY},
    {"rocket.clp", 1464, CLIPCAT_PARENTS},
    {"drum.clp", 1467, CLIPCAT_BODY | CLIPCAT_PARENTS},
    {"tuba.clp", 1469, CLIPCAT_BODY | CLIPCAT_PARENTS},
    {"angry.clp", 1522, CLIPCAT_HAIR},
    {"bee.clp", 1472, CLIPCAT_FACE | CLIPCAT_PETS},
    {"cat.clp", 1474, CLIPCAT_FACE | CLIPCAT_PETS},
    {"catmouth.clp", 1475, CLIPCAT_FACE | CLIPCAT_PETS},
    {"duckbill.clp", 1309, CLIPCAT_FACE | CLIPCAT_PETS},
    {"elephantears.clp", 1478, CLIPCAT_FACE | CLIPCAT_PETS},
    {"elephantnose.clp", 1480, CLIPCAT_FACE | CLIPCAT_PETS},
    {"horn.clp", 1481, CLIPCAT_HAIR | CLIPCAT_PETS},
    {"lionmouth.clp", 1483, CLIPCAT_FACE | CLIPCAT_PETS},
    {"moose.clp", 1485, CLIPCAT_HAIR | CLIPCAT_PETS},
    {"mouseears.clp", 1486, CLIPCAT_FACE | CLIPCAT_PETS},
    {"mousenose.clp", 1487, CLIPCAT_FACE | CLIPCAT_PETS},
    {"mousetail.clp", 1488, CLIPCAT_BODY | CLIPCAT_PETS},
    {"mouth.clp", 1489, CLIPCAT_FACE | CLIPCAT_PETS},
    {"owl.clp", 1490, CLIPCAT_FACE | CLIPCAT_PETS},
    {"pigsnout.clp", 1491, CLIPCAT_FACE | CLIPCAT_PETS},
    {"pigtail.clp", 1492, CLIPCAT_BODY | CLIPCAT_PETS},
    {"tail.clp", 1494, CLIPCAT_BODY | CLIPCAT_PETS},
    {"cupidarrow.clp", 1502, CLIPCAT_VALENTINE},
    {"glory.clp", 1503, CLIPCAT_HAIR | CLIPCAT_VALENTINE},
    {"heartfire.clp", 1505, CLIPCAT_VALENTINE},
    {"hearthappy.clp", 1506, CLIPCAT_VALENTINE},
    {"priest.clp", 1507, CLIPCAT_FACE | CLIPCAT_VALENTINE},
    {"wing.clp", 1508, CLIPCAT_BODY | CLIPCAT_VALENTINE},
    {"badhand.clp", 1523, CLIPCAT_BODY},
    {"badteeth.clp", 1524, CLIPCAT_FACE},
    {"beret.clp", 1526, CLIPCAT_HATS},
    {"crashhelmet.clp", 1527, CLIPCAT_HATS},
    {"doctor.clp", 1529, CLIPCAT_HAIR},
    {"dripnose.clp", 1531, CLIPCAT_FACE | CLIPCAT_BABY},
    {"babyteat.clp", 1305, CLIPCAT_BABY},
    {"teat.clp", 1313, CLIPCAT_FACE | CLIPCAT_BABY},
    {"ear.clp", 1533, CLIPCAT_FACE},
    {"earhair.clp", 1534, CLIPCAT_HAIR},
    {"headphones.clp", 1535, CLIPCAT_HAIR},
    {"earrings.clp", 1536, CLIPCAT_FACE},
    {"genius.clp", 1537, CLIPCAT_HAIR},
    {"golddigger.clp", 1539, CLIPCAT_BODY | CLIPCAT_BEACH},
    {"handpoint.clp", 1541, CLIPCAT_BODY},
    {"hardhat.clp", 1542, CLIPCAT_HATS},
    {"highhat2.clp", 1544, CLIPCAT_HATS},
    {"hunter.clp", 1545, CLIPCAT_HATS},
    {"kissmark.clp", 1546, CLIPCAT_PARTY | CLIPCAT_VALENTINE},
    {"knife.clp", 1547, CLIPCAT_HALLOWEEN},
    {"mask2.clp", 1396, CLIPCAT_FACE},
    {"mask3.clp", 1396, CLIPCAT_FACE | CLIPCAT_BEACH},
    {"money.clp", 1551, CLIPCAT_PARTY},
    {"moustache.clp", 1552, CLIPCAT_FACE},
    {"nightcap.clp", 1553, CLIPCAT_HATS},
    {"nosebeard.clp", 1554, CLIPCAT_FACE},
    {"noseeyes.clp", 1555, CLIPCAT_FACE},
    {"nosering.clp", 1556, CLIPCAT_FACE},
    {"nurse.clp", 1557, CLIPCAT_HATS},
    {"oldseaman.clp", 1558, CLIPCAT_FACE},
    {"lollipop.clp", 1310, CLIPCAT_BABY},
    {"paintbrush.clp", 1559, CLIPCAT_BODY},
    {"palette.clp", 1560, CLIPCAT_BODY},
    {"plaster.clp", 1562, CLIPCAT_BODY | CLIPCAT_BABY},
    {"student.clp", 1568, CLIPCAT_HATS},
    {"tounge2.clp", 1570, CLIPCAT_FACE},
    {"tropichat.clp", 1571, CLIPCAT_HATS},
    {"worm.clp", 1573, CLIPCAT_BEACH},
    {"band.clp", 1701, CLIPCAT_PARTY | CLIPCAT_PARENTS},
    {"banner1.clp", 1702, CLIPCAT_PARENTS},
    {"banner2.clp", 1702, CLIPCAT_PARENTS},
    {"banner3.clp", 1702, CLIPCAT_PARENTS},
    {"bone2.clp", 1473, CLIPCAT_PETS},
    {"butterfly2.clp", 1447, CLIPCAT_PARTY},
    {"cigar2.clp", 1449, CLIPCAT_FACE | CLIPCAT_PARTY | CLIPCAT_PARENTS},
    {"easteregg.clp", 1709, CLIPCAT_EASTER},
    {"eye.clp", 1712, CLIPCAT_FACE},
    {"feeder.clp", 1713, CLIPCAT_BABY},
    {"flowers2.clp", 1431, CLIPCAT_PARENTS},
    {"flowers3.clp", 1431, CLIPCAT_PARENTS | CLIPCAT_EASTER},
    {"gift2.clp", 1323, CLIPCAT_VALENTINE | CLIPCAT_PARENTS},
    {"gift3.clp", 1323, CLIPCAT_VALENTINE | CLIPCAT_PARENTS | CLIPCAT_CHRISTMAS},
    {"heart.clp", 1714, CLIPCAT_VALENTINE},
    {"hen.clp", 1715, CLIPCAT_PETS | CLIPCAT_EASTER},
    {"lamp.clp", 1717, CLIPCAT_HALLOWEEN},
    {"lollipop2.clp", 1310, CLIPCAT_BABY | CLIPCAT_PARENTS | CLIPCAT_EASTER},
    {"mask4.clp", 1396, CLIPCAT_FACE},
    {"moon.clp", 1719, CLIPCAT_HALLOWEEN},
    {"oak.clp", 1720, CLIPCAT_CHRISTMAS},
    {"petheart.clp", 1722, CLIPCAT_PETS},
    {"pumpkin2.clp", 1355, CLIPCAT_HALLOWEEN},
    {"sweep.clp", 1726, CLIPCAT_HALLOWEEN | CLIPCAT_EASTER},
    {"teat2.clp", 1313, CLIPCAT_BABY},
    {"teddybear.clp", 1727, CLIPCAT_BABY | CLIPCAT_VALENTINE},
    {"wand.clp", 1728, CLIPCAT_VALENTINE},
    {"meatbone2.clp", 1718, CLIPCAT_PETS | CLIPCAT_CHRISTMAS},
    {"gift.clp", 1323, CLIPCAT_PARENTS | CLIPCAT_CHRISTMAS},
    {"lucia.clp", 1324, CLIPCAT_HATS | CLIPCAT_CHRISTMAS},
    {"baldhead.clp", 1376, CLIPCAT_HAIR},
    {"xmas1.clp", 1332, CLIPCAT_CHRISTMAS},
    {"xmas2.clp", 1333, CLIPCAT_CHRISTMAS},
    {"xmas3.clp", 1334, CLIPCAT_VALENTINE | CLIPCAT_CHRISTMAS},
    {"xmas4.clp", 1335, CLIPCAT_CHRISTMAS},
    {"xmas5.clp", 1336, CLIPCAT_CHRISTMAS},
    {"xmas6.clp", 1337, CLIPCAT_VALENTINE | CLIPCAT_CHRISTMAS},
    {"xmas7.clp", 1338, CLIPCAT_PARENTS | CLIPCAT_CHRISTMAS},
    {"xmas8.clp", 1339, CLIPCAT_CHRISTMAS | CLIPCAT_EASTER},
    {"eyebrush.clp", 1322, CLIPCAT_FACE | CLIPCAT_CHRISTMAS},
    {"witchcap.clp", 1358, CLIPCAT_HATS | CLIPCAT_HALLOWEEN | CLIPCAT_EASTER},
    {"clownhead.clp", 1379, CLIPCAT_HAIR},
    {"witchnose.clp", 1359, CLIPCAT_FACE | CLIPCAT_HALLOWEEN | CLIPCAT_EASTER},
    {"witchhat.clp", 1729, CLIPCAT_HATS | CLIPCAT_HALLOWEEN | CLIPCAT_EASTER},
    {"eyebrush2.clp", 1385, CLIPCAT_FACE},
    {"", 0, 0},
};
// clang-format on

int ClipArt_Collect(const CLIPARTENTRY *table, uint32_t mask, std::vector<int32_t> *indices)
{
    indices->clear();
    for (int32_t k = 0; table[k].szFileName[0]; k++) {
        if (!(table[k].dwCategories & mask))
            continue;
        bool seen = false;
        for (int32_t i : *indices)
            seen = seen || std::strcmp(table[i].szFileName, table[k].szFileName) == 0;
        if (seen)
            continue;
        if (static_cast<int32_t>(indices->size()) == CLIPART_SELECTION_MAX) {
            indices->clear();
            return Fail("nSelectionList[overflow!]");
        }
        indices->push_back(k);
    }
    return 1;
}

static CLIPARTITEM CatalogueItem(int32_t index)
{
    return {gClipArtList[index].szFileName, LoadText(gClipArtList[index].iNameId), index};
}

static void AppendOwnStickers(std::vector<CLIPARTITEM> *items, const char *query)
{
    std::vector<std::string> names;
    ClipArt_OwnStickers(&names);
    for (const std::string &file : names) {
        CLIPARTITEM item = {file, OwnStickerName(file.c_str()), -1};
        if (!query || ClipArt_NameMatches(item.sName.c_str(), query))
            items->push_back(item);
    }
}

int ClipArt_GroupItems(int32_t group, std::vector<CLIPARTITEM> *items)
{
    items->clear();
    if (group == CLIPART_OWN_GROUP) {
        AppendOwnStickers(items, nullptr);
        return 1;
    }
    if (group < 0 || group >= CLIPART_CATEGORY_COUNT)
        return Failf("Category %d", group);
    std::vector<int32_t> indices;
    if (!ClipArt_Collect(gClipArtList, gClipArtCategories[group].dwBit, &indices))
        return 0;
    for (int32_t k : indices)
        items->push_back(CatalogueItem(k));
    return 1;
}

// Lower case of a code page 1252 letter (ASCII and the accented capitals).
static unsigned char LowerLatin(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 32);
    return c;
}

int ClipArt_NameMatches(const char *name, const char *query)
{
    while (*query == ' ')
        query++;
    size_t n = std::strlen(query);
    while (n > 0 && query[n - 1] == ' ')
        n--;
    if (n == 0)
        return 0;
    const size_t len = std::strlen(name);
    for (size_t start = 0; start + n <= len; start++) {
        size_t i = 0;
        while (i < n && LowerLatin(static_cast<unsigned char>(name[start + i])) ==
                            LowerLatin(static_cast<unsigned char>(query[i])))
            i++;
        if (i == n)
            return 1;
    }
    return 0;
}

void ClipArt_Search(const char *query, std::vector<CLIPARTITEM> *items)
{
    items->clear();
    if (!query || !query[std::strspn(query, " ")])
        return;
    for (int32_t k = 0; gClipArtList[k].szFileName[0]; k++) {
        CLIPARTITEM item = CatalogueItem(k);
        if (ClipArt_NameMatches(item.sName.c_str(), query))
            items->push_back(item);
    }
    AppendOwnStickers(items, query);
}
