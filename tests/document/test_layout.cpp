// Layout files: bytes, round trips, cut and hostile files, captions. (A load that fails
// half-way is checked in test_file_faults.cpp.)
#include <algorithm>
#include <functional>

#include "picture/caption.h"
#include "picture/text.h"
#include "support/engine_reset.h"
#include "support/layout_bytes.h"

namespace
{

// Offsets in a file whose first record is the photo's (W × H) and whose pieces follow.
constexpr size_t kHeader = 4, kFirstRecord = 4 + 668;
size_t PieceRecord(int32_t w, int32_t h, int k)
{
    return kFirstRecord + 476 + static_cast<size_t>(w) * h * 3 + 476 * static_cast<size_t>(k);
}

// The photo's pixel at (x, y): a pattern that differs in every channel.
uint32_t PhotoColour(int x, int y)
{
    return static_cast<uint32_t>((x * 7) & 255) << 16 | static_cast<uint32_t>((y * 13) & 255) << 8 |
           static_cast<uint32_t>((x + y) & 255);
}

class Layout : public PictureEngineTest
{
  protected:
    std::string Path(const std::string &name) const { return (dir / name).string(); }
    // The photo from a W × H pattern bitmap, fitted into the window.
    IMGOBJ *Photo(int w, int h)
    {
        WriteFile(Path("photo.bmp"), PictureBmp(w, h, PhotoColour));
        IMGOBJ *photo = IMGOBJ_AddObj(Path("photo.bmp").c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
        EXPECT_NE(photo, nullptr) << gErrorTrail;
        return photo;
    }
    IMGOBJ *Piece(const char *name, int32_t kind = IMG_OBJ, const char *text = nullptr,
                  int32_t style = 0)
    {
        IMGOBJ *obj =
            IMGOBJ_AddObj(name, kind, 0, 0, text ? Words(text, style).data() : nullptr, nullptr);
        EXPECT_NE(obj, nullptr) << gErrorTrail;
        return obj;
    }
    // The photo's pixels that differ from the pattern.
    static int PhotoMismatches(const IMGOBJ *photo, int w, int h)
    {
        int wrong = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                wrong += DXGetPixel(photo->iiRes[HI_RES_OBJ].DDSSurface, x, y) != PhotoColour(x, y);
        return wrong;
    }
    // A photo of w × h with a hat and a text piece, saved as name; returns its bytes.
    std::vector<uint8_t> SaveSample(const std::string &name, int w = 9, int h = 5)
    {
        Photo(w, h);
        Piece("hat.clp");
        Piece("text4.clp", IMG_TEXT, "HELLO", 0);
        EXPECT_TRUE(LayoutSave(Path(name).c_str())) << gErrorTrail;
        return ReadBytes(Path(name));
    }
    // Loads bytes as a layout file over the current picture; the trail stays for the caller.
    int LoadBytes(const std::vector<uint8_t> &bytes)
    {
        WriteFile(Path("in.mwi"), bytes);
        return LayoutLoad(Path("in.mwi").c_str(), 1);
    }
};

// Captions: the record and the text records after it.
class LayoutCaption : public Layout
{
  protected:
    IMGOBJ *Caption(const std::string &text, CAPTIONSTYLE style)
    {
        const CAPTIONDESC desc = {style, text.data(), text.size()};
        IMGOBJ *obj = IMGOBJ_AddObj("caption", IMG_CAPTION, 0, 0, &desc, nullptr);
        EXPECT_NE(obj, nullptr) << gErrorTrail;
        return obj;
    }
    int Load(const std::vector<uint8_t> &bytes)
    {
        WriteFile(Path("in.mwi"), bytes);
        TrailClear();
        return LayoutRead(Path("in.mwi").c_str(), 1);
    }
};

TEST(LayoutBlocks, FieldsSitAtTheirOffsetsAndReservedBytesAreZero)
{
    LAYOUTHEADER h = {};
    h.iCount = 3, h.iPhotoWidth = 801, h.iPhotoHeight = -2;
    std::strcpy(h.szPhotoName, "beach.jpg");
    h.iRectWidth = 585, h.iRectHeight = 438, h.iRectLeft = 190, h.iRectTop = 96;
    std::vector<uint8_t> b(LAYOUT_HEADER_SIZE, 0xAA);
    LayoutPutHeader(&h, b.data());
    const int32_t header[][2] = {{0, 3},     {132, 801}, {136, -2}, {140, 585},
                                 {144, 438}, {148, 190}, {152, 96}};
    for (auto [offset, value] : header)
        EXPECT_EQ(At32(b, offset), value) << offset;
    EXPECT_STREQ(reinterpret_cast<const char *>(b.data() + 4), "beach.jpg");
    EXPECT_EQ(std::count(b.begin() + 156, b.end(), 0), 512);

    LAYOUTRECORD r = {};
    r.iKind = 2, r.x = -7, r.y = 300, r.iWidth = 120, r.iHeight = 80, r.iAngle = 359;
    r.bFlipH = 1, r.bFlipV = 0, r.iTextStyle = 10;
    std::strcpy(r.szFileName, "xmas8.clp");
    std::memset(r.szText, 'A', sizeof r.szText); // no NUL: copied as it is
    std::vector<uint8_t> rb(LAYOUT_RECORD_SIZE, 0xAA);
    LayoutPutRecord(&r, rb.data());
    const int32_t record[][2] = {{0, 2},     {132, -7}, {136, 300}, {140, 120}, {144, 80},
                                 {148, 359}, {260, 1},  {264, 0},   {268, 10}};
    for (auto [offset, value] : record)
        EXPECT_EQ(At32(rb, offset), value) << offset;
    EXPECT_EQ(std::count(rb.begin() + 152, rb.begin() + 260, 0), 108);
    EXPECT_EQ(rb[475], 'A');
}

// Position, size, angle, mirroring, stacking order and text come back, and the photo
// pixel for pixel; a metafile piece is neither written nor counted.
TEST_F(Layout, ARoundTripRestoresEveryPieceAndThePhoto)
{
    Photo(61, 45);
    IMGOBJ *hat = Piece("hat.clp");
    hat->ao.x = 250, hat->ao.y = 140, hat->fWidth = 133.7f, hat->fHeight = 66.2f;
    hat->iAngle = 30, hat->bFlipH = 1;
    const std::string longText(98, 'W');
    IMGOBJ *text = Piece("text4.clp", IMG_TEXT, longText.c_str(), 3);
    text->ao.x = 400, text->ao.y = 200, text->bFlipV = 1;
    IMGOBJ *dog = Piece("dog.clp");
    dog->ao.x = 195, dog->ao.y = 80, dog->fWidth = 10, dog->fHeight = 300;
    IMGOBJ *emf = Piece("hat.clp");
    emf->iKind = IMG_EMF;
    AO_SwapObj(&hat->ao, &dog->ao); // stacking: photo, dog, text, hat
    const XYWH rect = gPictureRect;
    std::vector<std::string> want;
    for (IMGOBJ *o : {dog, text, hat})
        want.push_back(PieceText(o, true));
    gModified = 1;
    ASSERT_TRUE(LayoutSave(Path("card.mwi").c_str())) << gErrorTrail;
    EXPECT_EQ(gModified, 0);
    const auto bytes = ReadBytes(Path("card.mwi"));
    EXPECT_EQ(bytes.size(), 4 + 668 + 476 * 4 + 61 * 45 * 3u) << "rows carry no padding";
    EXPECT_EQ((std::array{At32(bytes, 0), At32(bytes, kHeader), At32(bytes, kHeader + 132)}),
              (std::array{1, 4, 61}));
    // Pixels are stored blue, green, red: (0, 1) begins the second row.
    const size_t row1 = kFirstRecord + 476 + 61 * 3;
    EXPECT_EQ((std::array{bytes[row1], bytes[row1 + 1], bytes[row1 + 2]}),
              (std::array<uint8_t, 3>{1, 13, 0}));
    // Opened over another picture, which goes.
    AO_ClearList();
    Photo(30, 30);
    Piece("hat.clp");
    gModified = 1;
    ASSERT_TRUE(LayoutLoad(Path("card.mwi").c_str(), 1)) << gErrorTrail;
    AO_ProcessFlip(); // the replaced objects remove themselves
    EXPECT_EQ(gModified, 0);
    EXPECT_EQ(gSelected, nullptr);
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(61, 45));
    EXPECT_EQ((std::array{gPictureRect.x, gPictureRect.y, gPictureRect.w, gPictureRect.h}),
              (std::array{rect.x, rect.y, rect.w, rect.h}));
    const auto back = ListedObjects();
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[0]->iKind, IMG_SRC);
    EXPECT_EQ(PhotoMismatches(back[0], 61, 45), 0);
    EXPECT_EQ(
        (std::vector{PieceText(back[1], true), PieceText(back[2], true), PieceText(back[3], true)}),
        want);
}

// A cut file fails with the message of the block the cut falls in, and what the editor
// cannot have written is refused before anything is made; the picture stays as it was.
TEST_F(Layout, CutAndHostileFilesAreRefusedAndLeaveThePictureAsItWas)
{
    const auto good = SaveSample("good.mwi", 30, 20);
    const size_t rows = kFirstRecord + 476, hat = PieceRecord(30, 20, 0),
                 text = PieceRecord(30, 20, 1);
    auto cut = [](size_t keep) { return [keep](std::vector<uint8_t> &b) { b.resize(keep); }; };
    auto name = [hat](std::string n) { // the hat's file name, with its end when it fits
        return [hat, n](std::vector<uint8_t> &b) {
            std::strncpy(reinterpret_cast<char *>(&b[hat + 4]), n.c_str(), 128);
        };
    };
    const struct {
        const char *what;
        std::function<void(std::vector<uint8_t> &)> edit;
        const char *says;
    } cases[] = {
        {"empty", cut(0), "Read version failed!"},
        {"cut in the version", cut(3), "Read version failed!"},
        {"cut in the header", cut(4 + 667), "Read header failed!"},
        {"cut in the photo's record", cut(kFirstRecord + 475), "Read objects failed!"},
        {"cut in the photo, short of three records", cut(rows + 30 * 3 * 4),
         "Read image row failed!"},
        {"cut in the photo", cut(rows + 30 * 20 * 3 - 10), "Read image row failed!"},
        {"cut in a piece's record", cut(text + 10), "Read objects failed!"},
        {"negative count", [](auto &b) { Set32(b, kHeader, -1); }, "counts -1 objects"},
        {"count beyond the file", [](auto &b) { Set32(b, kHeader, 0x7FFFFFFF); }, "holds at most"},
        {"photo width 0", [](auto &b) { Set32(b, kHeader + 132, 0); }, "no pixels"},
        {"photo beyond the limits", [](auto &b) { Set32(b, kHeader + 132, 40000); }, "photo size"},
        {"photo the file cannot hold", [](auto &b) { Set32(b, kHeader + 136, 100); },
         "Read image row failed!"},
        {"picture area beyond the window", [](auto &b) { Set32(b, kHeader + 140, 100000); },
         "outside the window"},
        {"a path (the lookup's own cases are in the catalogue test)", name("../x.clp"),
         "no plain clip-art"},
        {"a name without its end", name(std::string(128, 'a')), "no plain clip-art"},
        {"an unknown text style", [&](auto &b) { Set32(b, text + 268, 11); }, "text style (11)"},
        {"a far position", [&](auto &b) { Set32(b, hat + 132, -2000000); }, "far outside"},
        {"a second photo", [&](auto &b) { Set32(b, hat, IMG_SRC); }, "more than one photo"},
        {"no photo", [](auto &b) { Set32(b, kHeader, 0); }, "holds no photo"},
    };
    const auto before = ListedObjects();
    for (const auto &c : cases) {
        auto bytes = good;
        c.edit(bytes);
        TrailClear();
        EXPECT_FALSE(LoadBytes(bytes)) << c.what;
        EXPECT_NE(std::string(gErrorTrail).find(c.says), std::string::npos)
            << c.what << ": " << gErrorTrail;
        EXPECT_EQ(ListedObjects(), before) << c.what;
        EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(30, 20)) << c.what;
    }
    TrailClear();
    EXPECT_TRUE(LoadBytes(good)) << gErrorTrail;
}

// A photo read straight into its surface in blocks of rows; a file cut in any block.
TEST_F(Layout, WidePhotosReadWholeAndThePiecesAfterThem)
{
    const int w = 1288, h = 70; // two blocks of rows, the second short
    const auto good = SaveSample("wide.mwi", w, h);
    AO_ClearList();
    Photo(30, 20);
    ASSERT_TRUE(LoadBytes(good)) << gErrorTrail;
    AO_ProcessFlip();
    const auto back = ListedObjects();
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(PhotoMismatches(back[0], w, h), 0);
    EXPECT_EQ(std::string(back[1]->szFileName) + " " + back[2]->szFileName, "hat.clp text4.clp");
    EXPECT_EQ(std::string(back[2]->szText), "HELLO");
    // Cut in the first block (the photo alone counted), and rows beyond the file's end.
    auto cut = good;
    Set32(cut, kHeader, 1);
    cut.resize(kFirstRecord + 476 + 100);
    auto taller = good;
    Set32(taller, kHeader + 136, h + 40);
    for (const auto &bytes : {cut, taller}) {
        TrailClear();
        EXPECT_FALSE(LoadBytes(bytes));
        EXPECT_NE(std::string(gErrorTrail).find("Read image row failed!"), std::string::npos)
            << gErrorTrail;
        EXPECT_EQ(ListedObjects(), back);
    }
}

TEST_F(Layout, MorePiecesThanTheLimitAreRefusedAndUnknownKindsSkipped)
{
    auto bytes = SaveSample("good.mwi", 9, 5);
    const std::vector<uint8_t> hat(bytes.begin() + PieceRecord(9, 5, 0),
                                   bytes.begin() + PieceRecord(9, 5, 1));
    // 150 records of a kind this program does not make are read and skipped.
    auto skipped = bytes;
    for (int i = 0; i < 150; i++) {
        skipped.insert(skipped.end(), hat.begin(), hat.end());
        const int32_t unknown[] = {3, 5, 6, 7, 1000}; // 4 is a caption
        Set32(skipped, skipped.size() - 476, unknown[i % 5]);
    }
    Set32(skipped, kHeader, 3 + 150);
    EXPECT_TRUE(LoadBytes(skipped)) << gErrorTrail;
    EXPECT_EQ(gLayoutSkipped, 150) << "counted, so the user is told";
    AO_ProcessFlip();
    EXPECT_EQ(ListedObjects().size(), 3u);
    // More clip-art records than the limit: refused before a single piece is made.
    for (int i = 0; i < LAYOUT_MAX_PIECES; i++)
        bytes.insert(bytes.end(), hat.begin(), hat.end());
    Set32(bytes, kHeader, 3 + LAYOUT_MAX_PIECES);
    TrailClear();
    EXPECT_FALSE(LoadBytes(bytes));
    EXPECT_NE(std::string(gErrorTrail).find("more than 1000 pieces"), std::string::npos);
    EXPECT_EQ(ListedObjects().size(), 3u);
}

// Each bubble as large as the picture area at 1280 x 1024 (3.75 MB), beside the photo's 16 MB.
TEST_F(Layout, APictureBeyondTheMemoryBudgetIsRefusedBeforeAnyPieceIsMade)
{
    gMemoryBudget = int64_t{40} << 20;
    for (const auto &[pieces, loads] : {std::pair{5, true}, {7, false}}) {
        const std::vector<LAYOUTRECORD> bubbles(
            pieces, PieceAt(IMG_TEXT, "text4.clp", 190, 75, 400, 300, "HI"));
        const size_t before = ListedObjects().size();
        TrailClear();
        EXPECT_EQ(LoadBytes(LayoutBytes(8, 6, bubbles)), loads) << pieces << ": " << gErrorTrail;
        AO_ProcessFlip();
        EXPECT_EQ(ListedObjects().size(), loads ? 1u + pieces : before) << pieces;
        const bool says = std::string(gErrorTrail)
                              .find("The layout (a photo of 8 x 6 pixels and "
                                    "7 pieces) needs 43 MB of memory; at "
                                    "most 40 MB") != std::string::npos;
        EXPECT_EQ(says, !loads) << gErrorTrail;
    }
}

// Numbers the editor keeps within limits are brought into them; the text cut at its end.
TEST_F(Layout, OutOfRangeNumbersAreBroughtIntoRange)
{
    auto bytes = SaveSample("good.mwi", 9, 5);
    const size_t hat = PieceRecord(9, 5, 0), text = PieceRecord(9, 5, 1);
    const int32_t rectW = At32(bytes, kHeader + 140);
    Set32(bytes, hat + 140, 999999);
    Set32(bytes, hat + 144, -5);
    Set32(bytes, hat + 148, -30);
    Set32(bytes, hat + 260, 7);
    std::memset(bytes.data() + text + 272, 'Q', 204);
    ASSERT_TRUE(LoadBytes(bytes)) << gErrorTrail;
    AO_ProcessFlip();
    const auto objs = ListedObjects();
    ASSERT_EQ(objs.size(), 3u);
    // ScreenResize refitted to the same rectangle: the sizes are as brought into range.
    EXPECT_EQ(std::pair(objs[1]->fWidth, objs[1]->fHeight), std::pair(float(rectW), 1.0f));
    EXPECT_EQ(std::pair(objs[1]->iAngle, objs[1]->bFlipH), std::pair(330, 1));
    EXPECT_EQ(std::string(objs[2]->szText), std::string(203, 'Q'));
}

TEST_F(LayoutCaption, RoundTripKeepsTextStyleGeometryAndStacking)
{
    AddPhotoFile(8, 6);
    std::string text =
        "Grattis på födelsedagen!\n\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xF0\x9F\x98\x80\n";
    while (text.size() < 600) // past one text record
        text += "e\xCC\x81 ";
    const CAPTIONSTYLE style = {3, 0x123456, 0xABCDEF, 95, 1, CAPTION_ALIGN_RIGHT};
    IMGOBJ *cap = Caption(text, style);
    cap->iAngle = 30, cap->bFlipH = 1, cap->fWidth = 211, cap->fHeight = 77;
    cap->ao.x = 250, cap->ao.y = 120;
    IMGOBJ_AddObj("hat.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
    ASSERT_TRUE(LayoutSave(Path("a.mwi").c_str())) << gErrorTrail;
    const std::vector<uint8_t> bytes = ReadBytes(Path("a.mwi"));

    // Photo, caption and its two text records, hat: five records.
    const size_t first = 4 + 668, caption = first + 476 + 8 * 6 * 3;
    EXPECT_EQ(At32(bytes, 4), 5);
    EXPECT_EQ(bytes.size(), caption + 4 * 476);
    const int32_t bytesOfText = static_cast<int32_t>(text.size());
    const int32_t fields[] = {
        0,   IMG_CAPTION,         132, 250, 136, 120,      140, 211,      144, 77, 148, 30,
        152, bytesOfText,         156, 3,   160, 0x123456, 164, 0xABCDEF, 168, 95, 172, 1,
        176, CAPTION_ALIGN_RIGHT, 260, 1}; // offset, value
    for (size_t i = 0; i < std::size(fields); i += 2)
        EXPECT_EQ(At32(bytes, caption + fields[i]), fields[i + 1]) << fields[i];
    EXPECT_EQ(At32(bytes, caption + 476), LAYOUT_KIND_MORE);
    EXPECT_EQ(At32(bytes, caption + 2 * 476), LAYOUT_KIND_MORE);
    EXPECT_EQ(At32(bytes, caption + 3 * 476), IMG_OBJ);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(bytes.data() + caption + 476 + 4), 472),
              text.substr(0, 472));

    AO_ClearList();
    ASSERT_TRUE(Load(bytes)) << gErrorTrail;
    const std::vector<IMGOBJ *> pieces = ListedObjects(false);
    ASSERT_EQ(pieces.size(), 2u);
    const IMGOBJ *back = pieces[0];
    ASSERT_EQ(back->iKind, IMG_CAPTION);
    EXPECT_EQ(pieces[1]->iKind, IMG_OBJ);
    EXPECT_EQ(back->pCaption->text, text);
    EXPECT_EQ(std::memcmp(&back->pCaption->style, &style, sizeof style), 0);
    EXPECT_EQ(back->ao.x, 250);
    EXPECT_EQ(back->fWidth, 211);
    EXPECT_EQ(back->iAngle, 30);
    EXPECT_EQ(back->bFlipH, 1);
    // Saved again, the same bytes.
    ASSERT_TRUE(LayoutSave(Path("b.mwi").c_str())) << gErrorTrail;
    EXPECT_EQ(ReadBytes(Path("b.mwi")), bytes);
}

TEST_F(LayoutCaption, BadCaptionsAreRefusedAndUnknownRecordsSkipped)
{
    AddPhotoFile(4, 4);
    auto captionAt = [](int32_t bytes) {
        LAYOUTRECORD r = PieceAt(IMG_CAPTION, "caption", 200, 100, 120, 40);
        r.iCaptionBytes = bytes;
        return r;
    };
    LAYOUTRECORD more = {};
    more.iKind = LAYOUT_KIND_MORE;
    std::memcpy(more.szFileName, "Hi\xff!", 4); // the text's first bytes, one of them bad
    const LAYOUTRECORD hat = PieceAt(IMG_OBJ, "hat.clp", 10, 10, 40, 20);
    const struct {
        std::vector<LAYOUTRECORD> records;
        const char *message; // null: loads
        size_t pieces;       // after it (a refused file leaves the picture as it was)
    } cases[] = {
        {{captionAt(4), more, hat}, nullptr, 2},
        {{captionAt(-1), more}, "a caption of -1 bytes", 2},
        {{captionAt(9000), more}, "a caption of 9000 bytes", 2},
        {{captionAt(4)}, "the text of its caption is missing", 2},      // the count ends
        {{captionAt(4), hat}, "the text of its caption is missing", 2}, // another record
        {{captionAt(500), more, hat}, "the text of its caption is missing", 2},
        {{more, PieceAt(7, "x", 0, 0, 1, 1), hat}, nullptr, 1}, // stray and unknown: skipped
    };
    for (const auto &c : cases) {
        const int ok = Load(LayoutBytes(4, 4, c.records));
        if (c.message) {
            EXPECT_FALSE(ok);
            EXPECT_NE(std::strstr(gErrorTrail, c.message), nullptr) << "[" << gErrorTrail << "]";
        } else {
            EXPECT_TRUE(ok) << gErrorTrail;
        }
        EXPECT_EQ(ListedObjects(false).size(), c.pieces) << (c.message ? c.message : "loads");
    }
    ASSERT_TRUE(Load(LayoutBytes(4, 4, {captionAt(4), more})));
    EXPECT_EQ(ListedObjects(false)[0]->pCaption->text, "Hi\xEF\xBF\xBD!")
        << "bad bytes are replaced";
}

TEST_F(LayoutCaption, UndoRebuildsADeletedCaptionAndItsText)
{
    StartHistory();
    AddPhotoFile(40, 30);
    const std::string text(300, 'x');
    IMGOBJ *cap = Caption(text + "\xF0\x9F\x98\x80", CAPTION_DefaultStyle());
    PICTURE_ChangeBegin(CHANGE_DELETE);
    cap->ao.bRemove = 1;
    PICTURE_ChangeEnd(CHANGE_DELETE);
    ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
    const std::vector<IMGOBJ *> pieces = ListedObjects(false);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0]->pCaption->text, text + "\xF0\x9F\x98\x80");
    PICTURE_Shutdown();
    UNDO_Shutdown();
}

} // namespace
