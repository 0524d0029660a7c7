// Writes the layout fuzzer's seeds into the folder given: pictures saved by LayoutSave
// (a photo alone, a photo with clip art and a text) and hostile variants of them.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/layout.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "platform/platform.h"

static std::vector<uint8_t> Read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

static void Write(const std::string &path, const std::vector<uint8_t> &b)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), b.size());
}

static void Set32(std::vector<uint8_t> &b, size_t at, int32_t v)
{
    if (at + 4 <= b.size())
        std::memcpy(b.data() + at, &v, 4);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_layout_seeds MAINDIR_WITH_CLIPART OUTDIR\n");
        return 2;
    }
    const std::string out = std::string(argv[2]) + "/";
    std::snprintf(gMainDir, sizeof gMainDir, "%s/", argv[1]);
    DXStartHeadless(DXNEED_PICTURE | DXNEED_TEXT);
    gPictureRect = {190, 75, 400, 300};

    IMGOBJ *photo = IMGOBJ_AddObjSrcBuf(12, 9, 3);
    if (!photo)
        return 1;
    for (int y = 0; y < 9; y++)
        for (int x = 0; x < 12; x++)
            DXPutPixel(photo->iiRes[HI_RES_OBJ].DDSSurface, x, y, 0x102030u * (x + y));
    LayoutSave((out + "photo_only.mwi").c_str());
    IMGOBJ *hat = IMGOBJ_AddObj("hat.clp", IMG_OBJ, 250, 120, nullptr, nullptr);
    char text[208] = {};
    std::strcpy(text + 4, "HELLO THERE");
    IMGOBJ *bubble = IMGOBJ_AddObj("text4.clp", IMG_TEXT, 300, 200, text, nullptr);
    if (!hat || !bubble)
        return 1;
    hat->iAngle = 45, hat->bFlipH = 1;
    LayoutSave((out + "photo_hat_text.mwi").c_str());

    const std::vector<uint8_t> good = Read(out + "photo_hat_text.mwi");
    const size_t hatAt = 4 + 668 + 476 + 12 * 9 * 3, textAt = hatAt + 476;
    struct Variant {
        const char *name;
        void (*edit)(std::vector<uint8_t> &, size_t, size_t);
    } variants[] = {
        {"negative_count", [](auto &b, size_t, size_t) { Set32(b, 4, -5); }},
        {"huge_count", [](auto &b, size_t, size_t) { Set32(b, 4, 0x7FFFFFFF); }},
        {"huge_photo",
         [](auto &b, size_t, size_t) { Set32(b, 4 + 132, 30000), Set32(b, 4 + 136, 30000); }},
        {"zero_photo", [](auto &b, size_t, size_t) { Set32(b, 4 + 136, 0); }},
        {"huge_area", [](auto &b, size_t, size_t) { Set32(b, 4 + 140, 70000); }},
        {"path_name",
         [](auto &b, size_t h, size_t) { std::memcpy(b.data() + h + 4, "../../x.clp", 12); }},
        {"unterminated_name",
         [](auto &b, size_t h, size_t) { std::memset(b.data() + h + 4, 'a', 128); }},
        {"unterminated_text",
         [](auto &b, size_t, size_t t) { std::memset(b.data() + t + 272, 'B', 204); }},
        {"bad_style", [](auto &b, size_t, size_t t) { Set32(b, t + 268, 99); }},
        {"wild_numbers",
         [](auto &b, size_t h, size_t) {
             Set32(b, h + 140, -100), Set32(b, h + 144, 1 << 30), Set32(b, h + 148, -725),
                 Set32(b, h + 260, 9);
         }},
        {"two_photos", [](auto &b, size_t h, size_t) { Set32(b, h, 0); }},
        {"unknown_kind", [](auto &b, size_t h, size_t) { Set32(b, h, 3); }},
        {"truncated_rows", [](auto &b, size_t h, size_t) { b.resize(h - 20); }},
        {"truncated_record", [](auto &b, size_t, size_t t) { b.resize(t + 100); }},
    };
    for (const Variant &v : variants) {
        std::vector<uint8_t> b = good;
        v.edit(b, hatAt, textAt);
        Write(out + v.name + ".mwi", b);
    }
    AO_ClearList();
    return 0;
}
