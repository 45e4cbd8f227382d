#pragma once
// The tile that shows one deal in the main window's grid: short title, picture, original price
// struck out, discount, buyers, deal price and a go-and-see button. It carries the deal's whole
// record so that a clicked tile alone is enough to open the details window.

#include <QFrame>
#include <QImage>
#include <functional>
#include <string>

#include "deals/deal_record.h"

class QLineEdit;
class TImage;
class TDxImage;
class TLabel;

class TItemPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 260;
    static constexpr int kHeight = 260;
    // Where a text width is needed every character counts this much, whatever the font.
    static constexpr int kCharWidth = 7;
    // The deal picture's box: the picture is decoded for this size.
    static constexpr QSize kDealPictureSize{250, 167};

    // Builds the tile and its children. The feed makes the tile inside the grid, where it stays
    // hidden until its values are in, so that a tile never appears half filled.
    explicit TItemPanel(QWidget* parent = nullptr);
    ~TItemPanel() override;

    // Fired from a click on the picture or on the visible go-and-see button, with the tile (not
    // the clicked element) as the sender. Unset by default.
    std::function<void(TItemPanel* sender)> OnImageButClick;

    const DealRecord& record() const { return m_record; }

    const std::string& Nick() const { return m_record.Nick; }
    void setNick(const std::string& value);
    double Price() const { return m_record.Price; }
    void setPrice(double value);
    // Throws ArithmeticError for 0, after the original price shows and the discount has moved
    // but before the discount text changes.
    double SPrice() const { return m_record.SPrice; }
    void setSPrice(double value);
    const std::string& Num_iid() const { return m_record.Num_iid; }
    void setNum_iid(const std::string& value);
    const std::string& ItemUrl() const { return m_record.ItemUrl; }
    void setItemUrl(const std::string& value);
    int32_t Sales_Num() const { return m_record.Sales_Num; }
    void setSales_Num(int32_t value);
    // The only setter that decides between the in-stock and the sold-out look.
    int32_t Stock() const { return m_record.Stock; }
    void setStock(int32_t value);
    const std::string& Short_Title() const { return m_record.Short_Title; }
    void setShort_Title(const std::string& value);
    const std::string& Full_Title() const { return m_record.Full_Title; }
    void setFull_Title(const std::string& value);
    // Fills the picture through the picture cache; may block on a download.
    const std::string& Imagefile() const { return m_record.Imagefile; }
    void setImagefile(const std::string& value);
    DateTime Stop_time() const { return m_record.Stop_time; }
    void setStop_time(DateTime value);

    // True once Stock has been set and the deal was not sold out then.
    bool inStockLook() const { return m_look == Look::InStock; }
    bool soldOutLook() const { return m_look == Look::SoldOut; }

    // The children, in the order they are created (later ones are drawn over earlier ones).
    QLineEdit* const TitleBox;
    TImage* const BackImage;
    TImage* const DealImage;
    TImage* const ShadeImage;
    TLabel* const OrigPriceCaption;
    TLabel* const OrigPriceLabel;
    TLabel* const DiscountLabel;
    TLabel* const SalesNumLabel;
    TLabel* const BoughtCaption;
    TLabel* const PriceLabel;
    TDxImage* const BuyButton;

    // The pictures the tile keeps for its whole life; the pixels are shared by every tile.
    const QImage& InStockBack() const { return m_inStockBack; }
    const QImage& SoldOutBack() const { return m_soldOutBack; }
    const QImage& BuyPicture() const { return m_buyPicture; }
    const QImage& BuyHoverPicture() const { return m_buyHoverPicture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Look { NotStocked, InStock, SoldOut };

    void fireImageButClick();

    DealRecord m_record;
    Look m_look = Look::NotStocked;
    QImage m_inStockBack;
    QImage m_soldOutBack;
    QImage m_buyPicture;
    QImage m_buyHoverPicture;
};
