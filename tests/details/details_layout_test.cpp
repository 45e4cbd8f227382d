// The window as it stands right after creation: every component where the layout puts it, in
// its font and colour, with its laid-out text, and the window hidden with its countdown off.

#include "details_support.h"
#include "views/fonts.h"

namespace details_test {
namespace {

struct LabelLayout {
    const char* name;
    QRect box;  // an empty size: the label takes the size of its text from this corner
    const char* family;
    int pixelSize;
    bool bold, strikeOut, underline;
    QColor colour;
    QColor background;  // invalid: transparent
    Qt::Alignment horizontal;
    const char* text;
};

const QColor kGrey(0x66, 0x66, 0x66);
const QColor kMaroon(0x80, 0x00, 0x00);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kGreen(0x7F, 0xA6, 0x00);
const QColor kNone;

const LabelLayout kLabels[] = {
    {"LabelPrice", QRect(9, 74, 0, 0), kHeiFace, 24, true, false, false, Qt::white, kNone,
     Qt::AlignLeft, "￥10000.00"},
    {"Label1", QRect(33, 119, 35, 13), kSansFace, 11, false, false, false, kGrey, kNone,
     Qt::AlignLeft, "原价"},
    {"Label2", QRect(97, 119, 35, 13), kSansFace, 11, false, false, false, kGrey, kNone,
     Qt::AlignLeft, "折扣"},
    {"Label3", QRect(161, 119, 35, 13), kSansFace, 11, false, false, false, kGrey, kNone,
     Qt::AlignLeft, "节省"},
    {"Label4", QRect(12, 145, 62, 13), kSansFace, 13, true, true, false, kGrey, kNone,
     Qt::AlignHCenter, "￥1000.00"},
    {"Label5", QRect(93, 145, 32, 13), kSansFace, 13, true, false, false, kGrey, kNone,
     Qt::AlignHCenter, "3.1"},
    {"Label6", QRect(139, 145, 66, 13), kSansFace, 13, true, false, false, kGrey, kNone,
     Qt::AlignHCenter, "￥300.20"},
    {"Label7", QRect(97, 191, 0, 0), kHeiFace, 24, true, false, false, kGreen, kNone, Qt::AlignLeft,
     "12"},
    {"Label8", QRect(129, 197, 0, 0), kSongFace, 16, false, false, false, kGrey, kNone,
     Qt::AlignLeft, "人已购买"},
    {"Label9", QRect(5, 242, 204, 16), kSongFace, 16, false, false, false, kGrey, kNone,
     Qt::AlignHCenter, "数量有限,赶快下单吧!"},
    {"Label10", QRect(6, 286, 0, 0), kSongFace, 16, false, false, false, kGrey, kNone,
     Qt::AlignLeft, "剩余时间    小时   分     秒"},
    {"Label11", QRect(69, 283, 34, 20), kSansFace, 16, true, false, false, kMaroon, Qt::white,
     Qt::AlignHCenter, "00"},
    {"Label12", QRect(136, 283, 21, 20), kSansFace, 16, true, false, false, kMaroon, Qt::white,
     Qt::AlignHCenter, "00"},
    {"Label13", QRect(175, 283, 36, 20), kSansFace, 16, true, false, false, kMaroon, Qt::white,
     Qt::AlignHCenter, "00"},
    {"Label14", QRect(321, 287, 0, 0), kSongFace, 14, false, false, true, kNavy, Qt::white,
     Qt::AlignLeft, ""},
};

TEST_F(DetailsWindowTest, EveryLabelStandsWhereTheLayoutPutsItInItsFontColourAndText) {
    for (const LabelLayout& expected : kLabels) {
        SCOPED_TRACE(expected.name);
        TLabel* shown = label(expected.name);
        ASSERT_NE(shown, nullptr);
        if (expected.box.isEmpty()) {
            EXPECT_TRUE(shown->autoSize());
            EXPECT_EQ(shown->pos(), expected.box.topLeft());
        } else {
            EXPECT_FALSE(shown->autoSize());
            EXPECT_EQ(shown->geometry(), expected.box);
        }
        const QFont font = shown->font();
        EXPECT_EQ(font.family(), QString::fromUtf8(expected.family));
        EXPECT_EQ(font.pixelSize(), expected.pixelSize);
        EXPECT_EQ(font.bold(), expected.bold);
        EXPECT_EQ(font.strikeOut(), expected.strikeOut);
        EXPECT_EQ(font.underline(), expected.underline);
        EXPECT_EQ(shown->palette().color(QPalette::WindowText), expected.colour);
        if (expected.background.isValid()) {
            EXPECT_TRUE(shown->autoFillBackground());
            EXPECT_EQ(shown->palette().color(QPalette::Window), expected.background);
        } else {
            EXPECT_FALSE(shown->autoFillBackground());
        }
        EXPECT_EQ(shown->alignment() & Qt::AlignHorizontal_Mask, expected.horizontal);
        EXPECT_EQ(shown->caption(), QString::fromUtf8(expected.text));
    }
}

struct PictureLayout {
    const char* name;
    QRect box;
    bool autoSize;
    bool handCursor;
    const char* packaged;  // the picture shown at creation, or nullptr
};

const PictureLayout kPictures[] = {
    {"Image1", QRect(1, 63, 530, 250), true, false, "frmitem_back"},
    {"Image4", QRect(216, 66, 313, 209), false, true, nullptr},
    {"Image5", QRect(236, 284, 77, 19), true, true, nullptr},
    {"ImageJoin", QRect(143, 70, 63, 31), true, true, "c1"},
    {"ImageExit", QRect(465, 283, 57, 21), true, true, "d1"},
};

TEST_F(DetailsWindowTest, PicturesAndButtonsStandWhereTheLayoutPutsThem) {
    for (const PictureLayout& expected : kPictures) {
        SCOPED_TRACE(expected.name);
        TImage* shown = picture(expected.name);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->geometry(), expected.box);
        EXPECT_EQ(shown->autoSize(), expected.autoSize);
        EXPECT_EQ(shown->cursor().shape(),
                  expected.handCursor ? Qt::PointingHandCursor : Qt::ArrowCursor);
        if (expected.packaged) {
            const QImage packaged = PackagedImage(QString::fromLatin1(expected.packaged));
            ASSERT_FALSE(packaged.isNull());
            EXPECT_EQ(shown->picture(), packaged);
        }
    }
    EXPECT_FALSE(picture("Image4")->hasPicture());
    ASSERT_NE(button("ImageJoin"), nullptr);
    ASSERT_NE(button("ImageExit"), nullptr);
    // Visible from creation until the first stock figure decides.
    EXPECT_FALSE(button("ImageJoin")->isHidden());
}

TEST_F(DetailsWindowTest, ChatButtonAnimatesFromCreation) {
    QMovie* chat = picture("Image5")->movie();
    ASSERT_NE(chat, nullptr);
    EXPECT_TRUE(chat->isValid());
    EXPECT_GT(chat->frameCount(), 1);
    EXPECT_EQ(chat->state(), QMovie::Running);
}

TEST_F(DetailsWindowTest, WindowIsABorderlessWhitePopupOwnedByTheMainWindowHiddenAtCreation) {
    EXPECT_EQ(form->parentWidget(), &mainWindow);
    EXPECT_TRUE(form->isWindow());
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->size(), QSize(532, 315));
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(form->font().family(), QString::fromUtf8(kSansFace));
    EXPECT_EQ(form->font().pixelSize(), 11);
    EXPECT_TRUE(form->isHidden());
    EXPECT_EQ(form->MainWindow(), nullptr);
    ASSERT_NE(timer(), nullptr);
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 100);
}

TEST_F(DetailsWindowTest, TitleBoxIsAPaleYellowGreyTextBoxThatNeverTakesInput) {
    TMemo* title = memo();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->geometry(), QRect(1, 1, 530, 62));
    EXPECT_EQ(title->font().family(), QString::fromUtf8(kHeiFace));
    EXPECT_EQ(title->font().pixelSize(), 27);
    EXPECT_FALSE(title->font().bold());
    EXPECT_FALSE(title->isEnabled());
    EXPECT_EQ(title->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(title->frameShape(), QFrame::Box);
    EXPECT_EQ(title->lineWidth(), 1);
    // It is disabled, so the disabled colours are the ones on screen.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        EXPECT_EQ(title->palette().color(group, QPalette::Base), QColor(0xFF, 0xFF, 0xAE));
        EXPECT_EQ(title->palette().color(group, QPalette::Text), QColor(0x66, 0x66, 0x66));
    }
}

TEST_F(DetailsWindowTest, OpensCentredOverTheMainWindowsFrameEvenOffTheScreen) {
    struct Case {
        QRect mainGeometry;
    };
    // Odd negative differences: the half is taken toward zero.
    const Case cases[] = {
        {QRect(100, 80, 818, 550)}, {QRect(-300, -40, 401, 201)}, {QRect(5000, 3000, 300, 100)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mainGeometry.x());
        mainWindow.setGeometry(c.mainGeometry);
        mainWindow.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
        QPointer<TfrmItem> popup = new TfrmItem(&mainWindow);
        popup->show();
        const QRect frame = mainWindow.frameGeometry();
        const int dx = frame.width() - 532, dy = frame.height() - 315;
        const int expectedLeft = frame.left() + (dx < 0 ? -(-dx / 2) : dx / 2);
        const int expectedTop = frame.top() + (dy < 0 ? -(-dy / 2) : dy / 2);
        EXPECT_EQ(popup->frameGeometry().topLeft(), QPoint(expectedLeft, expectedTop));
        delete popup.data();
    }
}

}  // namespace
}  // namespace details_test
