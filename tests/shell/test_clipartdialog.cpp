// The clip-art dialog adding real pieces to a picture: the category buttons, the remembered
// category and place, OK and double-click, and a sticker that cannot be added.
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

#include "shell/clipartdialog.h"
#include "support/data_files.h"
#include "support/qt_app.h"

namespace
{

// Every catalogue sticker of the data folder but the turban.
class ClipArtDialogTest : public QtTest
{
  protected:
    void SetUp() override
    {
        QtTest::SetUp();
        fs::create_directories(mMain / "clipart");
        for (int32_t k = 0; k < CLIPART_COUNT; k++)
            if (std::string(gClipArtList[k].szFileName) != "turban.clp")
                fs::create_symlink(DataPath(std::string("clipart/") + gClipArtList[k].szFileName),
                                   mMain / (std::string("clipart/") + gClipArtList[k].szFileName));
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", mMain.Path().c_str());
        DXStartHeadless(DXNEED_PICTURE);
        gPictureRect = {190, 75, 600, 450};
        gClipArtCategory = gClipArtListPos = 0;
        mOwner.show();
    }
    void TearDown() override
    {
        AO_ClearList();
        gSelected = nullptr;
        DXCleanup();
        gMainDir[0] = '\0';
        QtTest::TearDown();
    }
    static std::vector<std::string> Pieces()
    {
        std::vector<std::string> out;
        for (AO *e = gAOList; e; e = e->pNext)
            if (e->iType == AO_TYPE_IMGOBJ)
                out.push_back(reinterpret_cast<IMGOBJ *>(e)->szFileName);
        return out;
    }
    static QString Label(ClipArtDlg &d, int row) { return d.List()->item(row)->text(); }
    static int Current(ClipArtDlg &d)
    {
        auto selected = d.List()->selectedItems();
        return selected.size() == 1 ? d.List()->row(selected[0]) : -1;
    }
    TempDir mMain, mData;
    ScopedEnv mDataHome{"XDG_DATA_HOME", mData.Path()};
    QWidget mOwner;
};

// The category buttons fill the list and OK adds the piece; the category and place are
// remembered. OK with nothing selected closes without adding or forgetting the place;
// a double click adds.
TEST_F(ClipArtDialogTest, CategoryButtonsFillTheListOkAddsAndTheLastPlaceIsRemembered)
{
    {
        ClipArtDlg d(&mOwner);
        EXPECT_TRUE(d.Radio(0)->isChecked());
        EXPECT_EQ(std::tuple(d.List()->count(), Label(d, 0), Current(d)),
                  std::tuple(46, "Police", 0));
        QTest::mouseClick(d.PictureButton(2), Qt::LeftButton);
        EXPECT_TRUE(d.Radio(2)->isChecked());
        EXPECT_EQ(std::tuple(d.List()->count(), Label(d, 0)), std::tuple(47, "Glasses"));
        QTest::mouseClick(d.Radio(9), Qt::LeftButton);
        EXPECT_EQ(std::tuple(gClipArtCategory, d.List()->count(), Label(d, 3)),
                  std::tuple(9, 21, "Bat"));
        d.List()->setCurrentRow(3);
        QTest::mouseClick(d.Button(1), Qt::LeftButton);
        EXPECT_EQ(std::tuple(d.result(), d.Added()), std::tuple(int(QDialog::Accepted), 1));
    }
    EXPECT_EQ(Pieces(), std::vector<std::string>{"bat.clp"});
    EXPECT_EQ(gSelected->iKind, IMG_OBJ);
    {
        ClipArtDlg again(&mOwner);
        again.show();
        EXPECT_TRUE(again.Radio(9)->isChecked());
        EXPECT_EQ(Current(again), 3);
        again.List()->clearSelection();
        QTest::mouseClick(again.Button(1), Qt::LeftButton);
        EXPECT_EQ(std::tuple(again.isVisible(), again.result(), again.Added(), gClipArtListPos),
                  std::tuple(false, int(QDialog::Accepted), 0, 3));
    }
    ClipArtDlg d(&mOwner);
    d.show();
    EXPECT_EQ(d.focusWidget(), d.List());
    QTest::mouseClick(d.Radio(0), Qt::LeftButton);
    QListWidget *list = d.List();
    const QPoint at = list->visualItemRect(list->item(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(Pieces(), (std::vector<std::string>{"bat.clp", "sheriffhat.clp"}));
    EXPECT_EQ(gClipArtListPos, 2);
}

TEST_F(ClipArtDialogTest, AMissingStickerShowsThePlaceholderAndCannotBeAdded)
{
    ClipArtDlg d(&mOwner);
    d.show();
    EXPECT_EQ(Label(d, 1), "Turban");
    EXPECT_FALSE(d.List()->item(1)->icon().isNull()) << "the placeholder";
    d.List()->setCurrentRow(1);
    QTest::mouseClick(d.Button(1), Qt::LeftButton);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0], "LoadImage() !\nBitmapLoad() IMG_OBJ failed!\nIMGOBJ_AddObj() failed\n");
    EXPECT_TRUE(d.isVisible() && Pieces().empty());
}

} // namespace
