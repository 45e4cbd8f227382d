#include "app/details_opening.h"

#include <QPointer>

#include "deals/deal_clock.h"
#include "views/frm_item.h"

void OpenDetailsWindow(QWidget* mainWindow, const DealRecord& deal, DateTime clockTime) {
    // Events are dispatched while the picture downloads, so other clicks may open windows of
    // their own meanwhile: every step works on the window made here, and only while it exists.
    QPointer<TfrmItem> window = new TfrmItem(mainWindow);
    try {
        window->setMainWindow(mainWindow);
        window->setStopTime(deal.Stop_time);
        window->setCurTime(AddMilliseconds(clockTime, 300));
        window->setPrice(deal.Price);
        window->setSPrice(deal.SPrice);
        window->setSales_Num(deal.Sales_Num);
        window->setStock(deal.Stock);
        window->setTitle(deal.Full_Title);
        window->setNum_iid(deal.Num_iid);
        window->setItemUrl(deal.ItemUrl);
        window->setImagefile(deal.Imagefile);
        if (!window)
            return;
        window->setNick(deal.Nick);
    } catch (...) {
        // A window that could not be filled is never shown; release it now rather than leave it
        // hidden with its countdown running until the main window goes.
        delete window.data();
        throw;
    }
    window->show();
    window->activateWindow();
    window->setFocus(Qt::ActiveWindowFocusReason);
}
