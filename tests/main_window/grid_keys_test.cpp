// The keys that scroll the grid: arrows by one line, Page Up/Down by the visible height, Home and
// End to the ends; whichever part of the main window has the focus. Other keys leave it alone.
#include <QScrollBar>
#include <QStatusBar>

#include <algorithm>

#include "views/scroll_box.h"
#include "window_fixture.h"

namespace {

class GridKeys : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        serveFeed(FeedDocumentText(NumberedDeals(18)));
        open(true);
        bar = window->ScrollBox1->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 2 * bar->pageStep());
        ASSERT_EQ(bar->pageStep(), window->ScrollBox1->viewport()->height());
    }
    QScrollBar* bar = nullptr;
};

enum class Move { None, LineDown, LineUp, PageDown, PageUp, Top, Bottom };

struct KeyCase {
    const char* label;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int from;  // -1: the bottom
    Move move;
};

TEST_F(GridKeys, ScrollTheGridFromTheScrollBoxOrAnyOtherPartOfTheWindow) {
    const KeyCase cases[] = {
        {"down", Qt::Key_Down, Qt::NoModifier, 80, Move::LineDown},
        {"up", Qt::Key_Up, Qt::NoModifier, 80, Move::LineUp},
        {"up at the top", Qt::Key_Up, Qt::NoModifier, 0, Move::LineUp},
        {"down at the bottom", Qt::Key_Down, Qt::NoModifier, -1, Move::LineDown},
        {"page down", Qt::Key_PageDown, Qt::NoModifier, 80, Move::PageDown},
        {"page up", Qt::Key_PageUp, Qt::NoModifier, 700, Move::PageUp},
        {"page up near the top", Qt::Key_PageUp, Qt::NoModifier, 40, Move::PageUp},
        {"page down near the bottom", Qt::Key_PageDown, Qt::NoModifier, -1, Move::PageDown},
        {"keypad page down", Qt::Key_PageDown, Qt::KeypadModifier, 0, Move::PageDown},
        {"home", Qt::Key_Home, Qt::NoModifier, 300, Move::Top},
        {"end", Qt::Key_End, Qt::NoModifier, 40, Move::Bottom},
        {"control+end", Qt::Key_End, Qt::ControlModifier, 40, Move::Bottom},
        {"alt+down is not the grid's", Qt::Key_Down, Qt::AltModifier, 80, Move::None},
        {"a letter is not the grid's", Qt::Key_A, Qt::NoModifier, 80, Move::None},
        {"return is not the grid's", Qt::Key_Return, Qt::NoModifier, 80, Move::None},
    };
    const int line = TScrollBox::kLineStep;
    const int page = bar->pageStep();
    QWidget* const targets[] = {window->ScrollBox1, window->StatusBar1, window.get()};
    for (QWidget* target : targets) {
        for (const KeyCase& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << c.label << ", sent to " << target->objectName().toStdString());
            const int from = c.from == -1 ? bar->maximum() : c.from;
            int to = from;
            switch (c.move) {
                case Move::None:
                    break;
                case Move::LineDown:
                    to = from + line;
                    break;
                case Move::LineUp:
                    to = from - line;
                    break;
                case Move::PageDown:
                    to = from + page;
                    break;
                case Move::PageUp:
                    to = from - page;
                    break;
                case Move::Top:
                    to = 0;
                    break;
                case Move::Bottom:
                    to = bar->maximum();
                    break;
            }
            bar->setValue(from);
            QTest::keyClick(target, c.key, c.modifiers);
            EXPECT_EQ(bar->value(), std::clamp(to, 0, bar->maximum()));
        }
    }
}

}  // namespace
