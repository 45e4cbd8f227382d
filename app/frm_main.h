#pragma once
// The main window: the deal grid, the deal clock, the wheel hook and the feed client.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "services/date_time.h"
#include "services/http/anti_freeze.h"
#include "services/http/http_client.h"
#include "views/scroll_box.h"

class FeedDocument;
class QStatusBar;
class QTimer;
class TApplicationEvents;
class TItemPanel;

class TfrmZORMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 818;
    static constexpr int kClientHeight = 550;
    static constexpr int kStatusBarHeight = 19;
    static constexpr int kTileStep = 265;
    static constexpr int kTileMargin = 5;

    // Construction runs FormCreate: all loading happens here.
    explicit TfrmZORMain(QWidget* parent = nullptr);
    ~TfrmZORMain() override;

    // Network waits keep the windows responsive from before the first child exists until
    // after the last one is gone (members go before the children otherwise).
    AntiFreeze IdAntiFreeze1;
    HttpClient IdHTTP1;
    DateTime ClockTime = 0;
    std::vector<std::string> ImageUrlList;

    TScrollBox* ScrollBox1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    TApplicationEvents* ApplicationEvents1 = nullptr;

    void SetClockTime(DateTime value);
    void Timer1Timer();
    void ApplicationEvents1Message(QEvent* event, bool& handled);

    // Fetches the feed (by the start's feed deadline) and builds the grid, the tile pictures
    // sharing one time budget. True when a feed was read, even one without deals; false when
    // it could not be fetched or parsed, which is silent.
    bool LoadItems();
    // Builds one tile per deal of the document, placed one after the other in the grid; a deal
    // whose values cannot be read gets no tile and the deals after it load. Throws only when the
    // document cannot be parsed.
    void ParseItems(const std::string& text);
    // The same for a document parsed already (the start parses the feed once).
    void ParseItems(const FeedDocument& document);

    // A tile's picture or button was clicked: refresh its sales count, then open its details.
    void ItemImageButClick(TItemPanel* tile);
    // True while a tile's sales count is being fetched; clicks are ignored meanwhile.
    bool refreshing() const { return m_refreshing; }

    // The tiles in the grid, in feed order.
    std::vector<TItemPanel*> tiles() const;

signals:
    // The window has closed: the program ends.
    void closed();

protected:
    // Waiting requests are abandoned at once (see AntiFreeze::SetQuitting).
    void closeEvent(QCloseEvent* event) override;
    // The grid's keys scroll it whichever part of the window has the focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();

    bool m_refreshing = false;
};
