// Captions in layout files: the record and the text records after it, the round trip
// with the pieces around it, and files that cannot be right.
#include "picture/caption.h"
#include "support/engine_reset.h"
#include "support/layout_bytes.h"

namespace
{

class LayoutCaption : public PictureEngineTest
{
  protected:
    std::string Path(const std::string &name) const { return (dir / name).string(); }
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
