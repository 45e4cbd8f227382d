#pragma once
// The details popup of one deal: prices, buyers, stock state, full title, the large picture and a
// countdown to the deal's end, with links to the item page, the seller's shop and the web chat.
// A new window is made for every opening and frees itself when it closes.

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <string>

#include "services/date_time.h"

class QBuffer;
class QMovie;
class QTimer;
class TDxImage;
class TImage;
class TLabel;
class TMemo;

class TfrmItem : public QWidget {
    Q_OBJECT
public:
    inline static constexpr int kClientWidth = 532;
    inline static constexpr int kClientHeight = 315;

    // owner is the main window: the popup stays on top of it and goes with it at the latest.
    // Construction runs FormCreate; the window is hidden and its countdown is off.
    explicit TfrmItem(QWidget* owner);
    ~TfrmItem() override;

    // Each assignment stores the value, then updates what shows it. SPrice goes after Price and
    // Stock after Sales_Num, since their displays combine the two.
    void setSPrice(double value);
    double SPrice() const { return m_sPrice; }
    void setPrice(double value);
    double Price() const { return m_price; }
    void setSales_Num(int32_t value);
    int32_t Sales_Num() const { return m_salesNum; }
    void setStock(int32_t value);
    int32_t Stock() const { return m_stock; }
    void setTitle(const std::string& value);
    const std::string& Title() const { return m_title; }
    void setNum_iid(const std::string& value) { m_numIid = value; }
    const std::string& num_iid() const { return m_numIid; }
    void setItemUrl(const std::string& value) { m_itemUrl = value; }
    const std::string& ItemUrl() const { return m_itemUrl; }
    // Loads the 310 x 310 picture through the picture cache (may block on a download). A cached
    // file that does not decode is deleted and its error leaves this call.
    void setImagefile(const std::string& value);
    const std::string& Imagefile() const { return m_imagefile; }
    void setNick(const std::string& value);
    const std::string& Nick() const { return m_nick; }
    void setStopTime(DateTime value) { m_stopTime = value; }
    DateTime StopTime() const { return m_stopTime; }
    // Starts the countdown; a running countdown goes on undisturbed.
    void setCurTime(DateTime value);
    DateTime CurTime() const { return m_curTime; }

    // Not owned; may stay unset.
    void setMainWindow(QWidget* window) { m_mainWindow = window; }
    QWidget* MainWindow() const { return m_mainWindow; }

    // One countdown step: show the distance between StopTime and CurTime, then move CurTime on by
    // exactly 100 ms, whatever time has really passed.
    void Timer1Timer();
    // The item page (ItemUrl, or the marketplace's page of num_iid); then the window closes.
    void OpenItemPage();
    void Image4Click() { OpenItemPage(); }
    // The seller's shop page; the window stays open.
    void Label14Click();
    // The web chat with the seller about this item; the window stays open.
    void Image5Click();

    // The window only ever opens centred over its owner's outer frame, off screen edges or not.
    void setVisible(bool visible) override;

    // True from the first close request on; later requests change nothing.
    bool closing() const { return m_closing; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window, as the exit button does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void showStockState();
    void otherWindowActivated(QWidget* window);
    void refuseActivationByMouse();

    TImage* Image1 = nullptr;
    TImage* Image4 = nullptr;
    TLabel* LabelPrice = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TLabel* Label7 = nullptr;
    TLabel* Label8 = nullptr;
    TLabel* Label9 = nullptr;
    TLabel* Label10 = nullptr;
    TImage* Image5 = nullptr;
    TLabel* Label11 = nullptr;
    TLabel* Label12 = nullptr;
    TLabel* Label13 = nullptr;
    TLabel* Label14 = nullptr;
    TMemo* Memo1 = nullptr;
    QTimer* Timer1 = nullptr;
    TDxImage* ImageJoin = nullptr;
    TDxImage* ImageExit = nullptr;

    // Decoded once per window; the stock state and hovering only switch between them.
    QImage m_itembak, m_itembak2, m_c1, m_c2, m_d1, m_d2;
    QBuffer* m_chatBytes = nullptr;
    QMovie* m_chatMovie = nullptr;

    double m_sPrice = 0;
    double m_price = 0;
    int32_t m_salesNum = 0;
    int32_t m_stock = 0;
    std::string m_title;
    std::string m_numIid;
    std::string m_itemUrl;
    std::string m_imagefile;
    std::string m_nick;
    DateTime m_stopTime = 0;
    DateTime m_curTime = 0;
    QPointer<QWidget> m_mainWindow;

    bool m_shown = false;
    bool m_closing = false;
};
